#include "driver/reinstall_rules.h"

#include <cstdlib>

#include "driver/process_values.h"
#include "foundation/executor.h"
#include "foundation/logger.h"
#include "foundation/path.h"
#include "foundation/product_constants.h"
#include "foundation/product_version.h"
#include "foundation/process_exit.h"
#include "foundation/registry_key.h"
#include "foundation/sys_info.h"
#include "foundation/tstrings_format.h"
#include "foundation/zarn_environment.h"
#include "platform/desktop.h"
#include "platform/machine.h"
#include "platform/registry.h"
#include "platform/win_errors.h"
#include "scrub/zcleaner.h"

namespace driver {

namespace {

namespace reg = platform::reg;

constexpr const char* runtimeKey = product::runtimeEnvironmentKey;
constexpr const char* uninstallKey = product::uninstallKey;
constexpr const char* installerKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Installer";
constexpr const char* installerLocationValue = "InstallerLocation";
constexpr const char* buildNumberValue = "BuildNumber";
constexpr const char* msiexecName = "msiexec.exe";
/// This installer's build number; a registered build above it is newer.
int thisBuildNumber() { return product::thisVersion()[ZarnVersionDetails::build]; }
constexpr std::uint32_t refuseStatic = 1;

constexpr std::uint32_t idsCannotReinstallText = 2047;
constexpr std::uint32_t idsNewerBuildText = 2048;
constexpr std::uint32_t idsNewerBuildCaption = 2049;
constexpr std::uint32_t idsCannotReinstallCaption = 2050;
constexpr std::size_t stringBufferSize = 2048;

std::uint32_t viewOf(int architecture) { return architecture == 32 ? reg::wow64_32Key : reg::wow64_64Key; }

/// Opens `subKey` of HKLM for reading in `view`; the error, 0 on success.
platform::ErrorCode openForReading(const std::string& subKey, std::uint32_t view, AutoRegKey& key) {
    platform::RegKey opened = platform::RegKey::null;
    const auto e = platform::machine().registry().openKey(platform::RegKey::localMachine, subKey, reg::read | view, opened);
    if (e == platform::err::success) key.reset(opened);
    return e;
}

/// The leading decimal digits of `text` as a number, as atoi reads them.
int leadingNumber(const std::string& text) { return std::atoi(text.c_str()); }

std::string fitted(std::string text) {
    if (text.size() >= stringBufferSize) text.resize(stringBufferSize - 1);
    return text;
}

int errorBox(const StringLoader& loadString, std::uint32_t textId, std::uint32_t captionId) {
    platform::ErrorCode error = 0;
    return platform::machine().desktop().messageBox(platform::Window::null, fitted(loadString(textId)),
                                                    fitted(loadString(captionId)), platform::mb::iconError, error);
}

}  // namespace

int ProcessArchitecture() { return SysInfo::processBitness(); }

bool IsThisAFamilyUpgrade() {
    const auto installed = ZarnEnvironment::latestInstalledKobu(ProcessArchitecture());
    if (!installed) return false;
    if (installed->version < ZarnVersion(ThisRuntime().versionText)) {
        LOG_INFO("This is a Family Upgrade install");
        return true;
    }
    return false;
}

bool IsSameKobuVersionInstalled(std::string& versionText) {
    const std::string version = ThisRuntime().plainVersion;
    AutoRegKey key;
    if (const auto e = openForReading(std::string(runtimeKey) + "\\" + version, viewOf(ProcessArchitecture()), key)) {
        LOG_ERROR(tstrings::format("Error Opening registry key %s: %d", runtimeKey, static_cast<int>(e)));
        LOG_INFO("No same version Kobu exists");
        return false;
    }
    versionText = version;
    LOG_INFO(tstrings::format("Kobu with same version %s exists on the system", version.c_str()));
    return true;
}

bool IsSameOrOlderBuildInstalled(const std::string& versionText) {
    const std::string keyPath = std::string(runtimeKey) + "\\" + versionText;
    AutoRegKey key;
    if (const auto e = openForReading(keyPath, viewOf(ProcessArchitecture()), key)) {
        LOG_ERROR(tstrings::format("Error Opening registry key %s: %d", keyPath.c_str(), static_cast<int>(e)));
        return false;
    }
    std::uint32_t type = 0;
    std::uint32_t size = 0;
    auto& registry = platform::machine().registry();
    auto e = registry.queryValue(key.get(), buildNumberValue, &type, nullptr, size);
    std::string build;
    if (e == platform::err::success && type != reg::sz && type != reg::expandSz) e = platform::err::invalidData;
    if (e == platform::err::success) {
        build.resize(size);
        e = registry.queryValue(key.get(), buildNumberValue, &type, reinterpret_cast<std::uint8_t*>(build.data()), size);
        build.resize(size);
    }
    if (e != platform::err::success) {
        // Unreadable counts as newer: the run stops rather than install over a build it cannot judge.
        LOG_ERROR(tstrings::format("ZarnKey.QueryValue(BuildNumber, Value); failed: %d", static_cast<int>(e)));
        return false;
    }
    const int number = leadingNumber(build);
    if (number <= thisBuildNumber()) {
        LOG_INFO(tstrings::format("Existing build: %d is same/older than current build: %d", number, thisBuildNumber()));
        return true;
    }
    LOG_INFO(tstrings::format("Existing build: %d is newer than current build: %d", number, thisBuildNumber()));
    return false;
}

bool IsVersionStatic(const std::string& versionText, bool is64Bit) {
    const auto found = ZarnEnvironment::findByVersion(ZarnEnvironment::installedKobu(is64Bit ? 64 : 32), versionText);
    if (found) return found->isStatic;
    LOG_ERROR("cannot find Kobu: " << versionText);
    return false;
}

namespace {

// msiexec in the system directory; empty when the system does not say where that is.
std::string msiexecInSystemDirectory() {
    std::string system;
    if (platform::machine().system().systemDirectory(system) != platform::err::success) return {};
    return path::join(system, msiexecName);
}

// "C:\..." or "\\server\...": a location no search can replace.
bool isFullPath(const std::string& location) {
    const bool driveRooted = location.size() >= 3 && location[1] == ':' && location[2] == '\\';
    return driveRooted || location.starts_with("\\\\");
}

}  // namespace

std::string GetMsiexecPath() {
    const auto os = SysInfo::osVersion();
    if (SysInfo::osLevel() == SysInfo::xp && os.productType != 1) return msiexecInSystemDirectory();
    try {
        RegistryKey key;
        key.open(platform::RegKey::localMachine, installerKey);
        const std::string location = key.queryStringValue(installerLocationValue);
        // An elevated run must not let Windows search its own folder for a relative name.
        if (!isFullPath(location)) return msiexecInSystemDirectory();
        // The location ends with a separator on most systems; the join keeps one.
        return path::join(location, msiexecName);
    } catch (const std::runtime_error&) {
        return {};
    }
}

std::uint32_t UninstallProduct(const std::string& productCode, const std::string& versionText, bool silent) {
    const std::string args = tstrings::format(" /x %s", productCode.c_str()) + (silent ? " /qn" : " /qb!");
    const std::uint32_t code = ExecProcessWaitForFinish(GetMsiexecPath(), args);
    if (code != 0) {
        LOG_ERROR(tstrings::format("uninstall %s of %s failed.  ErrorCode: %d", versionText.c_str(), productCode.c_str(),
                                   static_cast<int>(code)));
    }
    return code;
}

std::uint32_t CheckGUIDAndUninstall(const std::string& versionText, int architecture, bool is64Bit, bool silent) {
    const std::string productCode =
        zscrub::ZCleaner::getProductGUID(versionText, architecture, zscrub::ProductCodeForm::A);
    AutoRegKey key;
    const auto e = openForReading(std::string(uninstallKey) + "\\" + productCode,
                                  is64Bit ? reg::wow64_64Key : reg::wow64_32Key, key);
    if (e != platform::err::success) {
        LOG_ERROR("GUID not found" << ":" << e);
        return 0;
    }
    key.reset();
    const std::uint32_t result = UninstallProduct(productCode, versionText, silent);
    if (result != 0) LOG_ERROR("Uninstall existing Kobu failed" << ":" << result);
    return result;
}

std::uint32_t CheckStaticAndUninstall(const std::string& versionText, bool staticRequested, bool silent,
                                      int architecture) {
    if (IsVersionStatic(versionText, architecture == 64) && !staticRequested) return refuseStatic;
    return CheckGUIDAndUninstall(versionText, architecture, architecture == 64, silent);
}

int CheckReinstallCase(bool staticRequested, bool silent, const StringLoader& loadString) {
    std::string version;
    if (!IsSameKobuVersionInstalled(version)) return 1;
    if (!IsSameOrOlderBuildInstalled(version)) {
        if (!silent) errorBox(loadString, idsNewerBuildText, idsNewerBuildCaption);
        return 0;
    }
    if (CheckStaticAndUninstall(version, staticRequested, silent, ProcessArchitecture()) != refuseStatic) return 1;
    if (silent) return -1;
    if (errorBox(loadString, idsCannotReinstallText, idsCannotReinstallCaption) == platform::mb::idOk) endProcess(0);
    return -1;
}

}  // namespace driver
