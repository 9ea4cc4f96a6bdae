// Names the run reads and writes: registry keys and values, files, resources.
#pragma once

#include <cstdint>

#include "foundation/product_constants.h"
#include "metrics/metrics_constants.h"

namespace driver {

inline constexpr const char* mendaraKey = product::registryKey;
using metrics::countryValue;
using metrics::installStatusValue;
using metrics::kobuMetricsKey;
using metrics::methodValue;
using metrics::msiStatusErrorValue;
using metrics::msiStatusExtendedErrorValue;
using metrics::policyKey;
using metrics::postStatusUrlValue;
using metrics::visitorIdValue;
inline constexpr const char* initialCountryCode = metrics::noCountry;
inline constexpr const char* reinstallStatus = "reinstall";
inline constexpr const char* silentInstallSubKey = "SilentInstall";
inline constexpr const char* autoUpdateKey = "SOFTWARE\\Mendara\\Auto Update";
inline constexpr const char* auVersionValue = "AUVersion";
inline constexpr const char* regDeployStatusValue = "RegDeployStatus";

inline constexpr const char* installFlagFileName = "ZARN_INSTALL_FLAG";
inline constexpr const char* baseImageName = "baseimage8";

// The embedded product package and where it is written.
inline constexpr const char* packageResourceType = "ZARN_INSTALLER";
inline constexpr std::uint32_t packageResourceId = 103;
/// The package's SHA-256 as 64 hex digits, recorded by the build under the package's id.
inline constexpr const char* packageDigestResourceType = "ZARN_INSTALLER_SHA256";
inline constexpr const char* packageVersion = product::plainVersion;

// The auto-update component.
inline constexpr std::uint32_t auPackageResourceId = 105;
/// Components older than this keep their policy in the legacy layout.
inline constexpr const char* auLegacyLayoutBelow = "2.8.0.0";
inline constexpr const char* auProductCode = "{5B14817A-777B-4148-8888-6A3859875E21}";
inline constexpr const char* auRegistrationTool = "\\Zarn\\Zarn Update\\zaureg.exe";
inline constexpr const char* auRegistrationArguments = " -r kobu %s";
inline constexpr const char* auScheduler = "Zarn\\Zarn Update\\zusched.exe";
inline constexpr const char* runKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
inline constexpr const char* auSchedulerRunValue = "PellamZarnUpdateSched";

inline constexpr const char* installMethodOffline = "zoff";
inline constexpr const char* noAuVersion = "XX";
inline constexpr const char* noRegDeployStatus = "YY";

// Windows Installer properties the run sets.
inline constexpr const char* propertyTransforms = "TRANSFORMS";
inline constexpr const char* propertySkipLicense = "SKIPLICENSE";
inline constexpr const char* propertyProg = "PROG";
inline constexpr const char* propertyEndDialog = "ENDDIALOG";
inline constexpr const char* propertyInstallDir = "INSTALLDIR";

// Exit codes of the run.
inline constexpr int exitConfigurationError = -80;
inline constexpr int exitRefused = -1;
inline constexpr int exitChangeFolderCancelled = -20;
/// The package's command line could not be prepared (the first status clear or the export failed).
inline constexpr int exitPreparationFailed = 1603;
inline constexpr int auNotAttempted = -99;

// Results of the auto-update component's installation; any other non-zero one is msiexec's exit code.
inline constexpr int auInstalled = 0;
inline constexpr int auNoDirectory = -1;
inline constexpr int auNotUpgradable = -2;
inline constexpr int auRegistrationFailed = -3;
inline constexpr int auRegistrationError = -4;
inline constexpr int auNoPackage = -5;

// String table identifiers.
inline constexpr std::uint32_t idsWarningCaption = 115;
inline constexpr std::uint32_t idsInProgressCaption = 116;
inline constexpr std::uint32_t idsInProgressText = 117;
inline constexpr std::uint32_t idsUnsupportedOsText = 120;

// Dialog results.
inline constexpr int dialogOk = 1;
inline constexpr int dialogCancel = 2;
inline constexpr int dialogBack = 1029;

}  // namespace driver
