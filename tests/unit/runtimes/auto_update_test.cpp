// The auto-update component's installation on the simulated machine: msiexec and the registration
// tool are scripted programs, the component's version and policy live in the simulated registry.
#include "driver/auto_update.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <optional>

#include "au/config.h"
#include "driver/main_flow.h"
#include "driver/process_values.h"
#include "driver/production_phases.h"
#include "foundation/auto_handle.h"
#include "foundation/product_sites.h"
#include "foundation/registry_key.h"
#include "foundation/sha256.h"
#include "foundation/sys_info.h"
#include "platform/file_system.h"
#include "platform/sim/sim_machine.h"
#include "platform/win_errors.h"
#include "seed.h"

namespace driver {
namespace {

using testing::ElementsAre;
using testing::HasSubstr;

constexpr const char* msiexec = "C:\\Windows\\system32\\msiexec.exe";
constexpr const char* componentDir = "C:\\Program Files (x86)\\Common Files\\Zarn\\Zarn Update";
constexpr const char* auKey = "SOFTWARE\\Mendara\\Auto Update";
constexpr const char* runKeyPath = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
const std::string package = "C:\\Users\\test\\AppData\\LocalLow\\Corvane\\Zarn\\AU\\au.msi";
const std::string installLine = std::string("\"") + msiexec + "\" /i \"" + package + "\" ALLUSERS=1 /qn";
const std::string uninstallLine = std::string("\"") + msiexec + "\" /x {5B14817A-777B-4148-8888-6A3859875E21} /qn";
const std::string registrationLine = " -r kobu 1.8.0_45-b15";

constexpr au::Schedule usersSchedule{0x0410, 6, 30};

std::optional<std::string> auVersion() {
    try {
        RegistryKey key(seed::view32);
        key.open(platform::RegKey::localMachine, auKey);
        return key.queryStringValue("AUVersion");
    } catch (const std::runtime_error&) {
        return std::nullopt;
    }
}

/// A machine with the carried component, msiexec that installs or removes it, and the registration tool.
struct Machine {
    Machine() {
        SysInfo::initialize();
        seed::installerLocation();
        sim->resources().add(platform::ResourceId::of("ZARN_INSTALLER"), platform::ResourceId::of(105), 0,
                             std::vector<std::uint8_t>{'a', 'u'});
        // msiexec removes the component by its product code and installs the carried one.
        sim->processes().install(msiexec, sim::Program{[this](const sim::StartedProcess& p) -> std::uint32_t {
                                                           if (p.commandLine.find(" /x ") != std::string::npos) {
                                                               platform::machine().registry().deleteKey(
                                                                   platform::RegKey::localMachine, auKey, seed::view32);
                                                               return 0;
                                                           }
                                                           if (installCode == 0)
                                                               seed::text(auKey, seed::view32, "AUVersion",
                                                                          "2.8.45.15");
                                                           return installCode;
                                                       },
                                                       std::nullopt});
        sim->processes().install(
            std::string(componentDir) + "\\zaureg.exe",
            sim::Program{[this](const sim::StartedProcess&) { return registrationCode; }, std::nullopt});
    }

    void installed(const char* version) { seed::text(auKey, seed::view32, "AUVersion", version); }

    std::vector<std::string> lines() { return sim->processes().commandLines(); }

    sim::MachineScope sim;
    std::uint32_t installCode = 0;
    std::uint32_t registrationCode = 0;
};

class AutoUpdateTest : public testing::Test {
protected:
    void installed(const char* version) { machine.installed(version); }
    std::vector<std::string> lines() { return machine.lines(); }

    Machine machine;
    sim::MachineScope& sim = machine.sim;
};

TEST(AutoUpdateRows, SameOrNewerComponentIsLeftAlone) {
    for (const char* version : {"2.8.45.15", "2.8.51.3"}) {
        Machine test;
        test.installed(version);
        EXPECT_EQ(InstallAutoUpdateComponent(false, true), -2) << version;
        EXPECT_TRUE(test.lines().empty()) << version;
        EXPECT_THAT(test.sim.log(), HasSubstr("AU is not upgradable - Installed version >= the bundled version.\n"))
            << version;
        EXPECT_EQ(auVersion(), version);
    }
}

TEST_F(AutoUpdateTest, CleanMachineInstallsAndRegistersWithoutTouchingThePolicy) {
    EXPECT_EQ(InstallAutoUpdateComponent(false, true), 0);
    EXPECT_THAT(lines(), ElementsAre(installLine, registrationLine));
    EXPECT_EQ(sim->fileSystem().readAll(package), "au");
    EXPECT_EQ(auVersion(), "2.8.45.15");
    EXPECT_FALSE(seed::exists("SOFTWARE\\Mendara\\Zarn Update\\Policy", seed::view32)) << "no policy read or written";
    const auto log = sim.log();
    EXPECT_THAT(log, HasSubstr("Auto Update is enabled"));
    EXPECT_THAT(log, testing::Not(HasSubstr("getSchedule")));
}

// The user's schedule and notify choice survive the upgrade from the legacy layout.
TEST_F(AutoUpdateTest, OlderComponentIsReplacedAndThePolicyKept) {
    installed("2.7.0.5");
    {
        RegistryKey policy(seed::view32);
        policy.open(platform::RegKey::localMachine, "SOFTWARE\\Mendara\\Zarn Update\\Policy", true, true);
        policy.setDwordValue("Frequency", usersSchedule.frequency);
        policy.setDwordValue("UpdateSchedule", usersSchedule.updateSchedule);
        policy.setDwordValue("UpdateMin", usersSchedule.updateMin);
        policy.setDwordValue("NotifyDownload", 0);
        policy.setDwordValue("NotifyInstall", 1);
    }
    EXPECT_EQ(InstallAutoUpdateComponent(false, true), 0);
    EXPECT_THAT(lines(), ElementsAre(uninstallLine, installLine, registrationLine));
    au::Config current(1);
    bool stored = false;
    EXPECT_EQ(current.getSchedule(&stored), usersSchedule);
    EXPECT_TRUE(stored);
    EXPECT_EQ(current.getNotifyType(), au::notifyBeforeInstall);
    EXPECT_THAT(sim.log(), testing::Not(HasSubstr("failed")));
}

// A 2.8 component keeps the current layout; its unreadable schedule is warned about and not written back.
TEST_F(AutoUpdateTest, OlderCurrentLayoutComponentWithAnUnreadablePolicy) {
    installed("2.8.20.1");
    sim->faults().fail("Registry.createKey", platform::err::accessDenied, 1);
    EXPECT_EQ(InstallAutoUpdateComponent(false, true), 0);
    EXPECT_THAT(lines(), ElementsAre(uninstallLine, installLine, registrationLine));
    EXPECT_THAT(sim.log(), HasSubstr("Failed to get existing AU schedule setting."));
}

TEST(AutoUpdateRows, CommandLinesAndResults) {
    const std::string disabledLine = std::string("\"") + msiexec + "\" /i \"" + package + "\"DISABLE=1 ALLUSERS=1 /qn";
    const std::string oemLine = std::string("\"") + msiexec + "\" /i \"" + package + "\" ALLUSERS=1 OEMUPDATE=1 /qn";
    const char* enabledText = "Auto Update is enabled";
    const char* disabledText = "Auto Update is disabled via configuration settings";
    const char* installFailed = "Auto Update install failed";
    const char* thrown = "(driver::InstallAutoUpdate)]\n\tERROR: Exception with message '";
    const struct {
        const char* name;
        bool oemUpdate, autoUpdate;
        std::uint32_t installCode, registrationCode;
        int result;
        std::vector<std::string> lines;
        std::vector<const char*> logged, absent;
        const char* missing = "";  // "location": msiexec's; "folder": the common program files
    } rows[] = {
        {"auto update disabled",
         false,
         false,
         0,
         0,
         0,
         {disabledLine, registrationLine},
         {disabledText},
         {enabledText}},
        {"OEM update wins over auto update",
         true,
         false,
         0,
         0,
         0,
         {oemLine, registrationLine},
         {},
         {enabledText, disabledText}},
        {"msiexec fails", false, true, 1603, 0, 1603, {installLine}, {enabledText, installFailed}, {thrown}},
        {"registration tool fails",
         false,
         true,
         0,
         1,
         -3,
         {installLine, registrationLine},
         {enabledText},
         {installFailed, thrown}},
        {"no msiexec location",
         false,
         true,
         0,
         0,
         -3,
         {},
         {"Error: InstallAutoUpdate(), couldn't find WIPath"},
         {enabledText},
         "location"},
        {"no common program files folder",
         false,
         true,
         0,
         0,
         -4,
         {installLine},
         {enabledText, thrown},
         {installFailed},
         "folder"},
    };
    for (const auto& row : rows) {
        Machine test;
        test.installCode = row.installCode;
        test.registrationCode = row.registrationCode;
        if (std::string(row.missing) == "location") {
            platform::machine().registry().deleteKey(platform::RegKey::localMachine,
                                                     "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Installer", 0);
        }
        if (std::string(row.missing) == "folder")
            test.sim->faults().fail("System.folderPath", platform::err::accessDenied, 1);
        EXPECT_EQ(InstallAutoUpdateComponent(row.oemUpdate, row.autoUpdate), row.result) << row.name;
        EXPECT_EQ(test.lines(), row.lines) << row.name;
        const std::string log = test.sim.log();
        for (const char* text : row.logged) EXPECT_THAT(log, HasSubstr(text)) << row.name;
        for (const char* text : row.absent) EXPECT_THAT(log, testing::Not(HasSubstr(text))) << row.name;
    }
}

TEST(AutoUpdateRows, PackageThatCannotBeWrittenWhereItBelongs) {
    const struct {
        const char* name;
        std::function<void(sim::Machine&)> setUp;
        int result;
        const char* logged;
    } rows[] = {
        {"no Corvane directory", [](sim::Machine& m) { m.faults().fail("FileSystem.createDirectory", 5, 1, 0); }, -1,
         "Can not create the Corvane directory to extract installer files. \n"},
        {"no Zarn directory", [](sim::Machine& m) { m.faults().fail("FileSystem.createDirectory", 5, 1, 1); }, -1,
         "Can not create the Zarn directory to extract installer files. \n"},
        {"no AU directory", [](sim::Machine& m) { m.faults().fail("FileSystem.createDirectory", 5, 1, 2); }, -1,
         "Can not create the AU directory to extract installer files. \n"},
        {"no package carried", [](sim::Machine&) {}, -5, nullptr},
    };
    for (const auto& row : rows) {
        sim::MachineScope scope;
        SysInfo::initialize();
        row.setUp(scope.machine());
        EXPECT_EQ(InstallAutoUpdateComponent(false, true), row.result) << row.name;
        if (row.logged != nullptr) {
            EXPECT_THAT(scope.log(), HasSubstr(row.logged)) << row.name;
        } else {
            EXPECT_THAT(scope.log(), testing::Not(HasSubstr("Can not create"))) << row.name;
        }
        EXPECT_FALSE(scope->fileSystem().exists(package)) << row.name;
        EXPECT_TRUE(scope->processes().commandLines().empty()) << row.name;
    }
}

TEST_F(AutoUpdateTest, SchedulerStartsAtLogOnUnlessAnEntryExists) {
    RegisterAUScheduler();
    RegistryKey run(seed::view32);
    run.open(platform::RegKey::localMachine, runKeyPath);
    EXPECT_EQ(run.queryStringValue("PellamZarnUpdateSched"), std::string(componentDir) + "\\zusched.exe");
    EXPECT_FALSE(seed::exists(runKeyPath, seed::view64)) << "only the 32-bit view";

    seed::text(runKeyPath, seed::view32, "PellamZarnUpdateSched", "C:\\elsewhere\\other.exe");
    RegisterAUScheduler();
    EXPECT_EQ(run.queryStringValue("PellamZarnUpdateSched"), "C:\\elsewhere\\other.exe");
}

}  // namespace
}  // namespace driver

namespace driver {
namespace {

// A long profile folder makes a long line; it is run whole, switches and all.
TEST(AutoUpdateRows, ALongPackagePathKeepsItsSwitches) {
    Machine machine;
    const std::string profile = "C:\\Users\\" + std::string(220, 'u') + "\\AppData\\LocalLow";
    machine.sim->system().settings().knownFolders[platform::KnownFolder::localAppDataLow] = profile;
    machine.sim->fileSystem().makeDirectories(profile);
    EXPECT_EQ(InstallAutoUpdateComponent(false, true), 0);
    const std::string line = machine.lines().at(0);
    EXPECT_GT(line.size(), 260u);
    EXPECT_TRUE(line.ends_with("\\Corvane\\Zarn\\AU\\au.msi\" ALLUSERS=1 /qn")) << line;
}

// The product is installed when this runs: a version that is not four numbers ends the attempt, not the run.
TEST(AutoUpdateRows, UnreadableInstalledVersionEndsOnlyTheAttempt) {
    Machine machine;
    machine.installed("2.8.x");
    MachineAutoUpdate component;
    EXPECT_EQ(component.install(false, true), -4);
    EXPECT_TRUE(machine.lines().empty());
    EXPECT_THAT(machine.sim.log(), HasSubstr("Failed to parse [2.8.x] version string"));
}

}  // namespace
}  // namespace driver

namespace driver {
namespace {

// The product is installed before its component's package is written: a package held by another
// program ends only the component's installation, and the run ends as a good run does.
TEST(AutoUpdateRows, APackageThatCannotBeWrittenLeavesTheRunToTheProductsResult) {
    Machine machine;
    auto& sim = machine.sim;
    processValues() = ProcessValues{};
    const std::vector<std::uint8_t> productPackage(4096, 0x5A);
    const std::string digest = toLowerHex(sha256Of(productPackage));
    sim->resources().add(platform::ResourceId::of("ZARN_INSTALLER"), platform::ResourceId::of(103), 0, productPackage);
    sim->resources().add(platform::ResourceId::of("ZARN_INSTALLER_SHA256"), platform::ResourceId::of(103), 0,
                         std::vector<std::uint8_t>(digest.begin(), digest.end()));
    sim->installer().addPackage("C:\\Users\\test\\AppData\\LocalLow\\Pellam\\Zarn\\kobu1.8.0_45_x64\\kobu1.8.0_45.msi",
                                sim::ScriptedPackage{});
    sim::SimResponse options;
    options.body = {"<zarn-update><information version=\"1.0\" xml:lang=\"en\"><post-status>" +
                    std::string(product::sites::pingEndpoint) + "</post-status></information></zarn-update>"};
    sim->internet().serve(product::sites::optionsDocument, options);
    sim->internet().serve(product::sites::pingEndpoint, sim::SimResponse{});

    namespace file = platform::file;
    sim->fileSystem().makeDirectories("C:\\Users\\test\\AppData\\LocalLow\\Corvane\\Zarn\\AU");
    AutoHandle held;
    ASSERT_EQ(platform::machine().fileSystem().createFile(package, file::genericRead, file::shareNone,
                                                          file::createAlways, file::attributeNormal, *held.put()),
              0u);
    sim->system().settings().commandLine = u"\"C:\\Users\\test\\Downloads\\kobuoffline.exe\" /s";

    EXPECT_EQ(RunInstaller(productionPhases(), "/s"), 0);
    const std::string log = sim.log();
    EXPECT_THAT(log, HasSubstr("\tERROR: Installer : Wrapper.CreateFile failed with system error 32 "));
    EXPECT_TRUE(log.ends_with("\tINFO: Wrapper exit code: 0\n")) << log;
    EXPECT_TRUE(machine.lines().empty()) << "no msiexec for a package not written";
    const auto requests = sim->internet().requests();
    ASSERT_FALSE(requests.empty());
    EXPECT_EQ(requests.back().url, product::sites::pingEndpoint);
    EXPECT_THAT(requests.back().body, HasSubstr("<evar26>32</evar26>"));
    EXPECT_TRUE(seed::exists("Software\\KobuMetrics", seed::view32)) << "the run was counted";
    RegistryKey run(seed::view32);
    run.open(platform::RegKey::localMachine, runKeyPath);
    EXPECT_EQ(run.queryStringValue("PellamZarnUpdateSched"), std::string(componentDir) + "\\zusched.exe");
    EXPECT_FALSE(seed::exists("SOFTWARE\\Mendara\\SilentInstall", 0)) << "cleaned up";
}

}  // namespace
}  // namespace driver
