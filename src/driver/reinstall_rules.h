// Installed runtimes and the rules for installing this runtime over them: a family upgrade, the same
// version already present, a newer build of it, a static copy that cannot be replaced, and the
// uninstall of the same version before it is installed again.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace driver {

/// 32 for a 32-bit process (a 32-bit system or WOW64), otherwise 64.
int ProcessArchitecture();

/// An older runtime of this family and architecture is installed.
bool IsThisAFamilyUpgrade();
/// This very version is registered; `versionText` receives it.
bool IsSameKobuVersionInstalled(std::string& versionText);
/// The registered build of `versionText` is not newer than this installer's.
bool IsSameOrOlderBuildInstalled(const std::string& versionText);
/// The static flag of the installed runtime of `versionText`; false when none is installed.
bool IsVersionStatic(const std::string& versionText, bool is64Bit);

/// msiexec's full path, or empty when the system does not say where it is.
std::string GetMsiexecPath();
/// Uninstalls the product with msiexec: 0 or its exit code.
std::uint32_t UninstallProduct(const std::string& productCode, const std::string& versionText, bool silent);
/// Uninstalls the runtime of `versionText` when its product is registered: 0 or msiexec's exit code.
std::uint32_t CheckGUIDAndUninstall(const std::string& versionText, int architecture, bool is64Bit, bool silent);
/// 1 when an installed static copy refuses a non-static install, else CheckGUIDAndUninstall's result.
std::uint32_t CheckStaticAndUninstall(const std::string& versionText, bool staticRequested, bool silent,
                                      int architecture);

/// Loads string `id` of the user-interface language.
using StringLoader = std::function<std::string(std::uint32_t id)>;

/// 1 go on, 0 a newer build of this version is installed, -1 the installed copy cannot be replaced.
/// In UI mode the refusals are shown first, and confirming the "cannot reinstall" box ends the run with 0.
int CheckReinstallCase(bool staticRequested, bool silent, const StringLoader& loadString);

}  // namespace driver
