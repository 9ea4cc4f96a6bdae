// Ports whose operations arrive with the features that use them: WinINet and cryptography. Each is
// declared now so the machine has its full shape. Windows Installer has its own header.
#pragma once

#include "platform/installer.h"
#include "platform/processes.h"
#include "platform/types.h"

namespace platform {

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
