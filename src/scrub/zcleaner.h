// Uninstalling an installed runtime with msiexec by a product code worked out from its version and
// bitness alone: the historical product-code families, a second form tried for every update of the
// release, and the msiexec run itself.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "foundation/auto_handle.h"

namespace zscrub {

enum class ProductCodeForm { A, B };

class ZCleaner {
public:
    /// "{prefix major minor micro update tail}" for the version and bitness (32 or 64). Versions below
    /// 1.4.2 throw MevError<std::runtime_error>; texts that do not parse throw the version parse error.
    static std::string getProductGUID(std::string_view versionText, int bitness, ProductCodeForm form);

    /// Runs the product-code attempts for a runtime whose presence key exists in the view of `bitness`.
    /// True on the first successful msiexec run; every run overwrites `exitCode`.
    static bool uninstallVersion(std::string_view versionText, int bitness, std::uint32_t& exitCode);

private:
    static bool attempt(std::string_view versionText, int bitness, ProductCodeForm form, std::uint32_t& exitCode);
};

/// Runs "MsiExec.exe REBOOT=Suppress /x <code> /qn", waits for it, stores its exit code and deletes
/// the product's uninstall entry. True for exit codes 0 and 3010. When msiexec cannot be started at
/// all the removal log says so and the process ends with -1.
bool runUninstaller(std::string_view productCode, std::uint32_t& exitCode);

/// "ZarnScrub.log" in the temp directory, opened for appending; an invalid handle when it cannot be.
AutoHandle openScrubLog();

}  // namespace zscrub
