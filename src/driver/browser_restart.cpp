#include "driver/browser_restart.h"

#include <string>

#include "driver/setup_complete.h"
#include "driver/system_phase.h"
#include "foundation/executor.h"
#include "foundation/logger.h"
#include "foundation/process_closer.h"
#include "foundation/product_sites.h"
#include "foundation/auto_handle.h"
#include "foundation/registry_key.h"
#include "metrics/registry_text.h"
#include "platform/machine.h"
#include "platform/win_errors.h"
#include "foundation/tstrings_convert.h"
#include "foundation/tstrings_format.h"

namespace driver {

namespace {

constexpr const char* appPaths = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";
constexpr std::size_t versionLimit = 260;

constexpr std::uint32_t textCapacity = 1024;

/// The text value `name` of `path` under HKEY_LOCAL_MACHINE, as this process sees it; `error` says
/// why there is none.
std::optional<std::string> machineText(const std::string& path, std::string_view name,
                                       platform::ErrorCode* error = nullptr) {
    AutoRegKey key;
    std::string text;
    platform::ErrorCode e = platform::machine().registry().openKey(platform::RegKey::localMachine, path,
                                                                   platform::reg::read, *key.put());
    if (e == platform::err::success) e = UpdateConf::queryText(key.get(), name, textCapacity, text);
    if (error != nullptr) *error = e;
    if (e != platform::err::success) return std::nullopt;
    return text;
}

/// The install directory of the first Firefox found: its "CurrentVersion" (not below "1.0"), then
/// that version's "Main" key.
std::optional<std::string> firefoxDirectory() {
    for (const char* product : {"Mozilla Firefox", "Minefield"}) {
        const std::string key = std::string("SOFTWARE\\Mozilla\\") + product;
        const auto version = machineText(key, "CurrentVersion");
        if (!version || version->size() >= versionLimit) continue;
        if (tstrings::compareNoCase(*version, "1.0") < 0) continue;
        if (auto directory = machineText(key + "\\" + *version + "\\Main", "Install Directory")) return directory;
    }
    return std::nullopt;
}

bool valuePresent(const char* name) {
    std::string ignored;
    return GetRegValueOfStringType(name, ignored);
}

}  // namespace

bool LaunchChrome() {
    platform::ErrorCode error = platform::err::success;
    const auto directory = machineText(std::string(appPaths) + "chrome.exe", "path", &error);
    if (!directory) {
        LOG_ERROR(tstrings::format("LaunchChrome(): Failed to find Chrome.exe path: %d", static_cast<int>(error)));
        return false;
    }
    const std::string program = tstrings::format("%s\\chrome.exe", directory->c_str());
    const std::string arguments =
        tstrings::format("\"%s\" -new-window \"%s\"", program.c_str(), product::sites::verifyPage);
    if (ExecProcess(program, arguments) != 0) {
        LOG_ERROR("LaunchChrome(): ExecProcess() failed.");
        return false;
    }
    return true;
}

bool LaunchFirefox() {
    const auto directory = firefoxDirectory();
    if (!directory) {
        LOG_ERROR("LaunchFirefox(): Failed to find the Firefox install directory");
        return false;
    }
    const std::string program = tstrings::format("%s\\firefox.exe", directory->c_str());
    if (ExecProcessAsDesktopUser(program, tstrings::format(" -new-window %s", product::sites::verifyPage)) != 0) {
        LOG_ERROR("LaunchFirefox(): ExecProcessAsDesktopUser() failed.");
        return false;
    }
    return true;
}

bool LaunchIE() {
    LOG_INFO("Restart IE");
    std::string program;
    try {
        RegistryKey key;
        try {
            key.open(platform::RegKey::localMachine, std::string(appPaths) + "IEXPLORE.EXE");
        } catch (const std::exception&) {
            LOG_INFO("LaunchIE ---- failed to open version IExplore key ---- ");
            return false;
        }
        program = key.queryStringValue("");
    } catch (const std::exception&) {
        LOG_INFO("LaunchIE ---- failed to get value of the IExplore.exe string ---- ");
        return false;
    }
    if (ExecProcessAsDesktopUser(program, tstrings::format(" %s", product::sites::verifyPage)) != 0) {
        LOG_ERROR("LaunchIE(): ExecProcessAsDesktopUser() failed.");
        return false;
    }
    return true;
}

bool BrowserRestart() {
    const bool thirtyTwoBit = !MachineSystemFacts().is64BitProcess();
    bool ieClosed = false;
    bool restarted = false;
    if (valuePresent(ieRestartValue)) {
        deleteRestartValue(ieRestartValue);
        if (thirtyTwoBit) {
            LOG_INFO("The IE browser will be closed");
            processes::closeByName("iexplore.exe", processes::CloseRequest::postClose);
            ieClosed = true;
        }
    }
    if (valuePresent(firefoxRestartValue)) {
        deleteRestartValue(firefoxRestartValue);
        if (thirtyTwoBit) {
            LOG_INFO("The Firefox browser will be closed");
            processes::closeByName("firefox.exe", processes::CloseRequest::destroy);
            LOG_INFO("The Firefox browser will be restarted");
            restarted = LaunchFirefox() || restarted;
        }
    }
    if (ieClosed) {
        LOG_INFO("The IE browser will be restarted");
        restarted = LaunchIE() || restarted;
    }
    return restarted;
}

}  // namespace driver
