// Case-insensitive comparison of names, as Windows compares registry keys, values and file names.
#pragma once

#include <string>
#include <string_view>

namespace sim {

std::string lowerAscii(std::string_view s);
bool equalsNoCase(std::string_view a, std::string_view b);

struct LessNoCase {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const;
};

/// "*" and "?" wildcards, case-insensitive.
bool matchesPattern(std::string_view name, std::string_view pattern);

}  // namespace sim
