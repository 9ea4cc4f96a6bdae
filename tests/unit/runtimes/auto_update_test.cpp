// The auto-update component's installation on the simulated machine: msiexec and the registration
// tool are scripted programs, the component's version and policy live in the simulated registry.
#include "driver/auto_update.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <optional>

#include "au/config.h"
#include "foundation/registry_key.h"
#include "foundation/sys_info.h"
#include "platform/sim/sim_machine.h"
#include "platform/win_errors.h"
#include "support/seed.h"

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

class AutoUpdateTest : public testing::Test, protected Machine {};

TEST_F(AutoUpdateTest, CleanMachineInstallsAndRegistersWithoutTouchingThePolicy) {
    EXPECT_EQ(InstallAutoUpdateComponent(false, true), 0);
    EXPECT_THAT(lines(), ElementsAre(installLine, registrationLine));
    EXPECT_EQ(sim->fileSystem().readAll(package), "au");
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

TEST(AutoUpdateRows, CommandLinesAndResults) {
    const std::string disabledLine = std::string("\"") + msiexec + "\" /i \"" + package + "\"DISABLE=1 ALLUSERS=1 /qn";
    const std::string oemLine = std::string("\"") + msiexec + "\" /i \"" + package + "\" ALLUSERS=1 OEMUPDATE=1 /qn";
    const char* enabledText = "Auto Update is enabled";
    const char* disabledText = "Auto Update is disabled via configuration settings";
    const char* installFailed = "Auto Update install failed";
    const char* thrown = "(driver::InstallAutoUpdate)]\n\tERROR: Exception with message '";
    const char* notUpgradable = "AU is not upgradable - Installed version >= the bundled version.\n";
    const auto noLocation = [](Machine&) {
        platform::machine().registry().deleteKey(platform::RegKey::localMachine,
                                                 "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Installer", 0);
    };
    const auto noFolder = [](Machine& m) { m.sim->faults().fail("System.folderPath", platform::err::accessDenied, 1); };
    const auto noPolicy = [](Machine& m) { m.sim->faults().fail("Registry.createKey", platform::err::accessDenied, 1); };
    const std::string profile = "C:\\Users\\" + std::string(220, 'u') + "\\AppData\\LocalLow";
    const auto longProfile = [&](Machine& m) {
        m.sim->system().settings().knownFolders[platform::KnownFolder::localAppDataLow] = profile;
        m.sim->fileSystem().makeDirectories(profile);
    };
    const std::string longLine =
        std::string("\"") + msiexec + "\" /i \"" + profile + "\\Corvane\\Zarn\\AU\\au.msi\" ALLUSERS=1 /qn";
    // Through the phase the run calls: the product is installed then, so an error ends only the attempt.
    const struct {
        const char* name;
        const char* installed;  // the component's version before the run
        bool oemUpdate, autoUpdate;
        std::uint32_t installCode, registrationCode;
        int result;
        std::vector<std::string> lines;
        std::vector<const char*> logged, absent;
        std::function<void(Machine&)> setUp = [](Machine&) {};
    } rows[] = {
        // clang-format off
        {"auto update disabled", nullptr, false, false, 0, 0, 0, {disabledLine, registrationLine}, {disabledText},
         {enabledText}},
        {"OEM update wins over auto update", nullptr, true, false, 0, 0, 0, {oemLine, registrationLine}, {},
         {enabledText, disabledText}},
        {"msiexec fails", nullptr, false, true, 1603, 0, 1603, {installLine}, {enabledText, installFailed}, {thrown}},
        {"registration tool fails", nullptr, false, true, 0, 1, -3, {installLine, registrationLine}, {enabledText},
         {installFailed, thrown}},
        {"no msiexec location", nullptr, false, true, 0, 0, -3, {}, {"Error: InstallAutoUpdate(), couldn't find WIPath"},
         {enabledText}, noLocation},
        {"no common program files folder", nullptr, false, true, 0, 0, -4, {installLine}, {enabledText, thrown},
         {installFailed}, noFolder},
        {"the same component is left alone", "2.8.45.15", false, true, 0, 0, -2, {}, {notUpgradable}, {}},
        {"a version not of four numbers ends the attempt", "2.8.x", false, true, 0, 0, -4, {},
         {"Failed to parse [2.8.x] version string"}, {}},
        {"an older 2.8 component with an unreadable schedule: warned, not written back", "2.8.20.1", false, true, 0, 0,
         0, {uninstallLine, installLine, registrationLine}, {"Failed to get existing AU schedule setting."}, {},
         noPolicy},
        {"a long profile folder makes a line past 260 characters, run whole", nullptr, false, true, 0, 0, 0,
         {longLine, registrationLine}, {}, {}, longProfile},
        // clang-format on
    };
    for (const auto& row : rows) {
        Machine test;
        if (row.installed) test.installed(row.installed);
        test.installCode = row.installCode;
        test.registrationCode = row.registrationCode;
        row.setUp(test);
        EXPECT_EQ(MachineAutoUpdate().install(row.oemUpdate, row.autoUpdate), row.result) << row.name;
        EXPECT_EQ(test.lines(), row.lines) << row.name;
        const std::string log = test.sim.log();
        for (const char* text : row.logged) EXPECT_THAT(log, HasSubstr(text)) << row.name;
        for (const char* text : row.absent) EXPECT_THAT(log, testing::Not(HasSubstr(text))) << row.name;
        if (row.result == -2) {
            EXPECT_EQ(auVersion(), row.installed) << row.name;
        }
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
        {"package held open by another program",
         [](sim::Machine& m) {
             m.resources().add(platform::ResourceId::of("ZARN_INSTALLER"), platform::ResourceId::of(105), 0,
                               std::vector<std::uint8_t>{'a', 'u'});
             m.faults().fail("FileSystem.createFile", platform::err::sharingViolation);
         },
         32, "\tERROR: Installer : Wrapper.CreateFile failed with system error 32 "},
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
