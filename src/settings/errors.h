// The configuration library's result codes and the exception that carries one.
#pragma once

#include <cstdint>
#include <exception>
#include <string>
#include <utility>

namespace settings_impl::code {

inline constexpr std::int32_t success = 0;
inline constexpr std::int32_t internalError = 200;
/// A public operation was given a null argument; also the line result of an accepted key=value line.
inline constexpr std::int32_t nullArgument = 300;
inline constexpr std::int32_t accepted = 300;
// 301 to 305: line results of the parser, reused by the model for its own failures.
inline constexpr std::int32_t keyWithoutValue = 301;
inline constexpr std::int32_t noValue = 301;
inline constexpr std::int32_t emptyKey = 302;
inline constexpr std::int32_t notUtf8 = 302;
inline constexpr std::int32_t invalidKey = 303;
inline constexpr std::int32_t missingKey = 303;
inline constexpr std::int32_t invalidValue = 304;
inline constexpr std::int32_t cannotOpen = 304;
inline constexpr std::int32_t invalidComment = 305;
inline constexpr std::int32_t writeFailed = 306;
inline constexpr std::int32_t readFailed = 307;
inline constexpr std::int32_t pathTooLong = 310;
inline constexpr std::int32_t pathInvalid = 311;
inline constexpr std::int32_t pathNotUtf8 = 312;
inline constexpr std::int32_t malformedLines = 313;
inline constexpr std::int32_t notPlainText = 314;
inline constexpr std::int32_t fileTooLong = 315;

}  // namespace settings_impl::code

namespace settings {

/// Every failure inside the configuration library; the function table returns its code.
class Exception : public std::exception {
public:
    Exception(std::int32_t code, std::string detail);
    std::int32_t code() const noexcept { return code_; }
    const char* what() const noexcept override { return message_.c_str(); }

private:
    std::int32_t code_;
    std::string message_;
};

/// One code as its own type, so that a caller can catch that kind alone.
template <std::int32_t N>
class ExceptionCode : public Exception {
public:
    explicit ExceptionCode(std::string detail) : Exception(N, std::move(detail)) {}
};

}  // namespace settings
