// Names of out-of-date runtime removal: registry keys, product-code families, the msiexec command line
// and the removal log.
#pragma once

#include <cstddef>

namespace zscrub {


/// Product-code prefixes of the historical families, oldest first; the bitness follows or precedes
/// where the family carries it.
inline constexpr const char* prefix142 = "8259A1B9-7924-22E7-B88C-11C1E1";
inline constexpr const char* prefix150Tail = "59A1B9-7924-22E7-B88C-11C1E1";
inline constexpr const char* prefixModern = "37B35BF5-14AE-4DB5-98C5-3A";
inline constexpr const char* prefixModern7u60 = "37B35BF5-14AE-4DB5-98C5-3A1";
inline constexpr const char* prefixModernOther = "37B35BF5-14AE-4DB5-98C5-3A9";

/// With msiexec's full path: a bare name would let Windows search the installer's own folder first.
inline constexpr const char* uninstallCommand = "\"%s\" REBOOT=Suppress /x %s /qn";
inline constexpr const char* msiexecName = "msiexec.exe";
inline constexpr std::size_t uninstallCommandLimit = 1024;

inline constexpr unsigned successRebootRequired = 3010;
/// msiexec does not know the product.
inline constexpr unsigned unknownProduct = 1605;

/// Under the Windows directory: its presence marks the machine's runtimes as centrally managed.
inline constexpr const char* deploymentRuleSetFile = "\\Pellam\\Zarn\\Deployment\\DeploymentRuleSet.zar";

inline constexpr const char* scrubLogName = "ZarnScrub.log";
inline constexpr std::size_t scrubLogPathLimit = 240;
inline constexpr const char* unexpandedTemp = "%TEMP%";

}  // namespace zscrub
