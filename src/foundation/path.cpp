#include "foundation/path.h"

namespace path {

namespace {
bool isSeparator(char c) { return c == '\\' || c == '/'; }
}  // namespace

std::string join(std::string_view left, std::string_view right) {
    if (left.empty()) return std::string(right);
    if (right.empty()) return std::string(left);
    while (!left.empty() && isSeparator(left.back())) left.remove_suffix(1);
    if (isSeparator(right.front())) right.remove_prefix(1);
    std::string joined;
    joined.reserve(left.size() + 1 + right.size());
    joined.append(left).append(1, '\\').append(right);
    return joined;
}

}  // namespace path
