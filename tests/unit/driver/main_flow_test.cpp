#include "driver/main_flow.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <future>
#include <iterator>

#include "driver/config_keys.h"
#include "driver/install_flag.h"
#include "fake_phases.h"
#include "foundation/auto_handle.h"
#include "metrics/update_conf.h"
#include "net/network_bounds.h"
#include "net/request_deadline.h"
#include "platform/sim/sim_machine.h"
#include "platform/win_errors.h"
#include "support/seed.h"

namespace driver::test {
namespace {

namespace mb = platform::mb;

const std::string flagPath = "C:\\Users\\test\\AppData\\LocalLow\\Pellam\\Zarn\\ZARN_INSTALL_FLAG";
const std::string completed = "complete dir= verify=0 medhigh=0 method=zoff";

sim::Machine& machine() { return dynamic_cast<sim::Machine&>(platform::machine()); }
bool flagExists() { return machine().fileSystem().exists(flagPath); }

/// What the package leaves for the installer to report: its status error under the maker's key.
void setStatusError(std::uint32_t status) { seed::dword("SOFTWARE\\Mendara", 0, "MSIStatusError", status); }

std::string box(const std::string& caption, const std::string& text, std::uint32_t type) {
    return caption + "|" + text + "|" + std::to_string(type);
}

// Each run: its exit code, whether it reaches the end of the run (its last log line is the exit code),
// the events it must and must not have, the message boxes it shows and whole log messages it writes.
struct Scenario {
    const char* name;
    std::function<void(FakePhases&)> setUp;
    int exitCode = 0;
    bool reachesEnd = false;
    std::vector<std::string> events = {};
    std::vector<std::string> absent = {};
    std::vector<std::string> boxes = {};
    std::vector<std::string> logged = {};
};

const std::string line = "MSI command line:  ENDDIALOG=\"0\" ";
const std::string plainLine = line + "PROG=\"0\" SKIPLICENSE=\"1\"";
const std::string folderLine = line + "INSTALLDIR=\"D:\\Zarn\\\" PROG=\"0\" SKIPLICENSE=\"1\"";

// clang-format off
const Scenario scenarios[] = {
    {"package installed", [](FakePhases&) {}, 0, true, {}, {}, {}, {plainLine}},
    {"package failed: configuration restored, failure page, status error pinged, no update component",
     [](FakePhases& p) {
         p.payload.results = {1603};
         p.payload.onRun = [](const PackageAction&) { setStatusError(1722); };
     }, 1603, true, {"restore config", "error page 1603", "ping 1603 au=-99 msi=1722 removal=0"},
     {"au install oem=0 auto=0"}, {}, {"GetMSIStatus() failed.  Return Code: 2, ErrorCode: 2"}},
    {"no package carried", [](FakePhases& p) { p.payload.carriesPackage = false; }, 1, true},
    {"configuration error", [](FakePhases& p) { p.configuration.loadResult = 3075; }, -80},
    {"test final dialog", [](FakePhases& p) { p.configuration.set(ConfigKey::testFinalDialog); }, 0, false,
     {"test final verify=1"}},
    {"test progress dialog", [](FakePhases& p) { p.configuration.set(ConfigKey::testProgressDialog); }, 0, false,
     {"test progress"}},
    {"test welcome dialog", [](FakePhases& p) { p.configuration.set(ConfigKey::testWelcomeDialog); }, 0, false,
     {"test welcome"}},
    {"test change dialog", [](FakePhases& p) { p.configuration.set(ConfigKey::testChangeDialog); }, 0, false,
     {"test change folder"}},
    {"test configuration errors", [](FakePhases& p) { p.configuration.set(ConfigKey::testConfigFileErrors, "3080"); },
     0, false, {"config error 3080 <path_to_config_file>"}},
    {"newer build installed", [](FakePhases& p) { p.runtimes.reinstallAnswers = {0}; }, 0, false, {},
     {"extract C:\\pkg\\kobu1.8.0_45.msi"}, {}, {"A newer Kobu  build already exists. Exit install"}},
    {"reinstall refused", [](FakePhases& p) { p.runtimes.reinstallAnswers = {1, -1}; }, -1},
    {"welcome cancelled", [](FakePhases& p) { p.wizard.welcomeAnswers = {2}; }, 0, false, {}, {"run package"}, {},
     {"The user cancelled from Welcome dialog. Exit code: 0"}},
    {"change folder cancelled: pinged as -20 without removal",
     [](FakePhases& p) { p.wizard.chooseChangeFolder = true; p.wizard.changeFolderAnswers = {2}; }, 0, false, {"ping -20 au=-99 msi=0 removal=0"}, {"run package"}, {},
     {"The user cancelled from Change Folder dialog. Exit code: 0"}},
    {"Back from the folder shows the welcome with its choice",
     [](FakePhases& p) { p.wizard.chooseChangeFolder = true; p.wizard.changeFolderAnswers = {1029, 1}; }, 0, true, {"welcome preset=0", "welcome preset=1"}, {}, {}, {folderLine}},
    {"launched from the kit: its folder, no welcome nor removal, no flag",
     [](FakePhases& p) {
         p.configuration.set(ConfigKey::launchedFromTulk);
         p.payload.onRun = [](const PackageAction&) { EXPECT_FALSE(flagExists()); };
     }, 0, true, {"change folder tulk=1", "complete dir=D:\\Zarn\\ verify=0 medhigh=0 method=zoff"},
     {"welcome preset=0", "removal"}, {}, {folderLine}},
    {"export failed", [](FakePhases& p) { p.configuration.exportResult = 3076; }, 1603, false, {}, {"run package"}},
    {"first status clear failed",
     [](FakePhases&) { setStatusError(1); machine().faults().fail("Registry.deleteValue", 5, -1); }, 1603, false, {},
     {"run package"}},
    {"error before the package ran", [](FakePhases& p) { p.files.failDelete = true; }, 1, true},
    {"error after the package ran",
     [](FakePhases& p) {
         p.payload.results = {1605};
         p.ping.onSend = [](const PingData&) { throw std::runtime_error("no network"); };
     }, 1605, true},
    {"silent: no page nor box even on an old system, the registry marked while the package runs",
     [](FakePhases& p) {
         p.configuration.silent = true;
         p.system.level = 1;
         p.payload.onRun = [](const PackageAction&) { EXPECT_TRUE(seed::exists("SOFTWARE\\Mendara\\SilentInstall", 0)); };
     }, 0, true, {"run package"}, {"welcome preset=0", "progress create", "removal", completed}, {},
     {"This is an unsupported operationg system."}},
    {"an old system is warned about, never refused", [](FakePhases& p) { p.system.level = 1; }, 0, true,
     {"run package"}, {}, {box("[1033:115]", "[1033:120 needs 8]", mb::iconInformation | mb::taskModal)}},
    {"common controls that fail are reported", [](FakePhases& p) { p.startup.controls = false; }, 0, true,
     {"run package"}, {}, {box("Failure", "Could not initialize common controls!", mb::iconError)}},
    {"a flag directory that cannot be made refuses the run",
     [](FakePhases& p) {
         p.configuration.silent = true;
         machine().faults().fail("FileSystem.createDirectory", platform::err::accessDenied, -1);
     }, -1, false, {}, {"run package"}, {},
     {"Fail to create directory C:\\Users\\test\\AppData\\LocalLow\\Pellam\\, ErrorCode is 5",
      "Fail to get the file path for Zarn install flag "}},
    {"a family upgrade shows the security note", [](FakePhases& p) { p.runtimes.familyUpgrade = true; }, 0, true,
     {"complete dir= verify=0 medhigh=1 method=zoff"}},
    {"security level 2 suppresses it",
     [](FakePhases& p) { p.runtimes.familyUpgrade = true; p.configuration.set(ConfigKey::webZarnSecurityLevel, "2"); },
     0, true, {completed}},
    {"OEM update: metrics removed after the ping, no scheduler",
     [](FakePhases& p) {
         seed::text("Software\\KobuMetrics", 0, "RegDeployStatus", "OK");
         p.configuration.set(ConfigKey::oemUpdate);
         p.ping.onSend = [](const PingData& d) {
             EXPECT_EQ(d.regDeployStatus, "OK");
             EXPECT_TRUE(seed::exists("Software\\KobuMetrics", 0));
         };
     }, 0, true, {"au install oem=1 auto=0"}, {"scheduler"}, {},
     {"RemoveKobuMetrics() - KobuMetrics key successfully removed"}},
    {"/lang chooses German", [](FakePhases& p) { p.configuration.set(ConfigKey::switchLang, "1031"); }, 0, true,
     {}, {}, {}, {plainLine + " TRANSFORMS=\":1031\""}},
    {"an unsupported /lang keeps the default and is logged with the standard handler's words",
     [](FakePhases& p) { p.localization.defaultLang = 1036; p.configuration.set(ConfigKey::switchLang, "7"); },
     0, true, {}, {}, {},
     {plainLine + " TRANSFORMS=\":1036\"", "Exception with message 'unsupported locale langId: 7' caught"}},
};
// clang-format on

class MainFlowTest : public testing::Test {
protected:
    int run() { return RunInstaller(f.phases, "/s"); }
    bool logged(const std::string& message) { return sim.log().find(": " + message + "\n") != std::string::npos; }

    sim::MachineScope sim;
    FakePhases f;
};

TEST_F(MainFlowTest, Scenarios) {
    for (const Scenario& row : scenarios) {
        sim::MachineScope fresh;
        FakePhases p;
        p.files.present = {"C:\\ProgramData\\Corvane\\Zarn\\installcache\\baseimage8"};
        row.setUp(p);
        EXPECT_EQ(RunInstaller(p.phases, ""), row.exitCode) << row.name;
        const std::string log = fresh.log();
        EXPECT_EQ(log.ends_with("\tINFO: Wrapper exit code: " + std::to_string(row.exitCode) + "\n"), row.reachesEnd)
            << row.name;
        for (const auto& e : row.events) EXPECT_TRUE(p.events.has(e)) << row.name << ": " << e;
        for (const auto& e : row.absent) EXPECT_FALSE(p.events.has(e)) << row.name << ": " << e;
        std::vector<std::string> shown;
        for (const auto& b : fresh->desktop().shown()) shown.push_back(box(b.caption, b.text, b.type));
        EXPECT_EQ(shown, row.boxes) << row.name;
        for (const auto& m : row.logged)
            EXPECT_NE(log.find(": " + m + "\n"), std::string::npos) << row.name << ": " << m;
        EXPECT_FALSE(flagExists()) << row.name;
        EXPECT_FALSE(seed::exists("SOFTWARE\\Mendara\\SilentInstall", 0)) << row.name;
        EXPECT_FALSE(seed::exists("Software\\KobuMetrics", 0)) << row.name;
    }
}


// The update component is installed after the product: its failure (a package held open: 32) is only
// reported, and the run goes on as a good run does.
TEST_F(MainFlowTest, SuccessfulUiRunWalksEveryPhaseInOrder) {
    f.files.present = {"C:\\ProgramData\\Corvane\\Zarn\\installcache_x64\\baseimage8"};
    f.autoUpdate.result = 32;
    f.payload.onRun = [&](const PackageAction&) { EXPECT_TRUE(flagExists()); };
    EXPECT_EQ(run(), 0);
    // clang-format off
    const std::vector<std::string> expected = {
        "dll search", "delete C:\\ProgramData\\Corvane\\Zarn\\installcache_x64\\baseimage8",
        "reinstall rules static=0 silent=0", "reinstall rules static=0 silent=0",
        "extract C:\\pkg\\kobu1.8.0_45.msi", "options", "welcome preset=0", "export",
        "progress create", "run package", "release package", "progress hide", "removal", completed, "progress destroy",
        "launchers C:\\Windows\\system32", "launchers C:\\Windows\\SysWOW64",
        "au install oem=0 auto=0", "ping 0 au=32 msi=0 removal=1", "scheduler",
    };
    // clang-format on
    EXPECT_EQ(f.events.list, expected);
    const std::string text = sim.log();
    const auto commandLine = text.find("\tINFO: Running offline Kobu wrapper with command line=</s>\n");
    EXPECT_NE(commandLine, std::string::npos);
    EXPECT_LT(text.find("\tINFO: Wrapper begin...\n"), commandLine);
    EXPECT_EQ(f.payload.runs.at(0).internalUiLevel, 2);
    EXPECT_TRUE(logged("The installer is 64 bit, set bShowVerifyPage = FALSE"));
    const PingData& ping = f.ping.sent.at(0);
    EXPECT_EQ(ping.latestRuntimeKey, "1.8.0_40");
    EXPECT_EQ(ping.previousAuVersion, "XX");
    EXPECT_EQ(ping.regDeployStatus, "YY");
}

TEST_F(MainFlowTest, ReinstallStatusRunsThePackageAgainUnderTheSameDialog) {
    f.payload.results = {0, 0};
    f.payload.onRun = [&](const PackageAction&) {
        if (f.payload.runs.size() == 1) seed::text("SOFTWARE\\Mendara", 0, "InstallStatus", "reinstall");
    };
    EXPECT_EQ(run(), 0);
    const auto& e = f.events.list;
    const auto created = std::find(e.begin(), e.end(), "progress create");
    EXPECT_EQ(std::vector<std::string>(created, created + 5),
              (std::vector<std::string>{"progress create", "run package", "run package", "release package",
                                        "progress hide"}));
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
        std::vector<std::string> shown;
        for (const auto& b : fresh->desktop().shown()) shown.push_back(box(b.caption, b.text, b.type));
        EXPECT_EQ(shown, silent ? std::vector<std::string>{}
                                : std::vector<std::string>{box("[1033:116]", "[1033:117]", mb::iconInformation)});
        EXPECT_NE(fresh.log().find("Another Zarn installation is in progress. You must complete that installation "
                                   "before you can run this installer.\n"),
                  std::string::npos);
        EXPECT_FALSE(phases.events.has("run package"));
        EXPECT_TRUE(fresh->fileSystem().exists(path));  // the other run's flag is untouched
    }
}

TEST_F(MainFlowTest, AFlagFileLeftBehindIsDeletedUnlessItIsHeld) {
    sim->fileSystem().writeAll(flagPath, "");
    EXPECT_EQ(run(), 0);
    EXPECT_FALSE(flagExists());

    // Another program holds a file of that name open with full sharing: the delete only marks it, and
    // the flag cannot be created over it.
    sim->fileSystem().writeAll(flagPath, "");
    platform::Handle other = platform::Handle::invalid;
    namespace file = platform::file;
    platform::FileSystem& fs = sim->fileSystem();
    ASSERT_EQ(fs.createFile(flagPath, file::genericRead,
                                           file::shareRead | file::shareWrite | file::shareDelete, file::openExisting,
                                           file::attributeNormal, other),
              0u);
    const AutoHandle holder(other);
    EXPECT_EQ(run(), -1);
    EXPECT_TRUE(logged("Fail to set installation flag, ErrorCode is 5"));
    EXPECT_EQ(f.events.count("run package"), 1) << "only the first run's";
}

// How a request left at its deadline is awaited is the network layer's; the run's part is to end only
// after one last wait of bounded length.
TEST_F(MainFlowTest, TheRunEndsOnlyAfterALastBoundedWaitForRequestsLeftAtTheirDeadlines) {
    std::promise<void> release;
    const std::shared_future<void> released = release.get_future().share();
    f.payload.onRun = [&](const PackageAction&) {
        try {
            net::runWithin(50, [released](const auto&) { released.wait(); });
        } catch (const std::exception&) {
        }
    };
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(run(), 0);
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_GE(took, std::chrono::milliseconds(net::lastWaitMs));
    EXPECT_LT(took, std::chrono::milliseconds(net::lastWaitMs) + std::chrono::seconds(2));
    release.set_value();
    EXPECT_TRUE(net::awaitAbandonedRequests(5000));
}

// The country override is kept for the update component; the other policy values of the run go at its end.
TEST_F(MainFlowTest, EarlySettingsAndExtraCommandLine) {
    const std::string policy = "SOFTWARE\\Mendara\\Zarn Update\\Policy";
    seed::text(policy, 0, "VisitorId", "v");
    seed::text(policy, 0, "Method", "m");
    f.configuration.set(ConfigKey::countryOverride, "DE")
        .set(ConfigKey::installDir, "E:\\Apps\\Zarn")
        .set(ConfigKey::msiCmdline, "AUTO_UPDATE=0")
        .set(ConfigKey::cmdline, "REBOOT=Suppress");
    EXPECT_EQ(run(), 0);
    EXPECT_TRUE(
        logged("MSI command line: AUTO_UPDATE=0 REBOOT=Suppress ENDDIALOG=\"0\" INSTALLDIR=\"E:\\Apps\\Zarn\" "
               "PROG=\"0\" SKIPLICENSE=\"1\""));
    EXPECT_EQ(UpdateConf::ReadPolicyValue("Country", 2), "DE") << "stored without terminator";
    EXPECT_EQ(UpdateConf::ReadPolicyValue("VisitorId", 8), std::nullopt);
    EXPECT_EQ(UpdateConf::ReadPolicyValue("Method", 8), std::nullopt);
}

}  // namespace
}  // namespace driver::test
