// What the run needs from every other part of the installer. The run owns the order, the conditions
// and the exit codes; each interface here does one part's work and reports the result.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "driver/config_keys.h"
#include "driver/package_action.h"
#include "metrics/ping.h"
#include "scrub/scrub_ping_data.h"

namespace driver {

/// Facts of the operating system and its folders.
class SystemFacts {
public:
    virtual ~SystemFacts() = default;
    /// Native x64 and not under WOW64.
    virtual bool is64BitProcess() = 0;
    virtual bool is64BitWindows() = 0;
    /// 0 to 6; below 2 is older than Windows Vista.
    virtual int osLevel() = 0;
    /// The Windows Installer cache directory for runtimes of `architecture` (32 or 64).
    virtual std::string patchCache(int architecture) = 0;
    virtual std::string system32Dir() = 0;
    virtual std::string systemWow64Dir() = 0;
    /// The per-user folder for deployment files (low-integrity local application data from Vista on).
    virtual std::string perUserDataFolder() = 0;
};

/// Process set-up of the user interface.
class Startup {
public:
    virtual ~Startup() = default;
    /// Takes the current directory out of the library search path.
    virtual void removeCurrentDirectoryFromDllSearch() = 0;
    /// Common controls for the dialogs; false when they cannot be initialised.
    virtual bool initCommonControls() = 0;
};

/// File clean-up.
class FileOps {
public:
    virtual ~FileOps() = default;
    virtual bool exists(const std::string& path) = 0;
    virtual void deleteFile(const std::string& path) = 0;
    /// Removes the launcher copies the runtime leaves in a system directory.
    virtual void deletePersistentFile(const std::string& directory) = 0;
};

/// The merged install configuration: defaults, runtime file, install file and command line.
class Configuration {
public:
    virtual ~Configuration() = default;
    /// 0, or the configuration error code.
    virtual int load(const std::u16string& commandLine) = 0;
    virtual bool has(ConfigKey key) = 0;
    /// The value of a boolean setting, or its default when absent.
    virtual bool boolean(ConfigKey key) = 0;
    virtual long integer(ConfigKey key) = 0;
    virtual std::string text(ConfigKey key) = 0;
    virtual bool isSilent() = 0;
    /// The install log path given with "/l"; empty for none.
    virtual std::string installLogPath() = 0;
    /// Writes the settings that persist to the runtime configuration file; 0 or an error code.
    virtual int exportSettings() = 0;
    /// Puts back the runtime configuration file as it was before the run.
    virtual void restoreRuntimeConfig() = 0;
    /// Shows (or, silent, logs) the error report of `code` for `fileName`.
    virtual void showConfigError(int code, const std::string& fileName) = 0;
};

/// The user-interface language.
class Localization {
public:
    virtual ~Localization() = default;
    /// The LANGID of the locale chosen from the user's preferences.
    virtual std::uint16_t defaultLangId() = 0;
    /// The LANGID of the supported locale for `langId`; throws when none is supported.
    virtual std::uint16_t fromLangId(long langId) = 0;
    /// String `id` in `langId`, English when the language lacks it.
    virtual std::string loadString(std::uint16_t langId, std::uint32_t id) = 0;
};

/// Installed runtimes and the rules for installing over them.
class RuntimeRules {
public:
    virtual ~RuntimeRules() = default;
    virtual bool isThisAFamilyUpgrade() = 0;
    /// 0: a newer build is installed; negative: refused; positive: go on.
    virtual int checkReinstallCase(bool staticInstall, bool silent) = 0;
};

/// The metrics the registry keeps between runs.
class Metrics {
public:
    virtual ~Metrics() = default;
    /// The registry key name of the newest runtime installed before the run.
    virtual std::string latestKobuKey() = 0;
};

/// The product package: extraction, options document, command line and run.
class Payload {
public:
    virtual ~Payload() = default;
    /// Creates the package directory and returns the package path.
    virtual std::string preparePackagePath() = 0;
    /// Writes the embedded package to `path`; false when the program carries none.
    virtual bool writePackage(const std::string& path) = 0;
    /// 1 when the options document supplied a post-status address, else 0. WinINet's own dialogs
    /// are offered only when `interactive`.
    virtual int getOptionsFromXmlIfOnline(bool interactive) = 0;
    virtual std::string commandLine(const PackageAction& action) = 0;
    /// 0, a Windows Installer error code, or 1603.
    virtual int execCommand(const PackageAction& action) = 0;
    /// Lets go of the written package once it has run for the last time.
    virtual void releasePackage() = 0;
};

/// The welcome and change-folder pages.
class Wizard {
public:
    virtual ~Wizard() = default;
    /// 1 (OK) or another result; `changeFolder` holds the user's change-folder choice.
    virtual int welcome(bool& changeFolder) = 0;
    /// 1 (OK) with `folder` chosen, 2 (Cancel) or 1029 (Back).
    virtual int changeFolder(bool launchedFromTulk, std::string& folder) = 0;
    virtual void testWelcome() = 0;
    virtual void testChangeFolder() = 0;
};

/// The progress dialog shown while the package runs.
class ProgressUi {
public:
    virtual ~ProgressUi() = default;
    virtual void create() = 0;
    virtual void hide() = 0;
    virtual void destroy() = 0;
    virtual void testDialog() = 0;
};

/// The outcome of offering the removal of out-of-date runtimes, sent with the ping.
struct RemovalResult {
    bool offered = false;
    /// What the removal did, when it ran.
    std::optional<zscrub::ZarnScrubPingData> pingData;
};

class Removal {
public:
    virtual ~Removal() = default;
    virtual RemovalResult run() = 0;
};

/// The completion pages after the package run.
class Completion {
public:
    virtual ~Completion() = default;
    virtual void finishWithSecurityPrompts(const std::string& installDir, bool showVerifyPage, bool showMedHighText,
                                           const std::string& installMethod) = 0;
    virtual void showError(int installResult) = 0;
    virtual void testFinalDialog(bool showVerifyPage) = 0;
};

/// The auto-update component.
class AutoUpdate {
public:
    virtual ~AutoUpdate() = default;
    virtual int install(bool oemUpdate, bool autoUpdate) = 0;
    virtual void registerScheduler() = 0;
};

/// What the install ping reports.
struct PingData : UpdateConf::PingReport {
    RemovalResult removal;
};

class Ping {
public:
    virtual ~Ping() = default;
    virtual void send(Configuration& configuration, const PingData& data) = 0;
};

/// Everything the run calls.
struct Phases {
    SystemFacts& system;
    Startup& startup;
    FileOps& files;
    Configuration& configuration;
    Localization& localization;
    RuntimeRules& runtimes;
    Metrics& metrics;
    Payload& payload;
    Wizard& wizard;
    ProgressUi& progress;
    Removal& removal;
    Completion& completion;
    AutoUpdate& autoUpdate;
    Ping& ping;
};

}  // namespace driver
