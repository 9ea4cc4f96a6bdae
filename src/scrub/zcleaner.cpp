#include "scrub/zcleaner.h"

#include "foundation/errors.h"
#include "foundation/logger.h"
#include "foundation/path.h"
#include "foundation/process_exit.h"
#include "foundation/product_constants.h"
#include "foundation/sys_info.h"
#include "foundation/tstrings_format.h"
#include "foundation/version_details.h"
#include "platform/machine.h"
#include "platform/win_errors.h"
#include "scrub/scrub_constants.h"

namespace zscrub {

namespace {

namespace reg = platform::reg;
namespace zv = ZarnVersionDetails;

/// The versions where the product-code families change.
struct FamilyBoundaries {
    ZarnVersion v142{"1.4.2"};
    ZarnVersion v150{"1.5.0"};
    ZarnVersion v160u10{"1.6.0_10"};
};

const FamilyBoundaries& boundaries() {
    static const FamilyBoundaries b;
    return b;
}

bool presenceKeyExists(std::string_view versionText, int bitness) {
    const std::uint32_t view = bitness == 64 ? reg::wow64_64Key : reg::wow64_32Key;
    auto& registry = platform::machine().registry();
    platform::RegKey key = platform::RegKey::null;
    const std::string path = std::string(product::runtimeEnvironmentKey) + "\\" + std::string(versionText);
    if (registry.openKey(platform::RegKey::localMachine, path, reg::read | view, key) != platform::err::success) {
        return false;
    }
    registry.closeKey(key);
    return true;
}

[[noreturn]] void cannotStartMsiexec() {
    if (AutoHandle log = openScrubLog()) {
        const std::string_view text = "Cannot execute msiexec.exe";
        std::uint32_t written = 0;
        platform::machine().fileSystem().writeFile(log.get(), text.data(), static_cast<std::uint32_t>(text.size()),
                                                   written);
    }
    platform::machine().processes().writeStandardError("Cannot execute misexec.exe");
    endProcess(-1);
}

}  // namespace

std::string ZCleaner::getProductGUID(std::string_view versionText, int bitness, ProductCodeForm form) {
    const ZarnVersion v(versionText);
    const std::string bits = std::to_string(bitness);
    const auto& b = boundaries();
    const bool early = v < b.v160u10;
    std::string prefix;
    if (v < b.v142) {
        ZARN_THROW(std::runtime_error, "Zarn version less than 1.4.2 is not supported");
    } else if (v < b.v150) {
        prefix = prefix142;
    } else if (early) {
        prefix = bits + prefix150Tail;
    } else if (v[zv::update] >= 100) {
        prefix = prefixModern + bits;
    } else if (v[zv::minor] == 7 && v[zv::update] >= 60 && v[zv::update] <= 71) {
        prefix = prefixModern7u60 + bits;
    } else {
        prefix = prefixModernOther + bits;
    }
    const char* tail = form == ProductCodeForm::B ? "FF" : (early ? "0" : "F0");
    return tstrings::format("{%s%d%d%d%02d%s}", prefix.c_str(), v[zv::major], v[zv::minor], v[zv::micro],
                            v[zv::update], tail);
}

bool ZCleaner::attempt(std::string_view versionText, int bitness, ProductCodeForm form, std::uint32_t& exitCode) {
    return runUninstaller(getProductGUID(versionText, bitness, form), exitCode);
}

bool ZCleaner::uninstallVersion(std::string_view versionText, int bitness, std::uint32_t& exitCode) {
    if (!presenceKeyExists(versionText, bitness)) return false;
    const ZarnVersion v(versionText);
    if (boundaries().v142 <= v && v < boundaries().v160u10) {
        return attempt(versionText, bitness, ProductCodeForm::A, exitCode);
    }
    if (attempt(versionText, bitness, ProductCodeForm::A, exitCode)) return true;
    // Later releases were also packaged with a second code per update; any update of the release
    // down to the first may be the one that installed it.
    const std::string base = zv::toString(zv::releaseCopy(v));
    for (auto update = v[zv::update]; update >= 0; --update) {
        if (attempt(base + "_" + std::to_string(update), bitness, ProductCodeForm::B, exitCode)) return true;
    }
    return false;
}

bool runUninstaller(std::string_view productCode, std::uint32_t& exitCode) {
    const std::string msiexec = path::join(SysInfo::getSystem32Dir(), msiexecName);
    std::string commandLine = tstrings::format(uninstallCommand, msiexec.c_str(), std::string(productCode).c_str());
    if (commandLine.size() >= uninstallCommandLimit) commandLine.resize(uninstallCommandLimit - 1);

    auto& machine = platform::machine();
    platform::ProcessInformation process;
    if (machine.processes().createProcess("", commandLine, 0, platform::StartupInfo{}, process) !=
        platform::err::success) {
        cannotStartMsiexec();
    }
    const AutoHandle processHandle(process.process);
    const AutoHandle threadHandle(process.thread);
    platform::ErrorCode waitError = 0;
    machine.kernel().waitForSingleObject(processHandle.get(), platform::kernel::infinite, waitError);
    std::uint32_t code = 0;
    // An exit code that cannot be read is no success: the error takes its place.
    const auto read = machine.processes().exitCodeProcess(processHandle.get(), code);
    exitCode = read == platform::err::success ? code : read;

    const bool removed = exitCode == 0 || exitCode == successRebootRequired;
    // The entry goes once the product is gone, or when msiexec does not know it (an orphan); after any
    // other failure the product is still installed and must stay listed.
    if (removed || exitCode == unknownProduct) {
        machine.registry().deleteKey(platform::RegKey::localMachine,
                                     std::string(product::uninstallKey) + "\\" + std::string(productCode), 0);
    }
    return removed;
}

AutoHandle openScrubLog() {
    auto& files = platform::machine().fileSystem();
    std::string directory;
    if (files.tempPath(directory) != platform::err::success) directory = unexpandedTemp;
    std::string name = directory + scrubLogName;
    if (name.size() > scrubLogPathLimit) name.resize(scrubLogPathLimit);
    platform::Handle file = platform::Handle::null;
    if (const auto e = files.createFile(name, platform::file::appendData, platform::file::shareRead,
                                        platform::file::openAlways, platform::file::attributeNormal, file, {})) {
        platform::machine().processes().writeStandardError("Create-File-Wrapper:" +
                                                           WinErrorHandling::systemErrorText(e));
        return AutoHandle(platform::Handle::invalid);
    }
    return AutoHandle(file);
}

}  // namespace zscrub
