// The boundary of the function table: exceptions become result codes.
#pragma once

#include <cstdint>
#include <exception>

#include "foundation/catch_handlers.h"
#include "settings/errors.h"

namespace settings_impl {

template <class... Pointers>
bool anyNull(const Pointers*... pointers) {
    return ((pointers == nullptr) || ...);
}

/// Runs `body`: 0 when it returns, the code of a settings::Exception, 200 (logged) for anything else.
template <class Body>
std::int32_t guarded(Body&& body) noexcept {
    try {
        body();
        return code::success;
    } catch (const settings::Exception& e) {
        return e.code();
    }
    ZARN_CATCH_ALL
    return code::internalError;
}

}  // namespace settings_impl
