// Where a log line was written or an error was thrown or caught.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

struct SourceLocation {
    const char* file = "";
    std::string function;
    std::uint32_t line = 0;
};

/// The part of a path after its last "\" or "/".
std::string_view fileNamePart(std::string_view path);

/// "ns::Class::member" out of the compiler's decorated function signature.
std::string qualifiedFunctionName(std::string_view prettyFunction);

#define ZARN_FUNCTION ::qualifiedFunctionName(__PRETTY_FUNCTION__)
#define ZARN_LOCATION (::SourceLocation{__FILE__, ZARN_FUNCTION, static_cast<std::uint32_t>(__LINE__)})
