// The registry values the metrics, the ping and the run keep under HKEY_LOCAL_MACHINE.
#pragma once

#include "foundation/product_constants.h"

namespace metrics {

/// The maker's key: the package's status values and the install status.
inline constexpr const char* mendaraKey = product::registryKey;
inline constexpr const char* msiStatusErrorValue = "MSIStatusError";
inline constexpr const char* msiStatusExtendedErrorValue = "MSIStatusExtendedError";
inline constexpr const char* installStatusValue = "InstallStatus";
/// The install status is cleared through "Software", then "Mendara" under it.
inline constexpr const char* softwareKey = "Software";
inline constexpr const char* mendaraSubKey = "Mendara";

/// The values written for the package and read back by the ping.
inline constexpr const char* policyKey = "SOFTWARE\\Mendara\\Zarn Update\\Policy";
inline constexpr const char* countryValue = "Country";
inline constexpr const char* visitorIdValue = "VisitorId";
inline constexpr const char* methodValue = "Method";
inline constexpr const char* postStatusUrlValue = "PostStatusUrl";

/// The install counters, in the 32-bit view for their update.
inline constexpr const char* kobuMetricsKey = "Software\\KobuMetrics";
inline constexpr const char* machineCountValue = "MachineCount";
inline constexpr const char* installAttemptsValue = "InstallAttempts";
inline constexpr const char* newKobuVersionValue = "NewKobuVersion";
inline constexpr const char* updateCountValue = "UpdateCount";
inline constexpr const char* kobuVersionValue = "KobuVersion";
inline constexpr const char* offeredCountValue = "OfferedSPCnt";

/// The texts of the counters before the update has decided them.
inline constexpr const char* undecided = "XX";
/// The production endpoint's password, written with "%x" at run time.
inline constexpr unsigned pingPasswordSeed = 0x6d3a91c4u;

/// The country before one is known.
inline constexpr const char* noCountry = "YY";

}  // namespace metrics
