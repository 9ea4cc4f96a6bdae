// Joining path parts with one backslash.
#pragma once

#include <string>
#include <string_view>

namespace path {

/// An empty side yields the other; otherwise the left part loses its trailing separators, the right
/// part one leading separator, and they are joined with "\".
std::string join(std::string_view left, std::string_view right);

}  // namespace path
