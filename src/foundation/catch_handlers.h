// The standard catch handlers for boundaries that must not let an exception escape: each logs one
// ERROR line with the catch site.
#pragma once

#include <exception>

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
