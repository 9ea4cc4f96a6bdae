#include "driver/configuration_phase.h"

#include <stdexcept>

#include "foundation/errors.h"

namespace driver {

namespace {

enum class Kind { enableDisable, string, integer, presence };

struct Binding {
    Kind kind;
    std::size_t index;  // in the getter list of its kind
    const char* key;
};

Binding bindingOf(ConfigKey key) {
    using namespace config;
    switch (key) {
        case ConfigKey::switchSilent: return {Kind::presence, 0, "/s"};
        case ConfigKey::switchDownload: return {Kind::presence, 0, "-download"};
        case ConfigKey::switchLang: return {Kind::integer, iLang, "/lang"};
        case ConfigKey::installSilent: return {Kind::enableDisable, eInstallSilent, "INSTALL_SILENT"};
        case ConfigKey::staticInstall: return {Kind::enableDisable, eStatic, "STATIC"};
        case ConfigKey::autoUpdate: return {Kind::enableDisable, eAutoUpdate, "AUTO_UPDATE"};
        case ConfigKey::oemUpdate: return {Kind::enableDisable, eOemUpdate, "OEMUPDATE"};
        case ConfigKey::noVerify: return {Kind::enableDisable, eNoVerify, "NO_VERIFY"};
        case ConfigKey::launchedFromTulk: return {Kind::enableDisable, eLaunchedFromTulk, "LAUNCHEDFROMTULK"};
        case ConfigKey::testFinalDialog: return {Kind::enableDisable, eTestFinalDialog, "TEST_FINAL_DIALOG"};
        case ConfigKey::testProgressDialog: return {Kind::enableDisable, eTestProgressDialog, "TEST_PROGRESS_DIALOG"};
        case ConfigKey::testWelcomeDialog: return {Kind::enableDisable, eTestWelcomeDialog, "TEST_WELCOME_DIALOG"};
        case ConfigKey::testChangeDialog: return {Kind::enableDisable, eTestChangeDialog, "TEST_CHANGE_DIALOG"};
        case ConfigKey::webZarnSecurityLevel:
            return {Kind::integer, iWebZarnSecurityLevel, "WEB_ZARN_SECURITY_LEVEL"};
        case ConfigKey::testConfigFileErrors: return {Kind::integer, iTestConfigFileErrors, "TEST_CONFIG_FILE_ERRORS"};
        case ConfigKey::installDir: return {Kind::string, sInstallDir, "INSTALLDIR"};
        case ConfigKey::countryOverride: return {Kind::string, sCountryOverride, "COUNTRYOVERRIDE"};
        case ConfigKey::msiCmdline: return {Kind::string, sMsiCmdline, "MSI_CMDLINE"};
        case ConfigKey::cmdline: return {Kind::string, sCmdline, "CMDLINE"};
        case ConfigKey::webAnalytics: return {Kind::enableDisable, eWebAnalytics, "WEB_ANALYTICS"};
    }
    ZARN_THROW(std::logic_error, "no configuration key " + std::to_string(static_cast<int>(key)));
}

}  // namespace

config::InstallConfigData& InstallConfiguration::data() {
    if (!data_) ZARN_THROW(std::logic_error, "the install configuration is read before it was loaded");
    return *data_;
}

int InstallConfiguration::load(const std::u16string& commandLine) {
    data_ = std::make_unique<config::InstallConfigData>(module_);
    return data_->LoadConfigSettings(commandLine);
}

bool InstallConfiguration::has(ConfigKey key) { return data().hasKey(bindingOf(key).key); }

bool InstallConfiguration::boolean(ConfigKey key) {
    const Binding binding = bindingOf(key);
    if (!has(key)) return false;
    switch (binding.kind) {
        case Kind::enableDisable:
            return data().getEnableDisable(static_cast<config::EnableDisableSetting>(binding.index));
        case Kind::integer:
            return integer(key) != 0;
        case Kind::string:
        case Kind::presence:
            break;
    }
    return true;
}

long InstallConfiguration::integer(ConfigKey key) {
    const Binding binding = bindingOf(key);
    if (binding.kind != Kind::integer) ZARN_THROW(std::logic_error, std::string(binding.key) + " is not an integer");
    return data().getIntSetting(static_cast<config::IntSetting>(binding.index));
}

std::string InstallConfiguration::text(ConfigKey key) {
    const Binding binding = bindingOf(key);
    if (binding.kind != Kind::string) ZARN_THROW(std::logic_error, std::string(binding.key) + " is not a text");
    return data().getStringSetting(static_cast<config::StringSetting>(binding.index));
}

bool InstallConfiguration::isSilent() { return data().isSilent(); }

std::string InstallConfiguration::installLogPath() { return data().installLogPath(); }

int InstallConfiguration::exportSettings() { return data().SaveRuntimeConfig(); }

void InstallConfiguration::restoreRuntimeConfig() { data().RestoreRuntimeConfig(); }

void InstallConfiguration::showConfigError(int code, const std::string& fileName) {
    config::InstallConfigData::ShowConfigError(module_, data().workingConfig(), code, fileName, data().isSilent());
}

}  // namespace driver
