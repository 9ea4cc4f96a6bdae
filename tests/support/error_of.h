// The message of whatever an action throws, so table rows can state failure texts.
#pragma once

#include <exception>
#include <functional>
#include <string>

namespace test_support {

inline std::string errorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const std::exception& e) {
        return e.what();
    }
    return "(no error)";
}

}  // namespace test_support
