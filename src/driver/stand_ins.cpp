// STAND-INS for the parts of the run that are not built yet; see stand_ins.h. Each class names the
// part it stands in for.
#include "driver/stand_ins.h"

#include <map>
#include <stdexcept>

#include "driver/process_values.h"
#include "driver/startup_phase.h"
#include "driver/system_phase.h"
#include "foundation/errors.h"
#include "foundation/path.h"
#include "foundation/tstrings_convert.h"
#include "platform/machine.h"
#include "platform/win_errors.h"

namespace driver {

namespace {

namespace err = platform::err;

// Stands in for the file utilities.
class FileOpsStandIn final : public FileOps {
public:
    bool exists(const std::string& path) override {
        std::uint32_t attributes = 0;
        return platform::machine().fileSystem().getFileAttributes(path, attributes) == err::success;
    }
    void deleteFile(const std::string& path) override {
        if (const auto e = platform::machine().fileSystem().deleteFile(path)) {
            ZARN_THROW(SysError, "DeleteFile(" + path + ") failed", nullptr, e);
        }
    }
    void deletePersistentFile(const std::string&) override {}
};

// Stands in for the install configuration: switches and KEY=VALUE settings of the command line only.
class ConfigurationStandIn final : public Configuration {
public:
    int load(const std::u16string& commandLine) override {
        const std::string text = tstrings::toUtf8(commandLine);
        bool first = true;
        std::string token;
        bool quoted = false;
        const auto take = [&] {
            if (!first && !token.empty()) remember(token);
            first = false;
            token.clear();
        };
        for (const char c : text) {
            if (c == '"') {
                quoted = !quoted;
            } else if (!quoted && (c == ' ' || c == '\t')) {
                take();
            } else {
                token += c;
            }
        }
        take();
        return 0;
    }
    bool has(ConfigKey key) override { return values_.count(key) != 0; }
    bool boolean(ConfigKey key) override {
        const std::string value = text(key);
        return value == "1" || value == "Enable" || value == "enable";
    }
    long integer(ConfigKey key) override {
        try {
            return std::stol(text(key));
        } catch (const std::exception&) {
            return 0;
        }
    }
    std::string text(ConfigKey key) override {
        const auto found = values_.find(key);
        return found == values_.end() ? std::string() : found->second;
    }
    bool isSilent() override { return boolean(ConfigKey::installSilent); }
    std::string installLogPath() override { return {}; }
    int exportSettings() override { return 0; }
    void restoreRuntimeConfig() override {}
    void showConfigError(int, const std::string&) override {}

private:
    void remember(const std::string& token) {
        static const std::map<std::string, ConfigKey> names = {
            {"/s", ConfigKey::switchSilent},
            {"-download", ConfigKey::switchDownload},
            {"/lang", ConfigKey::switchLang},
            {"INSTALL_SILENT", ConfigKey::installSilent},
            {"STATIC", ConfigKey::staticInstall},
            {"AUTO_UPDATE", ConfigKey::autoUpdate},
            {"OEMUPDATE", ConfigKey::oemUpdate},
            {"NO_VERIFY", ConfigKey::noVerify},
            {"LAUNCHEDFROMTULK", ConfigKey::launchedFromTulk},
            {"INSTALLDIR", ConfigKey::installDir},
            {"COUNTRYOVERRIDE", ConfigKey::countryOverride},
            {"WEB_ZARN_SECURITY_LEVEL", ConfigKey::webZarnSecurityLevel},
        };
        const auto separator = token.find_first_of("=:");
        const std::string name = token.substr(0, separator);
        const auto found = names.find(name);
        if (found == names.end()) return;
        values_[found->second] = separator == std::string::npos ? std::string() : token.substr(separator + 1);
    }

    std::map<ConfigKey, std::string> values_;
};

// Stands in for installed-runtime detection: nothing installed, nothing in the way.
class RuntimeRulesStandIn final : public RuntimeRules {
public:
    bool isThisAFamilyUpgrade() override { return false; }
    int checkReinstallCase(bool, bool) override { return 1; }
};

// Stands in for the metrics store: no runtime recorded.
class MetricsStandIn final : public Metrics {
public:
    std::string latestKobuKey() override { return {}; }
};

// Stands in for extraction and the package run: the program carries no package yet.
class PayloadStandIn final : public Payload {
public:
    std::string preparePackagePath() override { return {}; }
    bool writePackage(const std::string&) override { return false; }
    int getOptionsFromXmlIfOnline() override { return 0; }
    std::string commandLine(const PackageAction& action) override { return action.extraCommandLine; }
    int execCommand(const PackageAction&) override { return 1603; }
};

// Stands in for the wizard pages: the user accepts every page as it is.
class WizardStandIn final : public Wizard {
public:
    int welcome(bool&) override { return 1; }
    int changeFolder(bool, std::string&) override { return 1; }
    void testWelcome() override {}
    void testChangeFolder() override {}
};

// Stands in for the progress dialog, the removal sequence, the completion pages, the auto-update
// component and the ping: nothing is shown, offered, installed or sent.
class ProgressUiStandIn final : public ProgressUi {
public:
    void create() override {}
    void hide() override {}
    void destroy() override {}
    void testDialog() override {}
};

class RemovalStandIn final : public Removal {
public:
    RemovalResult run() override { return {}; }
};

class CompletionStandIn final : public Completion {
public:
    void finishWithSecurityPrompts(const std::string&, bool, bool, const std::string&) override {}
    void showError(int) override {}
    void testFinalDialog(bool) override {}
};

class AutoUpdateStandIn final : public AutoUpdate {
public:
    int install(bool, bool) override { return -99; }
    void registerScheduler() override {}
};

class PingStandIn final : public Ping {
public:
    void send(Configuration&, const PingData&) override {}
};

}  // namespace

Phases& productionPhases() {
    static MachineSystemFacts system;
    static MachineStartup startup;
    static FileOpsStandIn files;
    static ConfigurationStandIn configuration;
    static MachineLocalization localization;
    static RuntimeRulesStandIn runtimes;
    static MetricsStandIn metrics;
    static PayloadStandIn payload;
    static WizardStandIn wizard;
    static ProgressUiStandIn progress;
    static RemovalStandIn removal;
    static CompletionStandIn completion;
    static AutoUpdateStandIn autoUpdate;
    static PingStandIn ping;
    static Phases phases{system,  startup, files,    configuration, localization, runtimes,   metrics,
                         payload, wizard,  progress, removal,       completion,   autoUpdate, ping};
    return phases;
}

}  // namespace driver
