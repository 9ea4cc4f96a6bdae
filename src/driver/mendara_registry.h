// The run's own registry values under HKEY_LOCAL_MACHINE: the package's status values, the install
// status, the Policy values, the silent-install marker and the metrics key.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "metrics/update_conf.h"
#include "platform/types.h"

namespace driver {

// The status values, the install status and the Policy values belong to the metrics store.
using UpdateConf::ClearInstallStatus;
using UpdateConf::ClearMSIStatus;
using UpdateConf::GetMSIStatus;
using UpdateConf::ReadInstallStatus;
using UpdateConf::WritePolicyValue;

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
