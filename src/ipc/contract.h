// Contract checks: a violated one is a programming error. It is logged and printed with the check's
// text and its place in the source, and the process stops.
#pragma once

#include "foundation/source_location.h"

namespace ipc {

[[noreturn]] void contractViolated(const char* check, const SourceLocation& where) noexcept;

}  // namespace ipc

/// Stops the process unless `condition` holds; `text` is the check as the log shows it.
#define ZARN_CONTRACT_TEXT(condition, text)                                 \
    do {                                                                    \
        if (!(condition)) ::ipc::contractViolated(text, ZARN_LOCATION);     \
    } while (false)

#define ZARN_CONTRACT(condition) ZARN_CONTRACT_TEXT(condition, #condition)
