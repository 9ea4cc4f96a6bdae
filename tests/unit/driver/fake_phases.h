// Test doubles of every phase of the run: each records what the run asked of it, in one event list,
// and answers as the test set it up.
#pragma once

#include <algorithm>
#include <functional>
#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "driver/phases.h"

namespace driver::test {

struct Events {
    std::vector<std::string> list;
    void add(std::string e) { list.push_back(std::move(e)); }
    int count(const std::string& e) const { return static_cast<int>(std::count(list.begin(), list.end(), e)); }
    bool has(const std::string& e) const { return count(e) > 0; }
};

/// A double that records into the run's event list.
struct Recording {
    explicit Recording(Events& e) : events(e) {}
    Events& events;
};

/// The next scripted answer; the last one repeats.
inline int takeNext(std::vector<int>& answers) {
    const int answer = answers.front();
    if (answers.size() > 1) answers.erase(answers.begin());
    return answer;
}

inline std::string flag(bool value) { return value ? "1" : "0"; }

/// A 64-bit installer on 64-bit Windows.
struct FakeSystem final : SystemFacts {
    int level = 6;
    bool is64BitProcess() override { return true; }
    bool is64BitWindows() override { return true; }
    int osLevel() override { return level; }
    std::string patchCache(int architecture) override {
        return std::string("C:\\ProgramData\\Corvane\\Zarn\\installcache") + (architecture == 64 ? "_x64" : "");
    }
    std::string system32Dir() override { return "C:\\Windows\\system32"; }
    std::string systemWow64Dir() override { return "C:\\Windows\\SysWOW64"; }
    std::string perUserDataFolder() override { return "C:\\Users\\test\\AppData\\LocalLow"; }
};

struct FakeStartup final : Startup, Recording {
    using Recording::Recording;
    bool controls = true;
    void removeCurrentDirectoryFromDllSearch() override { events.add("dll search"); }
    bool initCommonControls() override { return controls; }
};

struct FakeFiles final : FileOps, Recording {
    using Recording::Recording;
    std::set<std::string> present;
    bool failDelete = false;
    bool exists(const std::string& path) override { return present.count(path) != 0; }
    void deleteFile(const std::string& path) override {
        if (failDelete) throw std::runtime_error("cannot delete " + path);
        events.add("delete " + path);
        present.erase(path);
    }
    void deletePersistentFile(const std::string& directory) override { events.add("launchers " + directory); }
};

struct FakeConfiguration final : Configuration, Recording {
    using Recording::Recording;
    int loadResult = 0;
    int exportResult = 0;
    bool silent = false;
    std::map<ConfigKey, std::string> values;

    FakeConfiguration& set(ConfigKey key, std::string value = "1") {
        values[key] = std::move(value);
        return *this;
    }
    int load(const std::u16string&) override { return loadResult; }
    bool has(ConfigKey key) override { return values.count(key) != 0; }
    bool boolean(ConfigKey key) override { return text(key) == "1"; }
    long integer(ConfigKey key) override { return std::stol(text(key)); }
    std::string text(ConfigKey key) override { return has(key) ? values[key] : std::string(); }
    bool isSilent() override { return silent; }
    std::string installLogPath() override { return {}; }
    int exportSettings() override { return events.add("export"), exportResult; }
    void restoreRuntimeConfig() override { events.add("restore config"); }
    void showConfigError(int code, const std::string& file) override {
        events.add("config error " + std::to_string(code) + " " + file);
    }
};

/// English, French and German; a string is its language and number.
struct FakeLocalization final : Localization {
    std::uint16_t defaultLang = 1033;
    std::uint16_t defaultLangId() override { return defaultLang; }
    std::uint16_t fromLangId(long langId) override {
        if (langId != 1033 && langId != 1031 && langId != 1036) {
            throw std::runtime_error("unsupported locale langId: " + std::to_string(langId));
        }
        return static_cast<std::uint16_t>(langId);
    }
    std::string loadString(std::uint16_t langId, std::uint32_t id) override {
        return "[" + std::to_string(langId) + ":" + std::to_string(id) + (id == 120 ? " needs %s" : "") + "]";
    }
};

struct FakeRuntimes final : RuntimeRules, Recording {
    using Recording::Recording;
    bool familyUpgrade = false;
    std::vector<int> reinstallAnswers = {1, 1};
    bool isThisAFamilyUpgrade() override { return familyUpgrade; }
    int checkReinstallCase(bool staticInstall, bool silent) override {
        events.add("reinstall rules static=" + flag(staticInstall) + " silent=" + flag(silent));
        return takeNext(reinstallAnswers);
    }
};

struct FakeMetrics final : Metrics {
    std::string latestKobuKey() override { return "1.8.0_40"; }
};

struct FakePayload final : Payload, Recording {
    using Recording::Recording;
    bool carriesPackage = true;
    std::vector<int> results = {0};
    std::function<void(const PackageAction&)> onRun;  // runs inside each package run
    std::vector<PackageAction> runs;
    std::string preparePackagePath() override { return "C:\\pkg\\kobu1.8.0_45.msi"; }
    bool writePackage(const std::string& path) override { return events.add("extract " + path), carriesPackage; }
    int getOptionsFromXmlIfOnline(bool interactive) override {
        return events.add(interactive ? "options" : "options silent"), 0;
    }
    std::string commandLine(const PackageAction& action) override {
        std::string line = action.extraCommandLine;
        for (const auto& [name, value] : action.properties) line += " " + name + "=\"" + value + "\"";
        return line;
    }
    int execCommand(const PackageAction& action) override {
        events.add("run package");
        runs.push_back(action);
        if (onRun) onRun(action);
        return takeNext(results);
    }
    void releasePackage() override { events.add("release package"); }
};

/// The folder page, when shown, chooses D:\Zarn\.
struct FakeWizard final : Wizard, Recording {
    using Recording::Recording;
    std::vector<int> welcomeAnswers = {1};
    bool chooseChangeFolder = false;
    std::vector<int> changeFolderAnswers = {1};
    int welcome(bool& changeFolder) override {
        events.add("welcome preset=" + flag(changeFolder));
        changeFolder = chooseChangeFolder;
        return takeNext(welcomeAnswers);
    }
    int changeFolder(bool launchedFromTulk, std::string& folder) override {
        events.add("change folder tulk=" + flag(launchedFromTulk));
        const int answer = takeNext(changeFolderAnswers);
        if (answer == 1) folder = "D:\\Zarn\\";
        return answer;
    }
    void testWelcome() override { events.add("test welcome"); }
    void testChangeFolder() override { events.add("test change folder"); }
};

struct FakeProgress final : ProgressUi, Recording {
    using Recording::Recording;
    void create() override { events.add("progress create"); }
    void hide() override { events.add("progress hide"); }
    void destroy() override { events.add("progress destroy"); }
    void testDialog() override { events.add("test progress"); }
};

/// The user keeps the one out-of-date runtime.
struct FakeRemoval final : Removal, Recording {
    using Recording::Recording;
    RemovalResult run() override {
        events.add("removal");
        const zscrub::ScrubVersion kept{ZarnVersion("1.6.0_45"), 32};
        zscrub::ZarnScrubPingData data({kept}, zscrub::ScrubVersion{ZarnVersion("1.8.0_45"), 64});
        data.addKeptVersion(kept);
        return RemovalResult{true, data};
    }
};

struct FakeCompletion final : Completion, Recording {
    using Recording::Recording;
    void finishWithSecurityPrompts(const std::string& dir, bool verify, bool medHigh,
                                   const std::string& method) override {
        events.add("complete dir=" + dir + " verify=" + flag(verify) + " medhigh=" + flag(medHigh) +
                   " method=" + method);
    }
    void showError(int installResult) override { events.add("error page " + std::to_string(installResult)); }
    void testFinalDialog(bool verify) override { events.add("test final verify=" + flag(verify)); }
};

struct FakeAutoUpdate final : AutoUpdate, Recording {
    using Recording::Recording;
    int result = 0;
    int install(bool oem, bool autoUpdate) override {
        return events.add("au install oem=" + flag(oem) + " auto=" + flag(autoUpdate)), result;
    }
    void registerScheduler() override { events.add("scheduler"); }
};

struct FakePing final : Ping, Recording {
    using Recording::Recording;
    std::vector<PingData> sent;
    std::function<void(const PingData&)> onSend;
    void send(Configuration&, const PingData& data) override {
        events.add("ping " + std::to_string(data.installResult) + " au=" + std::to_string(data.auResult) +
                   " msi=" + std::to_string(data.msiStatusError) + " removal=" + flag(data.removal.offered));
        sent.push_back(data);
        if (onSend) onSend(data);
    }
};

/// A full set of doubles, bound as the run's phases.
struct FakePhases {
    Events events;
    FakeSystem system;
    FakeStartup startup{events};
    FakeFiles files{events};
    FakeConfiguration configuration{events};
    FakeLocalization localization;
    FakeRuntimes runtimes{events};
    FakeMetrics metrics;
    FakePayload payload{events};
    FakeWizard wizard{events};
    FakeProgress progress{events};
    FakeRemoval removal{events};
    FakeCompletion completion{events};
    FakeAutoUpdate autoUpdate{events};
    FakePing ping{events};
    Phases phases{system,  startup, files,    configuration, localization, runtimes,   metrics,
                  payload, wizard,  progress, removal,       completion,   autoUpdate, ping};
};

}  // namespace driver::test
