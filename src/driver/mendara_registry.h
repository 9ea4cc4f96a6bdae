// The run's own registry values under HKEY_LOCAL_MACHINE: the package's status values, the install
// status, the Policy values, the silent-install marker and the metrics key.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/types.h"

namespace driver {

/// Deletes "MSIStatusError" and "MSIStatusExtendedError"; 0, or the first error met.
platform::ErrorCode ClearMSIStatus();

/// Reads the package's two status values; 0, or the first error met.
platform::ErrorCode GetMSIStatus(std::uint32_t& statusError, std::uint32_t& extendedError);

/// Sets the Policy value `name` to `text`, or deletes it when there is no text. True on success.
bool WritePolicyValue(const std::string& name, const std::optional<std::string>& text);

/// Deletes "InstallStatus", and "Software\Mendara" itself when nothing is left in it.
void ClearInstallStatus();

/// "InstallStatus" (at most 512 bytes), empty when absent.
std::string ReadInstallStatus();

/// The auto-update component's version before the run, "XX" when none is installed.
std::string ReadPreviousAuVersion();

/// "RegDeployStatus" of the metrics key, "YY" when absent.
std::string ReadRegDeployStatus();

/// The "SilentInstall" key exists while a silent run's package runs.
void CreateSilentInstallKey();
void DeleteSilentInstallKey();

/// Removes "Software\KobuMetrics" after an OEM update's ping.
void RemoveKobuMetrics();

}  // namespace driver
