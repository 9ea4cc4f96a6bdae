// Error objects that carry their throw site, and the texts of system error codes.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

#include "foundation/source_location.h"
#include "platform/types.h"

/// `T` with the throw site in front of its message: "file(line) at function(): message".
template <class T>
class MevError : public T {
public:
    MevError(T error, SourceLocation where)
        : T(std::move(error)), where_(std::move(where)), message_(compose(where_, T::what())) {}

    template <class... Args>
    explicit MevError(SourceLocation where, Args&&... args)
        : MevError(T(std::forward<Args>(args)...), std::move(where)) {}

    const char* what() const noexcept override { return message_.c_str(); }
    const SourceLocation& where() const { return where_; }

private:
    static std::string compose(const SourceLocation& at, const char* message) {
        return std::string(fileNamePart(at.file)) + "(" + std::to_string(at.line) + ") at " + at.function +
               "(): " + message;
    }

    SourceLocation where_;
    std::string message_;
};

/// Throws MevError<Type> built from the arguments, recording this site.
#define ZARN_THROW(Type, ...) throw ::MevError<Type>(ZARN_LOCATION, __VA_ARGS__)

/// A failed system call: the caller's text joined with the error code and its description.
class SysError : public std::runtime_error {
public:
    SysError(std::string_view text, const void* failedFunction, platform::ErrorCode code);
    platform::ErrorCode code() const { return code_; }

private:
    platform::ErrorCode code_;
};

namespace WinErrorHandling {

/// "system error <code> (<description>)", the description from the system's message table.
std::string systemErrorText(platform::ErrorCode code, platform::Module module = platform::Module::null);

/// "COM error 0x%08X (<description>)"; a wrapped Win32 error is described by its low 16 bits.
std::string comErrorText(std::int32_t hresult);

/// The caller's text, a separator chosen by its last character, and "System error [code]" followed by
/// the description from the module holding `failedFunction`, when one is given.
std::string makeMessage(std::string_view text, const void* failedFunction, platform::ErrorCode code);

/// Joins a caller's text and a system part by the separator rules of `makeMessage`.
std::string joinMessage(std::string_view text, std::string_view systemPart);

}  // namespace WinErrorHandling

/// A pointer printed the way the Windows C runtime prints "%p": sixteen upper-case hex digits.
std::string formatPointer(std::uintptr_t value);
