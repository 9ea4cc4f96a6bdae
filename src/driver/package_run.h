// Running the product package through Windows Installer and turning every outcome into one number.
#pragma once

#include <functional>
#include <string>

#include "driver/package_action.h"

namespace driver {

/// The command line the package receives (and the run logs).
std::string ComposeCommandLine(const PackageAction& action);

/// 0 on success, the Windows Installer error code, or 1603 for any other failure. Never throws.
/// `packageIntact`, when given, is asked just before the run; false fails the run with 1603.
int ExecCommand(const PackageAction& action, const std::function<bool()>& packageIntact = {});

}  // namespace driver
