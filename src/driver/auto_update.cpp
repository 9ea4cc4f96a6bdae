#include "driver/auto_update.h"

#include <optional>

#include "au/config.h"
#include "driver/driver_constants.h"
#include "driver/payload_extraction.h"
#include "driver/reinstall_rules.h"
#include "foundation/catch_handlers.h"
#include "foundation/executor.h"
#include "foundation/logger.h"
#include "foundation/path.h"
#include "foundation/product_constants.h"
#include "foundation/registry_key.h"
#include "foundation/sys_info.h"
#include "foundation/tstrings_format.h"
#include "foundation/version_details.h"
#include "platform/machine.h"
#include "platform/registry.h"
#include "platform/win_errors.h"

namespace driver {

namespace reg = platform::reg;

namespace {

constexpr std::uint32_t maxVersionBytes = 2048;

// The installed component's version, read into at most 2048 bytes; nullopt when none is installed.
std::optional<std::string> installedAuVersion() {
    try {
        RegistryKey key(reg::wow64_32Key);
        key.open(platform::RegKey::localMachine, autoUpdateKey);
        std::string version = key.queryStringValue(auVersionValue);
        if (version.size() >= maxVersionBytes) version.resize(maxVersionBytes - 1);
        return version;
    } catch (const std::runtime_error&) {
        return std::nullopt;
    }
}

// The installed version compared with `version`, number by number; nullopt when none is installed.
std::optional<std::strong_ordering> compareInstalledWith(const char* version) {
    const auto installed = installedAuVersion();
    if (!installed) return std::nullopt;
    return FourPartVersion(*installed) <=> FourPartVersion(version);
}

// Creates `directory` unless it exists; false (logged) on any other failure.
bool makeDirectory(const std::string& directory, const char* failureText) {
    const auto code = platform::machine().fileSystem().createDirectory(directory);
    if (code == platform::err::success || code == platform::err::alreadyExists) return true;
    LOG_ERROR(failureText);
    return false;
}

// Command lines are not cut to a fixed buffer: a cut line would lose its switches or its package path
// (a long profile folder is enough), and the system takes far longer ones.
std::string installLine(bool oemUpdate, bool autoUpdate, const std::string& msiexec, const std::string& package) {
    if (oemUpdate) {
        return tstrings::format("\"%s\" /i \"%s\" ALLUSERS=1 OEMUPDATE=1 /qn", msiexec.c_str(), package.c_str());
    }
    if (autoUpdate) {
        LOG_INFO("Auto Update is enabled");
        return tstrings::format("\"%s\" /i \"%s\" ALLUSERS=1 /qn", msiexec.c_str(), package.c_str());
    }
    LOG_INFO("Auto Update is disabled via configuration settings");
    // Checked under Wine: msiexec opens the package and takes DISABLE=1 with no blank before it.
    return tstrings::format("\"%s\" /i \"%s\"DISABLE=1 ALLUSERS=1 /qn", msiexec.c_str(), package.c_str());
}

// The user's policy as the installed component keeps it, read before it is replaced.
struct SavedPolicy {
    au::Schedule schedule;
    bool scheduleStored = false;
    std::uint32_t notifyType = au::notifyBeforeDownload;
};

SavedPolicy readPolicy() {
    SavedPolicy saved;
    au::Config config(IsAUOlderThanTulk8() ? 0 : 1);
    saved.schedule = config.getSchedule(&saved.scheduleStored);
    if (!saved.scheduleStored) LOG_WARNING("Failed to get existing AU schedule setting.");
    saved.notifyType = config.getNotifyType();
    return saved;
}

void writePolicy(const SavedPolicy& saved) {
    au::Config config(1);
    if (saved.scheduleStored) config.setSchedule(saved.schedule);
    config.setNotifyType(saved.notifyType);
}

int registerRuntime() {
    const std::string tool = SysInfo::getProgramFilesCommonX86Dir() + auRegistrationTool;
    const std::string args = tool + tstrings::format(auRegistrationArguments, product::versionText);
    return ExecProcessWaitForFinish(tool, args, 1) == 0 ? auInstalled : auRegistrationFailed;
}

}  // namespace

bool IsAUUpgradable() {
    const auto order = compareInstalledWith(product::carriedAuVersion);
    return !order || *order < 0;
}

bool IsOlderAUInstalled() {
    const auto order = compareInstalledWith(product::carriedAuVersion);
    return order && *order < 0;
}

bool IsAUOlderThanTulk8() {
    const auto order = compareInstalledWith(auLegacyLayoutBelow);
    if (!order) {
        LOG_INFO("Failed to determine AU version. Most probably there is no AU installed");
        return false;
    }
    return *order < 0;
}

std::uint32_t UninstallOlderAU() {
    const std::string msiexec = GetMsiexecPath();
    return ExecProcessWithAtlMessageLoop(msiexec, tstrings::format("\"%s\" /x %s /qn", msiexec.c_str(), auProductCode));
}

int InstallAutoUpdate(bool oemUpdate, const std::string& packagePath, bool autoUpdate) {
    const std::string msiexec = GetMsiexecPath();
    if (msiexec.empty()) {
        LOG_ERROR("Error: InstallAutoUpdate(), couldn't find WIPath");
        return auRegistrationFailed;
    }
    if (!IsAUUpgradable()) {
        LOG_INFO("AU is not upgradable - Installed version >= the bundled version.\n");
        return auNotUpgradable;
    }
    std::optional<SavedPolicy> saved;
    if (IsOlderAUInstalled()) saved = readPolicy();
    // A failed uninstall is not reported: the new package goes over the old one.
    if (IsOlderAUInstalled()) UninstallOlderAU();

    const std::uint32_t code =
        ExecProcessWithAtlMessageLoop(msiexec, installLine(oemUpdate, autoUpdate, msiexec, packagePath));
    if (code != 0) {
        LOG_ERROR("Auto Update install failed");
        return static_cast<int>(code);
    }
    // Errors of these two steps are logged here: the component is installed whatever they do.
    if (saved) {
        try {
            writePolicy(*saved);
        }
        ZARN_CATCH_ALL
    }
    try {
        return registerRuntime();
    }
    ZARN_CATCH_ALL
    return auRegistrationError;
}

int InstallAutoUpdateComponent(bool oemUpdate, bool autoUpdate) {
    std::string directory = tstrings::format("%s\\Corvane\\", SysInfo::getUserDataDir().c_str());
    if (!makeDirectory(directory, "Can not create the Corvane directory to extract installer files. \n")) {
        return auNoDirectory;
    }
    directory = tstrings::format("%sZarn\\", directory.c_str());
    if (!makeDirectory(directory, "Can not create the Zarn directory to extract installer files. \n")) {
        return auNoDirectory;
    }
    directory = tstrings::format("%sAU\\", directory.c_str());
    if (!makeDirectory(directory, "Can not create the AU directory to extract installer files. \n")) {
        return auNoDirectory;
    }
    const std::string packagePath = tstrings::format("%sau.msi", directory.c_str());
    const auto package = EmbeddedPackage(auPackageResourceId);
    if (!package) return auNoPackage;
    // The product is installed already: a package that cannot be written ends only this installation.
    if (const auto failed = WriteBytesToFile(packagePath, *package)) {
        LOG_ERROR(failed->operation << "failed with " << WinErrorHandling::systemErrorText(failed->code));
        return static_cast<int>(failed->code);
    }
    return InstallAutoUpdate(oemUpdate, packagePath, autoUpdate);
}

void RegisterAUScheduler() {
    try {
        RegistryKey run(reg::wow64_32Key);
        run.open(platform::RegKey::localMachine, runKey);
        run.queryValue(auSchedulerRunValue);
        return;
    } catch (const std::runtime_error&) {
        // No start entry yet.
    }
    try {
        RegistryKey run(reg::wow64_32Key);
        run.open(platform::RegKey::localMachine, runKey, true, true);
        run.setStringValue(auSchedulerRunValue, path::join(SysInfo::getProgramFilesCommonX86Dir(), auScheduler));
    }
    ZARN_CATCH_ALL
}

int MachineAutoUpdate::install(bool oemUpdate, bool autoUpdate) {
    // The product is installed already: nothing here may end the run. An installed version that is
    // not four numbers cannot be compared and ends the attempt like any other error raised here.
    try {
        return InstallAutoUpdateComponent(oemUpdate, autoUpdate);
    }
    ZARN_CATCH_ALL_BUT_EXIT
    return auRegistrationError;
}

}  // namespace driver
