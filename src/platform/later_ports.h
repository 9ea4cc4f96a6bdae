// Ports whose operations arrive with the features that use them: Windows Installer, WinINet and
// cryptography. Each is declared now so the machine has its full shape.
#pragma once

#include "platform/processes.h"
#include "platform/types.h"

namespace platform {

class Installer {
public:
    virtual ~Installer() = default;
};

class Internet {
public:
    virtual ~Internet() = default;

    /// InternetCloseHandle.
    virtual ErrorCode closeHandle(InternetHandle handle) = 0;
};

class Crypto {
public:
    virtual ~Crypto() = default;
};

}  // namespace platform
