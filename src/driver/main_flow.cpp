#include "driver/main_flow.h"

#include <optional>

#include "driver/driver_constants.h"
#include "driver/install_flag.h"
#include "driver/mendara_registry.h"
#include "driver/process_values.h"
#include "driver/run_state.h"
#include "foundation/catch_handlers.h"
#include "foundation/locale.h"
#include "foundation/logger.h"
#include "foundation/path.h"
#include "foundation/process_exit.h"
#include "foundation/tstrings_format.h"
#include "net/network_bounds.h"
#include "net/request_deadline.h"
#include "platform/machine.h"

namespace driver {

namespace {

constexpr int changeFolderTextLimit = 260;

class InstallerRun {
public:
    InstallerRun(Phases& phases, std::string commandLine) : p_(phases), commandLine_(std::move(commandLine)) {}

    /// The run with its exception rule: 1 before the package ran, the package's result after.
    int run() {
        try {
            return walk();
        } catch (const ProcessExit& exit) {
            letGoOfPackage();
            return exit.code;
        } catch (const std::exception& e) {
            logCaughtException(ZARN_LOCATION, e);
        } catch (...) {
            logCaughtUnknown(ZARN_LOCATION);
        }
        letGoOfPackage();
        LOG_INFO("Wrapper exit code: " << trackedResult_);
        return trackedResult_;
    }

private:
    int walk() {
        startUp();
        if (!loadConfiguration()) return exitConfigurationError;
        chooseLanguage();
        applyEarlySettings();
        if (runTestSwitch()) return 0;
        composeExtraCommandLine();
        if (!launchedFromTulk() && anotherInstallationRunning()) return exitRefused;
        if (const auto refused = applyReinstallRules()) return *refused;
        turnOffVerifyPageFor64Bit();
        warnAboutOldSystem();
        if (!launchedFromTulk() && !takeInstallFlag()) return exitRefused;
        if (extractPackage()) {
            p_.payload.getOptionsFromXmlIfOnline(!s_.silent);
            runWizard();
            prepareCommandLine();
            decideSecurityNote();
            runPackage();
            afterPackage();
        }
        return endOfRun();
    }

    bool launchedFromTulk() const { return s_.launchedFromTulk; }

    /// A run that ends early (a cancelled page, an error) lets go of the package it may hold.
    void letGoOfPackage() {
        try {
            p_.payload.releasePackage();
        }
        ZARN_CATCH_ALL
    }

    // Step 1.
    void startUp() {
        LOG_INFO("Wrapper begin...");
        processValues().uiLanguage = Locale::englishLangId;
        LOG_INFO("Running offline Kobu wrapper with command line=<" << commandLine_ << ">");
        p_.startup.removeCurrentDirectoryFromDllSearch();
        for (const int architecture : {32, 64}) {
            const std::string baseImage = path::join(p_.system.patchCache(architecture), baseImageName);
            if (p_.files.exists(baseImage)) p_.files.deleteFile(baseImage);
        }
        if (!p_.startup.initCommonControls()) {
            messageBox("Could not initialize common controls!", "Failure", platform::mb::iconError);
        }
        action_.internalUiLevel = 2;
        s_.is64BitProcess = p_.system.is64BitProcess();
        s_.familyUpgrade = p_.runtimes.isThisAFamilyUpgrade();
        ClearInstallStatus();
        setCountryCode(initialCountryCode);
        processValues().installMethod = installMethodOffline;
        s_.latestRuntimeKey = p_.metrics.latestKobuKey();
        s_.previousAuVersion = ReadPreviousAuVersion();
    }

    // Step 2.
    bool loadConfiguration() {
        LOG_INFO("Wrapper Load ConfigSettings...");
        if (p_.configuration.load(platform::machine().system().commandLine()) != 0) {
            LOG_ERROR("Error occurred while loading configuration settings. Exiting installer.");
            return false;
        }
        auto& c = p_.configuration;
        s_.staticInstall = c.boolean(ConfigKey::staticInstall);
        s_.oemUpdate = flag(ConfigKey::oemUpdate);
        s_.silent = c.has(ConfigKey::switchSilent) || c.has(ConfigKey::switchDownload) || c.isSilent();
        processValues().silent = s_.silent;
        s_.showVerifyPage = !flag(ConfigKey::noVerify);
        s_.launchedFromTulk = flag(ConfigKey::launchedFromTulk);
        return true;
    }

    /// A boolean setting counts only when present.
    bool flag(ConfigKey key) { return p_.configuration.has(key) && p_.configuration.boolean(key); }

    // Step 3.
    void chooseLanguage() {
        langId_ = p_.localization.defaultLangId();
        if (p_.configuration.has(ConfigKey::switchLang)) {
            try {
                langId_ = p_.localization.fromLangId(p_.configuration.integer(ConfigKey::switchLang));
            }
            ZARN_CATCH_ALL_BUT_EXIT
        }
        processValues().uiLanguage = langId_;
        if (langId_ != Locale::englishLangId) action_.properties[propertyTransforms] = ":" + std::to_string(langId_);
    }

    // Step 4.
    void applyEarlySettings() {
        if (p_.configuration.has(ConfigKey::countryOverride)) {
            WritePolicyValue(countryValue, p_.configuration.text(ConfigKey::countryOverride));
        }
        if (p_.configuration.has(ConfigKey::installDir)) {
            s_.installDir = tstrings::fitBuffer(p_.configuration.text(ConfigKey::installDir), 2048);
        }
    }

    // Step 5: each test switch shows its dialog and ends the run.
    bool runTestSwitch() {
        if (flag(ConfigKey::testFinalDialog)) {
            p_.completion.testFinalDialog(s_.showVerifyPage);
        } else if (flag(ConfigKey::testProgressDialog)) {
            p_.progress.testDialog();
        } else if (flag(ConfigKey::testWelcomeDialog)) {
            p_.wizard.testWelcome();
        } else if (flag(ConfigKey::testChangeDialog)) {
            p_.wizard.testChangeFolder();
        } else if (p_.configuration.has(ConfigKey::testConfigFileErrors)) {
            const long code = p_.configuration.integer(ConfigKey::testConfigFileErrors);
            LOG_INFO("TEST_CONFIG_FILE_ERRORS enabled.");
            LOG_INFO("Show error " << code);
            p_.configuration.showConfigError(static_cast<int>(code), "<path_to_config_file>");
        } else {
            return false;
        }
        return true;
    }

    // Step 6.
    void composeExtraCommandLine() {
        if (p_.configuration.has(ConfigKey::msiCmdline))
            s_.extraCommandLine = p_.configuration.text(ConfigKey::msiCmdline);
        if (p_.configuration.has(ConfigKey::cmdline))
            s_.extraCommandLine += " " + p_.configuration.text(ConfigKey::cmdline);
        action_.extraCommandLine = s_.extraCommandLine;
    }

    // Step 7: both answers must agree, so a flag released between them does not refuse the run.
    bool anotherInstallationRunning() {
        const bool first = IsInstallFlagHeld(p_.system);
        const bool second = IsInstallFlagHeld(p_.system);
        if (!(first && second)) return false;
        if (!s_.silent) {
            messageBox(tstrings::fitBuffer(text(idsInProgressText), 1024),
                       tstrings::fitBuffer(text(idsInProgressCaption), 256), platform::mb::iconInformation);
        }
        LOG_INFO(
            "Another Zarn installation is in progress. You must complete that installation before you can run "
            "this installer.");
        return true;
    }

    // Step 8.
    std::optional<int> applyReinstallRules() {
        LOG_INFO("Wrapper, check for reinstall case..");
        if (p_.runtimes.checkReinstallCase(s_.staticInstall, s_.silent) == 0) {
            LOG_INFO("A newer Kobu  build already exists. Exit install");
            return 0;
        }
        if (p_.runtimes.checkReinstallCase(s_.staticInstall, s_.silent) < 0) return exitRefused;
        return std::nullopt;
    }

    // Step 9.
    void turnOffVerifyPageFor64Bit() {
        if (!s_.is64BitProcess) return;
        LOG_INFO("The installer is 64 bit, set bShowVerifyPage = FALSE");
        s_.showVerifyPage = false;
    }

    // Step 10: an old system is warned about, never refused.
    void warnAboutOldSystem() {
        if (p_.system.osLevel() >= 2) return;
        if (!s_.silent) {
            messageBox(tstrings::fillIn(text(idsUnsupportedOsText), {"8"}), text(idsWarningCaption),
                       platform::mb::iconInformation | platform::mb::taskModal);
        }
        LOG_INFO("This is an unsupported operationg system.");
    }

    // Step 11.
    bool takeInstallFlag() {
        std::string flagPath;
        if (!GetInstallFlagPath(p_.system, flagPath)) {
            LOG_ERROR("Fail to get the file path for Zarn install flag ");
            return false;
        }
        platform::ErrorCode error = 0;
        processValues().installFlagHandle.reset(CreateInstallFlag(flagPath, error));
        if (!processValues().installFlagHandle) {
            LOG_ERROR(tstrings::format("Fail to set installation flag, ErrorCode is %d", static_cast<int>(error)));
            return false;
        }
        return true;
    }

    // Step 12: without a package the run goes straight to its end.
    bool extractPackage() {
        action_.packagePath = p_.payload.preparePackagePath();
        LOG_INFO("Wrapper: Extract MSI ...");
        return p_.payload.writePackage(action_.packagePath);
    }

    // Step 14.
    void runWizard() {
        if (s_.silent) return;
        bool changeFolder = false;
        if (!launchedFromTulk()) welcomeOrExit(changeFolder);
        action_.properties[propertySkipLicense] = "1";
        action_.properties[propertyProg] = "0";
        action_.properties[propertyEndDialog] = "0";
        while (changeFolder || launchedFromTulk()) {
            std::string folder = s_.installDir;
            const int result = p_.wizard.changeFolder(launchedFromTulk(), folder);
            if (result == dialogOk) {
                s_.installDir = tstrings::fitBuffer(folder, changeFolderTextLimit);
            } else if (result == dialogCancel) {
                cancelFromChangeFolder();
            } else if (result == dialogBack) {
                welcomeOrExit(changeFolder);
                continue;
            }
            break;
        }
    }

    void welcomeOrExit(bool& changeFolder) {
        if (p_.wizard.welcome(changeFolder) == dialogOk) return;
        processValues().installFlagHandle.reset();
        LOG_INFO("The user cancelled from Welcome dialog. Exit code: 0");
        endProcess(0);
    }

    void cancelFromChangeFolder() {
        trackedResult_ = exitChangeFolderCancelled;
        PingData data;
        data.latestRuntimeKey = data.latestRuntimeKeyAgain = s_.latestRuntimeKey;
        data.installResult = exitChangeFolderCancelled;
        data.auResult = s_.auResult;
        data.previousAuVersion = s_.previousAuVersion;
        data.regDeployStatus = s_.regDeployStatus;
        p_.ping.send(p_.configuration, data);
        processValues().installFlagHandle.reset();
        LOG_INFO("The user cancelled from Change Folder dialog. Exit code: 0");
        endProcess(0);
    }

    // Steps 15 to 18.
    void prepareCommandLine() {
        if (const auto cleared = ClearMSIStatus()) {
            LOG_ERROR(tstrings::format("initial ClearMSIStatus() failed.  Return Code: %d, ErrorCode: %d",
                                       static_cast<int>(cleared), static_cast<int>(cleared)));
            processValues().installFlagHandle.reset();
            endProcess(exitPreparationFailed);
        }
        if (!s_.installDir.empty()) action_.properties[propertyInstallDir] = s_.installDir;
        action_.logPath = p_.configuration.installLogPath();
        LOG_INFO("MSI command line: " << p_.payload.commandLine(action_));
        if (p_.configuration.exportSettings() != 0) {
            LOG_ERROR("Error occurred while exporting configuration settings. Exiting installer.");
            endProcess(exitPreparationFailed);
        }
    }

    // Step 19.
    void decideSecurityNote() {
        if (p_.configuration.has(ConfigKey::webZarnSecurityLevel) &&
            p_.configuration.integer(ConfigKey::webZarnSecurityLevel) == 2) {
            LOG_INFO("WEB_ZARN_SECURITY_LEVEL set to MED/2");
        } else if (s_.familyUpgrade) {
            LOG_INFO("Upgrade install and Security level >2, show the Med->High Security text");
            s_.showMedHighText = true;
        }
    }

    // Step 20.
    void runPackage() {
        s_.msiStatusError = 0;
        s_.msiStatusExtendedError = 0;
        LOG_INFO("Wrapper: Execute MSI ...");
        if (s_.silent) {
            CreateSilentInstallKey();
            packageRan(p_.payload.execCommand(action_));
            p_.payload.releasePackage();
            return;
        }
        p_.progress.create();
        packageRan(p_.payload.execCommand(action_));
        if (ReadInstallStatus() == reinstallStatus) {
            if (const auto cleared = ClearMSIStatus()) {
                LOG_ERROR(tstrings::format("ClearMSIStatus() failed.  Return Code: %d, ErrorCode: %d",
                                           static_cast<int>(cleared), static_cast<int>(cleared)));
                packageRan(static_cast<int>(cleared));
            } else {
                s_.msiStatusError = 0;
                s_.msiStatusExtendedError = 0;
                ClearInstallStatus();
                packageRan(p_.payload.execCommand(action_));
            }
        }
        p_.payload.releasePackage();
        p_.progress.hide();
        if (s_.installResult == 0) {
            if (!launchedFromTulk()) s_.removalResult = p_.removal.run();
            p_.completion.finishWithSecurityPrompts(s_.installDir, s_.showVerifyPage, s_.showMedHighText,
                                                    processValues().installMethod);
        } else {
            p_.completion.showError(s_.installResult);
        }
        p_.progress.destroy();
    }

    void packageRan(int result) {
        s_.installResult = result;
        trackedResult_ = result;
    }

    // Step 21.
    void afterPackage() {
        p_.files.deletePersistentFile(p_.system.system32Dir());
        if (p_.system.is64BitWindows()) p_.files.deletePersistentFile(p_.system.systemWow64Dir());
        if (s_.installResult != 0) {
            p_.configuration.restoreRuntimeConfig();
            if (const auto got = GetMSIStatus(s_.msiStatusError, s_.msiStatusExtendedError)) {
                LOG_ERROR(tstrings::format("GetMSIStatus() failed.  Return Code: %d, ErrorCode: %d",
                                           static_cast<int>(got), static_cast<int>(got)));
            }
            if (const auto cleared = ClearMSIStatus()) {
                LOG_ERROR(tstrings::format("ClearMSIStatus() after get failed.  Return Code: %d, ErrorCode: %d",
                                           static_cast<int>(cleared), static_cast<int>(cleared)));
            }
        } else {
            s_.auResult = p_.autoUpdate.install(s_.oemUpdate, p_.configuration.boolean(ConfigKey::autoUpdate));
        }
        s_.regDeployStatus = ReadRegDeployStatus();
        PingData data;
        data.removal = s_.removalResult;
        data.latestRuntimeKey = data.latestRuntimeKeyAgain = s_.latestRuntimeKey;
        data.installResult = s_.installResult;
        data.auResult = s_.auResult;
        data.previousAuVersion = s_.previousAuVersion;
        data.regDeployStatus = s_.regDeployStatus;
        data.msiStatusError = s_.msiStatusError;
        data.msiStatusExtendedError = s_.msiStatusExtendedError;
        p_.ping.send(p_.configuration, data);
        if (s_.oemUpdate) RemoveKobuMetrics();
    }

    // Step 22.
    int endOfRun() {
        DeleteSilentInstallKey();
        ClearInstallStatus();
        WritePolicyValue(visitorIdValue, std::nullopt);
        WritePolicyValue(methodValue, std::nullopt);
        processValues().installFlagHandle.reset();
        if (!s_.oemUpdate) p_.autoUpdate.registerScheduler();
        LOG_INFO("Wrapper exit code: " << s_.installResult);
        return s_.installResult;
    }

    std::string text(std::uint32_t id) { return p_.localization.loadString(langId_, id); }

    void messageBox(const std::string& message, const std::string& caption, std::uint32_t type) {
        platform::ErrorCode error = 0;
        platform::machine().desktop().messageBox(platform::Window::null, message, caption, type, error);
    }

    Phases& p_;
    std::string commandLine_;
    RunState s_;
    PackageAction action_;
    std::uint16_t langId_ = Locale::englishLangId;
    int trackedResult_ = 1;
};

}  // namespace

int RunInstaller(Phases& phases, const std::string& commandLine) {
    const int exitCode = InstallerRun(phases, commandLine).run();
    // The process ends now; whichever way the run left, the flag goes with it.
    processValues().installFlagHandle.reset();
    // A request left running at its deadline gets a last bounded wait; one that still runs after it is
    // the entry point's to leave behind.
    net::awaitAbandonedRequests(net::lastWaitMs);
    return exitCode;
}

}  // namespace driver
