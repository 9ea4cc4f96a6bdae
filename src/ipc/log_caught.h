// The catch handlers of destructors and thread ends: they log whatever arrives and let nothing
// through (not even a request to end the process, which cannot leave a destructor either).
#pragma once

#include <exception>

#include "foundation/catch_handlers.h"

#define ZARN_IPC_LOG_CAUGHT                                            \
    catch (const std::exception& zarnCaught_) {                        \
        ::logCaughtException(ZARN_LOCATION, zarnCaught_);              \
    }                                                                  \
    catch (...) {                                                      \
        ::logCaughtUnknown(ZARN_LOCATION);                             \
    }
