// The standard catch handlers for boundaries that must not let an exception escape: each logs one
// ERROR line with the catch site.
#pragma once

#include <exception>

#include "foundation/process_exit.h"
#include "foundation/source_location.h"

void logCaughtException(const SourceLocation& where, const std::exception& e) noexcept;
void logCaughtUnknown(const SourceLocation& where) noexcept;

#define ZARN_CATCH_ALL                                                 \
    catch (const std::exception& zarnCaught_) {                        \
        ::logCaughtException(ZARN_LOCATION, zarnCaught_);              \
    }                                                                  \
    catch (...) {                                                      \
        ::logCaughtUnknown(ZARN_LOCATION);                             \
    }

/// The same for phases of the run on the main thread, which let a request to end the process through.
#define ZARN_CATCH_ALL_BUT_EXIT                                        \
    catch (const ProcessExit&) {                                       \
        throw;                                                         \
    }                                                                  \
    ZARN_CATCH_ALL
