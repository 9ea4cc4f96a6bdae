// Helpers shared by the configuration library's tests.
#pragma once

#include <cstdint>
#include <string>

#include "settings/config.h"
#include "settings/errors.h"

namespace settings_test {

/// The code of the settings::Exception `body` throws, or 0 when it returns.
template <class Body>
std::int32_t codeOf(Body&& body) {
    try {
        body();
    } catch (const settings::Exception& e) {
        return e.code();
    }
    return 0;
}

/// "KEY=value;" per entry and "KEY;" per key without value, in key order.
inline std::string dump(const settings_impl::Config& config) {
    std::string out;
    for (const auto& [key, value] : config.entries()) out += value ? key + "=" + value->text() + ";" : key + ";";
    return out;
}

}  // namespace settings_test
