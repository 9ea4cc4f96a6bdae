#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <future>
#include <iterator>

#include "driver/config_keys.h"
#include "driver/install_flag.h"
#include "driver/main_flow.h"
#include "fake_phases.h"
#include "foundation/auto_handle.h"
#include "net/network_bounds.h"
#include "net/request_deadline.h"
#include "platform/sim/sim_machine.h"
#include "platform/win_errors.h"

namespace driver::test {
namespace {

namespace reg = platform::reg;
using platform::RegKey;

/// What the package leaves for the installer to report: its status error under the maker's key.
void setStatusError(std::uint32_t status) {
    auto& machine = dynamic_cast<sim::Machine&>(platform::machine());
    AutoRegKey key;
    ASSERT_EQ(machine.registry().createKey(RegKey::localMachine, "SOFTWARE\\Mendara", reg::allAccess, *key.put(), nullptr), 0u);
    machine.registry().setValue(key.get(), "MSIStatusError", reg::dword, reinterpret_cast<const std::uint8_t*>(&status), 4);
}

class MainFlowTest : public testing::Test {
protected:
    int run() { return RunInstaller(f.phases, "/s"); }

    std::string log() { return sim.log(); }
    bool logged(const std::string& message) { return log().find(": " + message + "\n") != std::string::npos; }
    std::size_t boxes() { return sim->desktop().shown().size(); }

    bool keyExists(const std::string& path, std::uint32_t view = 0) {
        AutoRegKey key;
        return sim->registry().openKey(RegKey::localMachine, path, reg::read | view, *key.put()) == 0;
    }
    void setText(const std::string& keyPath, const std::string& name, const std::string& text) {
        AutoRegKey key;
        ASSERT_EQ(sim->registry().createKey(RegKey::localMachine, keyPath, reg::allAccess, *key.put(), nullptr), 0u);
        ASSERT_EQ(sim->registry().setValue(key.get(), name, reg::sz, reinterpret_cast<const std::uint8_t*>(text.c_str()),
                                           static_cast<std::uint32_t>(text.size() + 1)),
                  0u);
    }
    bool flagExists() { return sim->fileSystem().exists(flagPath); }

    sim::MachineScope sim;
    FakePhases f;
    const std::string flagPath = "C:\\Users\\test\\AppData\\LocalLow\\Pellam\\Zarn\\ZARN_INSTALL_FLAG";
};

TEST_F(MainFlowTest, ExitCodes) {
    const struct {
        const char* name;
        std::function<void(FakePhases&)> setUp;
        int expected;
        bool reachesEnd;  // logs "Wrapper exit code"
    } rows[] = {
        {"package installed", [](FakePhases&) {}, 0, true},
        {"package failed", [](FakePhases& p) { p.payload.results = {1603}; }, 1603, true},
        {"reboot needed counts as failure", [](FakePhases& p) { p.payload.results = {3010}; }, 3010, true},
        {"no package carried", [](FakePhases& p) { p.payload.carriesPackage = false; }, 1, true},
        {"configuration error", [](FakePhases& p) { p.configuration.loadResult = 3075; }, -80, false},
        {"test final dialog", [](FakePhases& p) { p.configuration.set(ConfigKey::testFinalDialog); }, 0, false},
        {"test progress dialog", [](FakePhases& p) { p.configuration.set(ConfigKey::testProgressDialog); }, 0, false},
        {"test welcome dialog", [](FakePhases& p) { p.configuration.set(ConfigKey::testWelcomeDialog); }, 0, false},
        {"test change dialog", [](FakePhases& p) { p.configuration.set(ConfigKey::testChangeDialog); }, 0, false},
        {"test configuration errors", [](FakePhases& p) { p.configuration.set(ConfigKey::testConfigFileErrors, "3080"); },
         0, false},
        {"newer build installed", [](FakePhases& p) { p.runtimes.reinstallAnswers = {0}; }, 0, false},
        {"reinstall refused", [](FakePhases& p) { p.runtimes.reinstallAnswers = {1, -1}; }, -1, false},
        {"welcome cancelled", [](FakePhases& p) { p.wizard.welcomeAnswers = {2}; }, 0, false},
        {"change folder cancelled",
         [](FakePhases& p) {
             p.wizard.chooseChangeFolder = true;
             p.wizard.changeFolderAnswers = {2};
         },
         0, false},
        {"export failed", [](FakePhases& p) { p.configuration.exportResult = 3076; }, 1603, false},
        {"first status clear failed",
         [](FakePhases&) {
             setStatusError(1);
             dynamic_cast<sim::Machine&>(platform::machine()).faults().fail("Registry.deleteValue", 5, -1);
         },
         1603, false},
        {"error before the package ran", [](FakePhases& p) { p.files.failDelete = true; }, 1, true},
        {"error after the package ran",
         [](FakePhases& p) {
             p.payload.results = {1605};
             p.ping.onSend = [] { throw std::runtime_error("no network"); };
         },
         1605, true},
    };
    for (const auto& row : rows) {
        sim::MachineScope fresh;
        FakePhases phases;
        phases.files.present = {"C:\\ProgramData\\Corvane\\Zarn\\installcache\\baseimage8"};
        row.setUp(phases);
        EXPECT_EQ(RunInstaller(phases.phases, ""), row.expected) << row.name;
        const bool reachedEnd =
            fresh.log().find("\tINFO: Wrapper exit code: " + std::to_string(row.expected) + "\n") != std::string::npos;
        EXPECT_EQ(reachedEnd, row.reachesEnd) << row.name;
        EXPECT_FALSE(fresh->fileSystem().exists(flagPath)) << row.name;
    }
}

TEST_F(MainFlowTest, SuccessfulUiRunWalksEveryPhaseInOrder) {
    f.files.present = {"C:\\ProgramData\\Corvane\\Zarn\\installcache_x64\\baseimage8"};
    f.payload.onRun = [&](const PackageAction&) { EXPECT_TRUE(flagExists()); };
    EXPECT_EQ(run(), 0);
    const std::vector<std::string> expected = {
        "dll search",
        "delete C:\\ProgramData\\Corvane\\Zarn\\installcache_x64\\baseimage8",
        "reinstall rules static=0 silent=0",
        "reinstall rules static=0 silent=0",
        "extract C:\\pkg\\kobu1.8.0_45.msi",
        "options",
        "welcome",
        "export",
        "progress create",
        "run package",
        "release package",
        "progress hide",
        "removal",
        "complete dir= verify=0 medhigh=0 method=zoff",
        "progress destroy",
        "launchers C:\\Windows\\system32",
        "launchers C:\\Windows\\SysWOW64",
        "au install oem=0 auto=0",
        "ping 0",
        "scheduler",
    };
    EXPECT_EQ(f.events.list, expected);
    ASSERT_EQ(f.payload.runs.size(), 1u);
    EXPECT_EQ(f.payload.runs[0].properties,
              (std::map<std::string, std::string>{{"ENDDIALOG", "0"}, {"PROG", "0"}, {"SKIPLICENSE", "1"}}));
    EXPECT_EQ(f.payload.runs[0].internalUiLevel, 2);
    EXPECT_TRUE(logged("MSI command line:  ENDDIALOG=\"0\" PROG=\"0\" SKIPLICENSE=\"1\""));
    EXPECT_TRUE(logged("The installer is 64 bit, set bShowVerifyPage = FALSE"));
    EXPECT_FALSE(flagExists());
    EXPECT_EQ(f.ping.sent.at(0).latestRuntimeKey, "1.8.0_40");
    EXPECT_EQ(f.ping.sent.at(0).previousAuVersion, "XX");
    EXPECT_EQ(f.ping.sent.at(0).regDeployStatus, "YY");
    ASSERT_TRUE(f.ping.sent.at(0).removal.pingData);
    EXPECT_EQ(f.ping.sent.at(0).removal.pingData->createUninstallPing(), "unkobu~-20~1.6.0_45:32;uninstaller~ua101~XX");
}

TEST_F(MainFlowTest, FirstLogLinesAndExitLine) {
    sim->system().settings().fixedLocalTime = platform::SystemTime{2026, 12, 6, 0, 10, 0, 0, 0};
    run();
    const std::string text = log();
    EXPECT_TRUE(text.find("\tINFO: Wrapper begin...\n") < text.find("\tINFO: Running offline Kobu wrapper with command line=</s>\n"));
    EXPECT_TRUE(text.ends_with("\tINFO: Wrapper exit code: 0\n")) << text;
}

TEST_F(MainFlowTest, AnotherInstallerHoldsTheFlag) {
    for (const bool silent : {false, true}) {
        sim::MachineScope fresh;
        FakePhases phases;
        phases.configuration.silent = silent;
        std::string path;
        ASSERT_TRUE(GetInstallFlagPath(phases.system, path));
        platform::ErrorCode error = 0;
        AutoHandle held(CreateInstallFlag(path, error));
        ASSERT_TRUE(held);

        EXPECT_EQ(RunInstaller(phases.phases, ""), -1);
        const auto shown = fresh->desktop().shown();
        ASSERT_EQ(shown.size(), silent ? 0u : 1u);
        if (!silent) {
            EXPECT_EQ(shown[0].text, "[1033:117]");
            EXPECT_EQ(shown[0].caption, "[1033:116]");
            EXPECT_EQ(shown[0].type, platform::mb::iconInformation);
        }
        EXPECT_NE(fresh.log().find("Another Zarn installation is in progress. You must complete that installation "
                                   "before you can run this installer.\n"),
                  std::string::npos);
        EXPECT_FALSE(phases.events.has("run package"));
        EXPECT_TRUE(fresh->fileSystem().exists(path));  // the other run's flag is untouched
    }
}

TEST_F(MainFlowTest, StaleFlagFileDoesNotBlock) {
    sim->fileSystem().writeAll(flagPath, "");
    EXPECT_EQ(run(), 0);
    EXPECT_FALSE(flagExists());
}

TEST_F(MainFlowTest, FlagThatCannotBeMadeRefusesTheRun) {
    // Another program holds a file of that name open with full sharing: the delete only marks it, and
    // the flag cannot be created over it.
    sim->fileSystem().writeAll(flagPath, "");
    platform::Handle other = platform::Handle::invalid;
    platform::FileSystem& fs = sim->fileSystem();
    namespace file = platform::file;
    ASSERT_EQ(fs.createFile(flagPath, file::genericRead, file::shareRead | file::shareWrite | file::shareDelete,
                            file::openExisting, file::attributeNormal, other),
              0u);
    const AutoHandle holder(other);
    EXPECT_EQ(run(), -1);
    EXPECT_TRUE(logged("Fail to set installation flag, ErrorCode is 5"));
    EXPECT_FALSE(f.events.has("run package"));
}

TEST_F(MainFlowTest, FlagDirectoryThatCannotBeMadeRefusesTheRun) {
    f.configuration.silent = true;
    sim->faults().fail("FileSystem.createDirectory", platform::err::accessDenied, -1);
    EXPECT_EQ(run(), -1);
    EXPECT_TRUE(logged("Fail to create directory C:\\Users\\test\\AppData\\LocalLow\\Pellam\\, ErrorCode is 5"));
    EXPECT_TRUE(logged("Fail to get the file path for Zarn install flag "));
}

TEST_F(MainFlowTest, LaunchedFromTulk) {
    f.configuration.set(ConfigKey::launchedFromTulk);
    f.payload.onRun = [&](const PackageAction&) { EXPECT_FALSE(flagExists()); };
    EXPECT_EQ(run(), 0);
    EXPECT_FALSE(f.events.has("welcome"));
    EXPECT_FALSE(f.events.has("removal"));
    EXPECT_TRUE(f.events.has("change folder tulk=1"));
    EXPECT_EQ(f.payload.runs.at(0).properties.at("INSTALLDIR"), "D:\\Zarn\\");
    EXPECT_TRUE(f.events.has("complete dir=D:\\Zarn\\ verify=0 medhigh=0 method=zoff"));
}

TEST_F(MainFlowTest, SilentRunShowsNothingAndMarksTheRegistry) {
    f.configuration.silent = true;
    f.system.level = 1;  // even the old-system warning stays a log line
    bool markedWhileRunning = false;
    f.payload.onRun = [&](const PackageAction&) { markedWhileRunning = keyExists("SOFTWARE\\Mendara\\SilentInstall"); };
    EXPECT_EQ(run(), 0);
    EXPECT_TRUE(markedWhileRunning);
    EXPECT_FALSE(keyExists("SOFTWARE\\Mendara\\SilentInstall"));
    EXPECT_EQ(boxes(), 0u);
    for (const char* dialog : {"welcome", "progress create", "removal", "complete dir= verify=0 medhigh=0 method=zoff"}) {
        EXPECT_FALSE(f.events.has(dialog)) << dialog;
    }
    EXPECT_TRUE(logged("This is an unsupported operationg system."));
}

TEST_F(MainFlowTest, ReinstallStatusRunsThePackageAgainUnderTheSameDialog) {
    f.payload.results = {0, 0};
    f.payload.onRun = [&](const PackageAction&) {
        if (f.payload.runs.size() == 1) setText("SOFTWARE\\Mendara", "InstallStatus", "reinstall");
    };
    EXPECT_EQ(run(), 0);
    EXPECT_EQ(f.events.count("run package"), 2);
    EXPECT_EQ(f.events.count("progress create"), 1);
    ASSERT_EQ(f.events.count("release package"), 1) << "held until the last run has finished";
    EXPECT_EQ(*std::prev(std::find(f.events.list.begin(), f.events.list.end(), "release package")), "run package");
    EXPECT_FALSE(keyExists("SOFTWARE\\Mendara"));
}

TEST_F(MainFlowTest, ChangeFolderCancelPingsMinusTwentyAndExitsZero) {
    f.wizard.chooseChangeFolder = true;
    f.wizard.changeFolderAnswers = {2};
    EXPECT_EQ(run(), 0);
    ASSERT_EQ(f.ping.sent.size(), 1u);
    EXPECT_EQ(f.ping.sent[0].installResult, -20);
    EXPECT_FALSE(f.ping.sent[0].removal.offered);
    EXPECT_TRUE(logged("The user cancelled from Change Folder dialog. Exit code: 0"));
    EXPECT_FALSE(flagExists());
    EXPECT_FALSE(f.events.has("run package"));
}

TEST_F(MainFlowTest, BackFromChangeFolderShowsWelcomeWithItsChoice) {
    f.wizard.chooseChangeFolder = true;
    f.wizard.welcomeAnswers = {1, 1};
    f.wizard.changeFolderAnswers = {1029, 1};
    EXPECT_EQ(run(), 0);
    EXPECT_EQ(f.events.count("welcome"), 2);
    EXPECT_EQ(f.wizard.welcomePresets, (std::vector<bool>{false, true}));
    EXPECT_EQ(f.payload.runs.at(0).properties.at("INSTALLDIR"), "D:\\Zarn\\");
}

TEST_F(MainFlowTest, SecurityNote) {
    const struct {
        const char* name;
        bool familyUpgrade;
        const char* level;
        const char* completion;
    } rows[] = {
        {"family upgrade shows the note", true, nullptr, "complete dir= verify=0 medhigh=1 method=zoff"},
        {"level 2 suppresses it", true, "2", "complete dir= verify=0 medhigh=0 method=zoff"},
        {"no upgrade, no note", false, "3", "complete dir= verify=0 medhigh=0 method=zoff"},
    };
    for (const auto& row : rows) {
        sim::MachineScope fresh;
        FakePhases phases;
        phases.runtimes.familyUpgrade = row.familyUpgrade;
        if (row.level) phases.configuration.set(ConfigKey::webZarnSecurityLevel, row.level);
        EXPECT_EQ(RunInstaller(phases.phases, ""), 0) << row.name;
        EXPECT_TRUE(phases.events.has(row.completion)) << row.name;
    }
}

TEST_F(MainFlowTest, OemUpdateRemovesMetricsAfterThePingAndSkipsTheScheduler) {
    setText("Software\\KobuMetrics", "RegDeployStatus", "OK");
    f.configuration.set(ConfigKey::oemUpdate);
    bool metricsAtPing = false;
    f.ping.onSend = [&] { metricsAtPing = keyExists("Software\\KobuMetrics"); };
    EXPECT_EQ(run(), 0);
    EXPECT_TRUE(metricsAtPing);
    EXPECT_EQ(f.ping.sent.at(0).regDeployStatus, "OK");
    EXPECT_FALSE(keyExists("Software\\KobuMetrics"));
    EXPECT_FALSE(f.events.has("scheduler"));
    EXPECT_TRUE(f.events.has("au install oem=1 auto=0"));
    EXPECT_TRUE(logged("RemoveKobuMetrics() - KobuMetrics key successfully removed\n"));
}

TEST_F(MainFlowTest, TheRunEndsOnlyAfterALastBoundedWaitForRequestsLeftAtTheirDeadlines) {
    using namespace std::chrono_literals;
    const struct {
        const char* name;
        std::chrono::milliseconds requestRuns;  // from its start; 0: until the test lets it go
        bool endsInTheWait;
    } rows[] = {
        {"the request ends during the last wait", 700ms, true},
        {"it still runs after the wait", 0ms, false},
    };
    for (const auto& row : rows) {
        auto release = std::make_shared<std::promise<void>>();
        const std::shared_future<void> released = release->get_future().share();
        // A request abandoned at its deadline of 50 ms during the run (the package's run stands for it).
        f.payload.onRun = [&](const PackageAction&) {
            try {
                net::runWithin(50, [released, runs = row.requestRuns](const auto&) {
                    if (runs.count() == 0) {
                        released.wait();
                    } else {
                        released.wait_for(runs);
                    }
                });
            } catch (const std::exception&) {
            }
        };
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(run(), 0) << row.name;
        const auto took = std::chrono::steady_clock::now() - start;
        EXPECT_EQ(net::awaitAbandonedRequests(0), row.endsInTheWait) << row.name;
        if (row.endsInTheWait) {
            EXPECT_GE(took, row.requestRuns) << row.name;
        } else {
            EXPECT_GE(took, std::chrono::milliseconds(net::lastWaitMs)) << row.name;
        }
        EXPECT_LT(took, std::chrono::milliseconds(net::lastWaitMs) + 2s) << row.name;
        release->set_value();
        EXPECT_TRUE(net::awaitAbandonedRequests(5000)) << row.name;
    }
}

TEST_F(MainFlowTest, FailedPackageRestoresConfigurationAndReportsStatus) {
    f.payload.results = {1603};
    f.payload.onRun = [](const PackageAction&) { setStatusError(1722); };
    EXPECT_EQ(run(), 1603);
    EXPECT_TRUE(f.events.has("restore config"));
    EXPECT_TRUE(f.events.has("error page 1603"));
    EXPECT_FALSE(f.events.has("au install oem=0 auto=0"));
    EXPECT_EQ(f.ping.sent.at(0).msiStatusError, 1722u);
    EXPECT_EQ(f.ping.sent.at(0).auResult, -99);
    EXPECT_TRUE(logged("GetMSIStatus() failed.  Return Code: 2, ErrorCode: 2"));  // no extended status
}

TEST_F(MainFlowTest, LanguageAndTransforms) {
    const struct {
        const char* name;
        std::uint16_t defaultLang;
        const char* lang;
        const char* transforms;  // nullptr: no TRANSFORMS property
    } rows[] = {
        {"English adds nothing", 1033, nullptr, nullptr},
        {"French default", 1036, nullptr, ":1036"},
        {"/lang chooses German", 1033, "1031", ":1031"},
        {"unsupported /lang keeps the default", 1036, "7", ":1036"},
    };
    for (const auto& row : rows) {
        sim::MachineScope fresh;
        FakePhases phases;
        phases.localization.defaultLang = row.defaultLang;
        if (row.lang) phases.configuration.set(ConfigKey::switchLang, row.lang);
        EXPECT_EQ(RunInstaller(phases.phases, ""), 0) << row.name;
        const auto& properties = phases.payload.runs.at(0).properties;
        if (row.transforms) {
            EXPECT_EQ(properties.at("TRANSFORMS"), row.transforms) << row.name;
        } else {
            EXPECT_EQ(properties.count("TRANSFORMS"), 0u) << row.name;
        }
    }
    // The failure is logged with the standard handler's words.
    sim::MachineScope fresh;
    FakePhases phases;
    phases.configuration.set(ConfigKey::switchLang, "25");
    RunInstaller(phases.phases, "");
    EXPECT_NE(fresh.log().find("\tERROR: Exception with message 'unsupported locale langId: 25' caught\n"),
              std::string::npos);
}

TEST_F(MainFlowTest, OldSystemIsWarnedAboutNeverRefused) {
    f.system.level = 1;
    EXPECT_EQ(run(), 0);
    ASSERT_EQ(boxes(), 1u);
    const auto box = sim->desktop().shown()[0];
    EXPECT_EQ(box.caption, "[1033:115]");
    EXPECT_EQ(box.text, "[1033:120 needs 8]");
    EXPECT_EQ(box.type, platform::mb::iconInformation | platform::mb::taskModal);
}

TEST_F(MainFlowTest, EarlySettingsAndExtraCommandLine) {
    f.configuration.set(ConfigKey::countryOverride, "DE")
        .set(ConfigKey::installDir, "E:\\Apps\\Zarn")
        .set(ConfigKey::msiCmdline, "AUTO_UPDATE=0")
        .set(ConfigKey::cmdline, "REBOOT=Suppress");
    EXPECT_EQ(run(), 0);
    const auto& action = f.payload.runs.at(0);
    EXPECT_EQ(action.extraCommandLine, "AUTO_UPDATE=0 REBOOT=Suppress");
    EXPECT_EQ(action.properties.at("INSTALLDIR"), "E:\\Apps\\Zarn");
    AutoRegKey policy;
    ASSERT_EQ(sim->registry().openKey(RegKey::localMachine, "SOFTWARE\\Mendara\\Zarn Update\\Policy", reg::read,
                                      *policy.put()),
              0u);
    char country[8] = {};
    std::uint32_t size = sizeof country;
    ASSERT_EQ(sim->registry().queryValue(policy.get(), "Country", nullptr, reinterpret_cast<std::uint8_t*>(country), size),
              0u);
    EXPECT_EQ(std::string(country, size), "DE");  // stored without terminator
}

TEST_F(MainFlowTest, CommonControlsFailureIsShownAndTheRunGoesOn) {
    f.startup.controls = false;
    EXPECT_EQ(run(), 0);
    ASSERT_GE(boxes(), 1u);
    EXPECT_EQ(sim->desktop().shown()[0].text, "Could not initialize common controls!");
    EXPECT_EQ(sim->desktop().shown()[0].caption, "Failure");
}

TEST_F(MainFlowTest, PolicyValuesOfTheRunAreDeletedAtTheEnd) {
    setText("SOFTWARE\\Mendara\\Zarn Update\\Policy", "VisitorId", "v");
    setText("SOFTWARE\\Mendara\\Zarn Update\\Policy", "Method", "m");
    setText("SOFTWARE\\Mendara\\Zarn Update\\Policy", "Country", "FR");
    EXPECT_EQ(run(), 0);
    AutoRegKey policy;
    ASSERT_EQ(sim->registry().openKey(RegKey::localMachine, "SOFTWARE\\Mendara\\Zarn Update\\Policy", reg::read,
                                      *policy.put()),
              0u);
    std::uint32_t size = 0;
    EXPECT_EQ(sim->registry().queryValue(policy.get(), "VisitorId", nullptr, nullptr, size), platform::err::fileNotFound);
    EXPECT_EQ(sim->registry().queryValue(policy.get(), "Method", nullptr, nullptr, size), platform::err::fileNotFound);
    EXPECT_EQ(sim->registry().queryValue(policy.get(), "Country", nullptr, nullptr, size), 0u);
}

}  // namespace
}  // namespace driver::test

#include "driver/system_phase.h"

namespace driver::test {
namespace {

// The real locales and string tables: a French user sees the "in progress" box in French.
TEST(MainFlowLanguage, FrenchUserSeesFrenchTexts) {
    for (const bool byPreference : {true, false}) {
        sim::MachineScope sim;
        auto& strings = sim->resources();
        strings.addString(1033, 116, "Zarn Install in Progress");
        strings.addString(1033, 117, "Another Zarn installation is in progress.");
        strings.addString(1036, 116, "Installation de Zarn en cours");
        strings.addString(1036, 117, "Une autre installation de Zarn est en cours.");
        if (byPreference) sim->system().settings().preferredUILanguages = std::vector<std::string>{"040C", "000C"};

        FakePhases f;
        MachineLocalization localization;
        Phases phases = f.phases;
        Phases french{phases.system,  phases.startup, phases.files,    phases.configuration, localization,
                      phases.runtimes, phases.metrics, phases.payload, phases.wizard,        phases.progress,
                      phases.removal, phases.completion, phases.autoUpdate, phases.ping};
        if (!byPreference) f.configuration.set(ConfigKey::switchLang, "1036");

        EXPECT_EQ(RunInstaller(french, ""), 0);
        ASSERT_EQ(f.payload.runs.size(), 1u) << sim.log();
        ASSERT_EQ(f.payload.runs[0].properties.count("TRANSFORMS"), 1u) << sim.log();
        EXPECT_EQ(f.payload.runs[0].properties.at("TRANSFORMS"), ":1036");

        std::string path;
        ASSERT_TRUE(GetInstallFlagPath(f.system, path));
        platform::ErrorCode error = 0;
        AutoHandle held(CreateInstallFlag(path, error));
        EXPECT_EQ(RunInstaller(french, ""), -1);
        const auto shown = sim->desktop().shown();
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0].caption, "Installation de Zarn en cours");
        EXPECT_EQ(shown[0].text, "Une autre installation de Zarn est en cours.");
    }
}

}  // namespace
}  // namespace driver::test
