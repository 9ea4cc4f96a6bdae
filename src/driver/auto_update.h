// The auto-update component: its package written beside the product's and installed unless a same or
// newer component is there, an older one replaced while the user's update schedule and notify choice
// are kept, the new runtime registered with it, and its scheduler started at log-on.
#pragma once

#include <cstdint>
#include <string>

#include "driver/phases.h"

namespace driver {

/// Writes the carried component to <user data>\Corvane\Zarn\AU\au.msi and installs it: 0 installed
/// and registered, -1 no directory, -5 not carried, the system error of a package that cannot be
/// written, else InstallAutoUpdate's result.
int InstallAutoUpdateComponent(bool oemUpdate, bool autoUpdate);

/// Installs the component from `packagePath`: 0, -2 same or newer installed, -3 no msiexec or the
/// registration tool failed, -4 the registration raised an error, or msiexec's exit code.
int InstallAutoUpdate(bool oemUpdate, const std::string& packagePath, bool autoUpdate);

/// No component is installed, or the installed one is older than the carried one.
bool IsAUUpgradable();
/// A component older than the carried one is installed.
bool IsOlderAUInstalled();
/// The installed component keeps its policy in the legacy layout; false when none is installed.
bool IsAUOlderThanTulk8();
/// Uninstalls the installed component: msiexec's exit code.
std::uint32_t UninstallOlderAU();
/// Makes the component's scheduler start at log-on, unless a start entry is there already.
void RegisterAUScheduler();

class MachineAutoUpdate final : public AutoUpdate {
public:
    int install(bool oemUpdate, bool autoUpdate) override;
    void registerScheduler() override { RegisterAUScheduler(); }
};

}  // namespace driver
