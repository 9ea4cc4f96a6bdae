#include "driver/setup_complete.h"

#include <vector>

#include "driver/browser_restart.h"
#include "driver/deploy_library.h"
#include "driver/system_phase.h"
#include "foundation/auto_handle.h"
#include "foundation/browsers.h"
#include "foundation/function_tracer.h"
#include "foundation/logger.h"
#include "foundation/product_constants.h"
#include "foundation/product_sites.h"
#include "foundation/tstrings_format.h"
#include "foundation/zarn_environment.h"
#include "net/net_utils.h"
#include "platform/machine.h"
#include "platform/win_errors.h"

namespace driver {

namespace reg = platform::reg;

namespace {

constexpr int pageBack = 1029;
constexpr int pageClose = 2;
constexpr std::uint32_t decisionDays = 30;
constexpr std::uint32_t homeLimit = 260;

platform::ErrorCode openMakerKey(std::uint32_t access, AutoRegKey& key) {
    return platform::machine().registry().openKey(platform::RegKey::localMachine, product::registryKey, access,
                                                  *key.put());
}

enum class Page { plugin, restore, complete };

}  // namespace

bool GetRegValueOfStringType(const char* name, std::string& value) {
    AutoRegKey key;
    const bool wide = MachineSystemFacts().is64BitProcess();
    platform::ErrorCode opened = platform::err::success;
    if (wide) opened = openMakerKey(reg::read | reg::wow64_64Key, key);
    if (!wide || opened != platform::err::success) {
        LOG_ERROR(tstrings::format("Error Opening RegKey at 64 bit loaction: %d", static_cast<int>(opened)));
        opened = openMakerKey(reg::read | reg::wow64_32Key, key);
        if (opened != platform::err::success) {
            LOG_ERROR(tstrings::format("Error Opening RegKey at 32 or 64 bit loaction: %d", static_cast<int>(opened)));
            return false;
        }
    }
    std::uint32_t type = 0;
    std::uint32_t size = 0;
    auto& registry = platform::machine().registry();
    platform::ErrorCode read = registry.queryValue(key.get(), name, &type, nullptr, size);
    std::vector<std::uint8_t> bytes(size);
    if (read == platform::err::success && size > 0) read = registry.queryValue(key.get(), name, &type, bytes.data(), size);
    if (read != platform::err::success) {
        LOG_ERROR(tstrings::format("Registry Value not found: %d", static_cast<int>(read)));
        return false;
    }
    if (type != reg::sz) {
        LOG_ERROR(tstrings::format("Registry Value not of type REG_SZ: %d", static_cast<int>(type)));
        return false;
    }
    value.assign(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(size));
    while (!value.empty() && value.back() == '\0') value.pop_back();
    return true;
}

void deleteRestartValue(const char* name) {
    AutoRegKey key;
    // The view a process of this width opens by default, named so that the simulated machine agrees.
    const std::uint32_t view = MachineSystemFacts().is64BitProcess() ? reg::wow64_64Key : reg::wow64_32Key;
    platform::ErrorCode error = openMakerKey(reg::setValue | view, key);
    if (error == platform::err::success) error = platform::machine().registry().deleteValue(key.get(), name);
    if (error != platform::err::success) LOG_ERROR("Deleting " << name << " failed with " << error);
}

std::string GetDefaultKobuInstallLocation() {
    auto& registry = platform::machine().registry();
    AutoRegKey environment;
    if (registry.openKey(platform::RegKey::localMachine, product::runtimeEnvironmentKey, reg::read,
                         *environment.put()) != platform::err::success) {
        LOG_INFO("ERROR: FindZarnHome Open(KOBUMAINKEY) failed.");
    } else {
        AutoRegKey version;
        if (registry.openKey(environment.get(), product::plainVersion, reg::read, *version.put()) !=
            platform::err::success) {
            LOG_INFO("ERROR: FindZarnHome Open(version) failed.");
        } else {
            std::uint32_t type = 0;
            std::uint8_t buffer[homeLimit] = {};
            std::uint32_t size = sizeof buffer;
            if (registry.queryValue(version.get(), zarn_env::homeValue, &type, buffer, size) == platform::err::success &&
                type == reg::sz) {
                std::string home(reinterpret_cast<const char*>(buffer), size);
                home.resize(home.find('\0') == std::string::npos ? home.size() : home.find('\0'));
                if (!home.empty()) return home;
            }
        }
    }
    LOG_ERROR("Cannot determine ZarnHome");
    return {};
}

void InitSetupCompleteData(SetupCompleteData& data, bool showBack, bool showVerifyPage, bool showSecurityNote) {
    data = SetupCompleteData{};
    data.restartNow = true;
    data.showBack = showBack;
    data.showSecurityNote = showSecurityNote;
    bool verify = showVerifyPage;
    MachineSystemFacts system;
    if (!system.is64BitProcess()) {
        std::string ignored;
        if (GetRegValueOfStringType(firefoxRestartValue, ignored)) {
            data.firefoxRestart = true;
            LOG_INFO("The Firefox browser restart flag is set");
        }
        if (GetRegValueOfStringType(ieRestartValue, ignored)) {
            data.ieRestart = true;
            LOG_INFO("The IE browser restart flag is set");
        }
        if (data.firefoxRestart || data.ieRestart) {
            LOG_INFO("The browser restart flag is set for the final dialog");
            data.restartOffered = true;
            verify = false;
        }
    } else {
        LOG_INFO("The installer is 64 bit online, set bShowVerifyPage = FALSE");
        verify = false;
    }
    if (!NetUtils::isConnected()) {
        LOG_INFO("Internet Connection not available");
        verify = false;
    }
    if (verify) {
        LOG_INFO("Verify page will be displayed, so show text");
        data.showVerifyText = true;
    }
}

void ProcessRestoreSecurityData(const std::string& home, bool restore) {
    TRACE_FUNCTION("");
    try {
        DeployLibLoader library(home);
        if (restore) {
            LOG_INFO("Checkbox for restoreSecurityPrompts is selected. Calling deploy to doClearUserPreviousDecisions...");
            DeployLibLoader::logResult(
                "doClearUserPreviousDecisions",
                library.QueryDeployForUserStatus(deploy::Query::clearPreviousDecisions, decisionDays) == 1);
        } else {
            LOG_INFO(
                "Checkbox for restoreSecurityPrompts is NOT selected. Calling deploy to doResetUserPreviousDecisions...");
            DeployLibLoader::logResult("doResetUserPreviousDecisions",
                                       library.QueryDeployForUserStatus(deploy::Query::resetPreviousDecisions, 0) == 1);
        }
    } catch (const DeployLibLoaderError& e) {
        LOG_ERROR("DeployLibLoaderError in ProcessRestoreSecurityData " << e.what());
    }
}

CompletionOutcome ShowCompletionPages(CompletionPages& pages, const std::string& home, bool showVerifyPage,
                                      bool showSecurityNote) {
    CompletionOutcome outcome;
    bool pluginDisabled = false;
    try {
        DeployLibLoader library(home);
        pluginDisabled = library.QueryDeployForUserStatus(deploy::Query::pluginStatus, 0) == 0;
        DeployLibLoader::logResult("isZarnPluginDisabled", pluginDisabled);
        outcome.previousDecisionsExist =
            library.QueryDeployForUserStatus(deploy::Query::previousDecisionsExist, decisionDays) == 1;
        DeployLibLoader::logResult("isPreviousSecurityDecisionsExist", outcome.previousDecisionsExist);
    } catch (const DeployLibLoaderError& e) {
        LOG_ERROR("DeployLibLoaderError in DeployLibLoader constructor " << e.what());
        pluginDisabled = false;
        outcome.previousDecisionsExist = false;
    }
    InitSetupCompleteData(outcome.data, pluginDisabled || outcome.previousDecisionsExist,
                          showVerifyPage && !pluginDisabled, showSecurityNote);

    std::vector<Page> sequence;
    if (pluginDisabled) {
        LOG_INFO("Adding ZarnPlugin pane. It will be shown.");
        sequence.push_back(Page::plugin);
    }
    if (outcome.previousDecisionsExist) {
        LOG_INFO("Adding  RestoreSecurity pane. It will be shown.");
        sequence.push_back(Page::restore);
    }
    LOG_INFO("The installer will display the Setup Complete dialog");
    sequence.push_back(Page::complete);

    std::size_t index = 0;
    while (index < sequence.size()) {
        LOG_INFO("ShowDialogs: pane index is " << index);
        int result = pageClose;
        switch (sequence[index]) {
            case Page::plugin: result = pages.plugin(); break;
            case Page::restore: result = pages.restoreSecurity(pluginDisabled, outcome.restore); break;
            case Page::complete: result = pages.setupComplete(outcome.data); break;
        }
        if (result == pageClose) {
            LOG_INFO("Cancel is pushed, exit ShowDialogs");
            break;
        }
        if (result == pageBack && index > 0) {
            --index;
        } else if (result != pageBack) {
            ++index;  // Next; a Back with nothing before it shows the page again
        }
    }
    LOG_INFO("The Setup Complete dialog is closed");
    return outcome;
}

void ProcessSetupCompleteData(const SetupCompleteData& data, const std::string& installMethod) {
    TRACE_FUNCTION("");
    if (data.restartOffered && data.restartNow) {
        LOG_INFO("The installer will restart browser");
        BrowserRestart();
    } else {
        if (data.ieRestart) deleteRestartValue(ieRestartValue);
        if (data.firefoxRestart) deleteRestartValue(firefoxRestartValue);
    }
    if (!data.showVerifyText) return;
    if (tstrings::compareNoCase(installMethod, "zchrome") == 0) {
        LaunchChrome();
    } else if (tstrings::compareNoCase(installMethod, "zxpi") == 0) {
        LaunchFirefox();
    } else if (tstrings::compareNoCase(installMethod, "zcab") == 0) {
        LaunchIE();
    } else {
        browsers::launchDefault(product::sites::verifyPage);
    }
}

void FinishUIInstallationWithSecurityPrompts(CompletionPages& pages, const std::string& installDir,
                                             bool showVerifyPage, bool showSecurityNote,
                                             const std::string& installMethod) {
    TRACE_FUNCTION("");
    const std::string home = installDir.empty() ? GetDefaultKobuInstallLocation() : installDir;
    const auto outcome = ShowCompletionPages(pages, home, showVerifyPage, showSecurityNote);
    if (outcome.previousDecisionsExist) ProcessRestoreSecurityData(home, outcome.restore);
    ProcessSetupCompleteData(outcome.data, installMethod);
}

}  // namespace driver
