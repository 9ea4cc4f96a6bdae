// "<what> failed with <error text>" records of the HTML engine, logged where the call failed.
#pragma once

#include <windows.h>

#include "foundation/errors.h"
#include "foundation/logger.h"

/// A failed call that set the thread's last error.
#define LOG_SYSTEM_FAILURE(what)                                                             \
    do {                                                                                     \
        const DWORD zarnError_ = GetLastError();                                             \
        LOG_ERROR(what << " failed with " << WinErrorHandling::systemErrorText(zarnError_)); \
    } while (false)

/// A failed COM call.
#define LOG_COM_FAILURE(what, hr) LOG_ERROR(what << " failed with " << WinErrorHandling::comErrorText(hr))
