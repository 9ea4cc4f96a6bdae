// Running the product package through Windows Installer and turning every outcome into one number.
#pragma once

#include <string>

#include "driver/package_action.h"

namespace driver {

/// The command line the package receives (and the run logs).
std::string ComposeCommandLine(const PackageAction& action);

/// 0 on success, the Windows Installer error code, or 1603 for any other failure. Never throws.
int ExecCommand(const PackageAction& action);

}  // namespace driver
