// Failures of Windows Installer calls and the texts of Windows Installer error codes.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace msi {

/// The library holding the texts of Windows Installer error codes, string id = low 16 bits of the code.
inline constexpr const char* messageLibrary = "msimsg.dll";

/// A Windows Installer call that ended with a non-zero code; thrown as MevError<msi::Error>.
class Error : public std::runtime_error {
public:
    Error(const std::string& message, std::uint32_t code) : std::runtime_error(message), code_(code) {}
    std::uint32_t code() const { return code_; }

private:
    std::uint32_t code_;
};

/// `text` joined with "MSI error [code]" and, where the message library has one, "(its text)" right
/// after the bracket. Without the library only the code part is added.
std::string makeMessage(std::string_view text, std::uint32_t code);

}  // namespace msi
