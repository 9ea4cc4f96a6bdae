// The installer's merged configuration: built-in defaults, the runtime configuration file, the install
// configuration file named by INSTALLCFG and the command line, read through the configuration
// library's function table only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "config/key_table.h"
#include "platform/types.h"
#include "settings/settings_api.h"

namespace config {

/// Positions in enableDisableKeys().
enum EnableDisableSetting : std::size_t {
    eInstallSilent, eStatic, eAutoUpdate, eSponsors, eWebZarn, eWebAnalytics, eEula, eOemUpdate,
    eDynamicBaselineOff, eNoVerify, eRepairMode, eLaunchedFromTulk, eFamilyUpgrade, eRunOnce, ePip,
    eReinstallNoPrompt, eNoStartMenu, eTestFinalDialog, eTestProgressDialog, eTestWelcomeDialog,
    eTestChangeDialog, eTestSetupErrorDialog, eTestErrorHelpDialog, eTestRetrySplashDialog,
};

/// Positions in stringKeys().
enum StringSetting : std::size_t {
    sInstallDir, sInstallCfg, sInstallDirPubKobu, sCountryOverride, sInstallUrl, sInstallMethod, sSponsorPref,
    sAddLocal, sReboot, sUsageTrackerCfg, sDeploymentRuleSet, sMsiCmdline, sCmdline,
};

/// Positions in intKeys().
enum IntSetting : std::size_t { iWebZarnSecurityLevel, iLang, iTestConfigFileErrors };

/// Loaded into the working configuration only.
inline constexpr const char* defaultConfigText =
    "INSTALL_SILENT=Disable\nSTATIC=Disable\nAUTO_UPDATE=Enable\nWEB_ANALYTICS=Enable\nEULA=Disable\n"
    "SPONSORS=Enable\nOEMUPDATE=Disable\n";

/// One configuration the installer owns, with its own copy of the function table.
struct OwnedConfig {
    explicit OwnedConfig(const settings::settings_api& table);
    ~OwnedConfig();
    OwnedConfig(const OwnedConfig&) = delete;
    OwnedConfig& operator=(const OwnedConfig&) = delete;

    settings::settings_api api;
    settings::Context* context = nullptr;
    bool allowKeyWithoutValue = false;
    bool stopOnError = true;
    const settings::Validator* validator = nullptr;
    const settings::KeyMapper* keyMapper = nullptr;
};

class InstallConfigData {
public:
    /// Builds the validator and key mapper, the three configurations, and loads the defaults. A failure
    /// of the function table is thrown as settings::Exception with its code.
    explicit InstallConfigData(platform::Module module = platform::Module::self);
    ~InstallConfigData() = default;
    InstallConfigData(const InstallConfigData&) = delete;
    InstallConfigData& operator=(const InstallConfigData&) = delete;

    /// Merges every source into the working and export configurations; 0 or the error code, which has
    /// been shown (or, silent, logged) already.
    int LoadConfigSettings(std::u16string_view commandLine);
    /// After a successful installation: writes the settings that persist to the runtime file.
    int SaveRuntimeConfig();
    /// After a failed installation: puts the runtime file back as it was before the run.
    int RestoreRuntimeConfig();

    // Getters of the working configuration; each throws settings::Exception with the table's code.
    bool getEnableDisable(EnableDisableSetting setting) const;
    /// Present and true.
    bool isEnabled(EnableDisableSetting setting) const;
    std::string getStringSetting(StringSetting setting) const;
    std::u16string getWideStringSetting(StringSetting setting) const;
    std::int32_t getIntSetting(IntSetting setting) const;

    /// The key is present, with or without a value.
    static bool hasKey(const char* key, const OwnedConfig& configuration);
    bool hasKey(const char* key) const { return hasKey(key, working_); }
    /// "/s" or "-download" is present, or INSTALL_SILENT is enabled.
    bool isSilent() const;
    /// The path given after "/l" (or a longer switch beginning with it); empty when none.
    const std::string& installLogPath() const { return installLogPath_; }

    OwnedConfig& workingConfig() { return working_; }
    OwnedConfig& exportConfig() { return export_; }
    OwnedConfig& backupConfig() { return backup_; }
    bool defaultsLoaded() const { return defaultsLoaded_; }
    platform::Module module() const { return module_; }

    /// The log text of a configuration: one "key = value" line per key of the table that is present.
    static std::string dumpConfig(const OwnedConfig& configuration, std::string_view title);

    /// Shows the message of `code` (unless silent) and logs it; true only for 0.
    static bool ShowConfigError(platform::Module module, const OwnedConfig& configuration, std::int32_t code,
                                const std::string& text, bool silent);

private:
    int ImportArgsConfigSettings(OwnedConfig& configuration, const std::vector<std::string>& args, std::size_t count,
                                 bool quiet);
    /// With `exportedOnly`, a key the installer does not export is not taken from the file (logged).
    int ImportRuntimeConfigSettings(OwnedConfig& configuration, bool silent, bool exportedOnly = true);
    void dropUnexportedRuntimeKeys(OwnedConfig& configuration, const std::string& path);
    bool isExported(const std::string& key) const;
    int ImportInstallConfigSettings(OwnedConfig& configuration, const std::string& path, bool silent);
    int CheckParams(OwnedConfig& configuration, bool silent);
    int CheckParam(const KeyRecord& record, const std::string& value) const;
    int loadFromSources(OwnedConfig& configuration, const std::string& installConfigPath,
                        const std::vector<std::string>& args, bool silent);
    int addCmdline();
    void normalizeExport();
    int ExportConfigSettings(OwnedConfig& configuration, bool silent);
    void removeRuntimeFile();
    std::string runtimeConfigPath() const;
    template <class Setting>
    std::int32_t getIntFrom(std::span<const char* const> keys, Setting setting) const;
    const KeyRecord* matchArgument(std::string_view name, bool hasSeparator) const;
    std::int32_t loadText(OwnedConfig& configuration, const std::string& text) const;
    void adopt(OwnedConfig& configuration) const;

    settings::settings_api api_;
    std::vector<KeyRecord> records_;
    std::unique_ptr<settings::Validator, void (*)(settings::Validator*)> validator_;
    std::unique_ptr<settings::KeyMapper, void (*)(settings::KeyMapper*)> keyMapper_;
    OwnedConfig working_;
    OwnedConfig export_;
    OwnedConfig backup_;
    bool defaultsLoaded_ = false;
    platform::Module module_;
    const bool IsInstallerEnterprise = false;
    std::string installLogPath_;
};

}  // namespace config
