// The single-instance flag: a file that exists exactly while an installer run holds it open.
#pragma once

#include <string>

#include "driver/phases.h"
#include "platform/types.h"

namespace driver {

/// Builds "<per-user data>\Pellam\Zarn\ZARN_INSTALL_FLAG", creating the directories.
bool GetInstallFlagPath(SystemFacts& system, std::string& path);

/// True when another run holds the flag. A stale file left by a crashed run is deleted on the way.
bool IsInstallFlagHeld(SystemFacts& system);

/// Creates the flag (new file, no sharing, deleted on close); Handle::invalid and `error` on failure.
platform::Handle CreateInstallFlag(const std::string& path, platform::ErrorCode& error);

}  // namespace driver
