// The installer's key table: every key it accepts, how its value is checked, and what happens to it.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace config {

enum class KeyKind : std::uint8_t {
    enableDisable,  // "Enable", "Disable", "1", "0"
    string,
    directory,      // drive-rooted
    level,          // "1" to "4", "L", "M", "H", "VH"
    integer,
    switchOnly,     // a command-line switch without value
};

struct KeyRecord {
    const char* key;
    KeyKind kind;
    std::uint8_t exported;        // kept in the runtime configuration file
    std::uint8_t inCmdLine;       // copied into CMDLINE
    std::uint8_t msiPassThrough;  // on the command line, also handed to Windows Installer
    std::uint8_t prefixMatch;     // on the command line, matches every argument beginning with the key
    std::uint8_t fileParam;       // the value names a file that must be readable
    std::uint8_t plainTextParam;  // the file should be plain text
    std::uint8_t enterpriseOnly;  // accepted only by the enterprise installer
};

/// The 46 records in table order.
std::span<const KeyRecord> keyRecords();

/// The keys the getters index, in index order.
std::span<const char* const> enableDisableKeys();
std::span<const char* const> stringKeys();
std::span<const char* const> intKeys();

bool isSwitch(const KeyRecord& record);

}  // namespace config
