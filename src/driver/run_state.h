// The working record of one installer run.
#pragma once

#include <cstdint>
#include <string>

#include "driver/driver_constants.h"
#include "driver/phases.h"

namespace driver {

struct RunState {
    int installResult = 1;
    int auResult = auNotAttempted;
    std::string previousAuVersion;
    std::string latestRuntimeKey;
    bool familyUpgrade = false;
    std::string installDir;  // at most 2048 bytes
    bool silent = false;
    bool staticInstall = false;
    bool oemUpdate = false;
    bool launchedFromTulk = false;
    bool showVerifyPage = true;
    bool showMedHighText = false;
    bool is64BitProcess = false;
    std::uint32_t msiStatusError = 0;
    std::uint32_t msiStatusExtendedError = 0;
    std::string regDeployStatus = noRegDeployStatus;
    RemovalResult removalResult;
    std::string extraCommandLine;
};

}  // namespace driver
