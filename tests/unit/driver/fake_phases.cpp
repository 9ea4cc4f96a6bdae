#include "fake_phases.h"

#include <algorithm>

namespace driver::test {

bool Events::has(const std::string& e) const { return count(e) > 0; }

int Events::count(const std::string& e) const { return static_cast<int>(std::count(list.begin(), list.end(), e)); }

}  // namespace driver::test
