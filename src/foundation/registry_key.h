// One open registry key with strictly typed reads and writes. Every failure throws a runtime error
// that names the operation, the value or key, and the reason, ready to be logged as it is.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/auto_handle.h"
#include "foundation/source_location.h"
#include "platform/types.h"

class RegistryKey {
public:
    /// `viewFlags` (KEY_WOW64_64KEY, KEY_WOW64_32KEY or 0) are added to every open.
    explicit RegistryKey(std::uint32_t viewFlags = 0) : viewFlags_(viewFlags) {}

    /// Opens, or with `create` creates, `subKey` under `parent` for reading, and for writing when asked.
    /// The new handle replaces the one held before.
    void open(platform::RegKey parent, const std::string& subKey, bool write = false, bool create = false);
    bool isOpen() const { return static_cast<bool>(key_); }
    platform::RegKey handle() const { return key_.get(); }
    void close() { key_.reset(); }

    struct Value {
        std::uint32_t type = 0;
        std::vector<std::uint8_t> bytes;
    };

    /// The stored bytes and type, however large.
    Value queryValue(std::string_view name) const;
    /// A REG_DWORD of exactly four bytes.
    std::uint32_t queryDwordValue(std::string_view name) const;
    /// A REG_SZ or REG_EXPAND_SZ (not expanded), without its terminating NUL.
    std::string queryStringValue(std::string_view name) const;
    /// A REG_BINARY.
    std::vector<std::uint8_t> queryBinaryValue(std::string_view name) const;

    void setDwordValue(std::string_view name, std::uint32_t value);
    /// Written as REG_SZ with its terminating NUL.
    void setStringValue(std::string_view name, std::string_view value);
    void setBinaryValue(std::string_view name, std::span<const std::uint8_t> value);

    /// Names of the subkeys in the order the registry gives them.
    std::vector<std::string> enumSubkeys() const;

private:
    Value read(std::string_view name, std::string_view operation, const SourceLocation& where) const;
    void write(std::string_view name, std::uint32_t type, std::span<const std::uint8_t> bytes,
               std::string_view operation, const SourceLocation& where);

    std::uint32_t viewFlags_;
    AutoRegKey key_;
    std::string path_;
};
