// The errors of the ipc toolkit. They are thrown wrapped as MevError<...>, so the visible message is
// the throw site followed by "ipc error".
#pragma once

#include <exception>

#include "platform/types.h"

namespace ipc {

class Error : public std::exception {
public:
    const char* what() const noexcept override { return "ipc error"; }
};

/// A kernel call failed; the system error number is kept for diagnosis.
class PlatformError : public Error {
public:
    explicit PlatformError(platform::ErrorCode code = 0) : code_(code) {}
    platform::ErrorCode code() const { return code_; }

private:
    platform::ErrorCode code_;
};

/// A wait ran out of time.
class TimeoutExpiredError : public Error {};

}  // namespace ipc
