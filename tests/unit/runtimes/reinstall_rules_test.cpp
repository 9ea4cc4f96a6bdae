#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "driver/reinstall_rules.h"
#include "foundation/process_exit.h"
#include "foundation/sys_info.h"
#include "platform/desktop.h"
#include "platform/sim/sim_machine.h"
#include "support/seed.h"

namespace driver {
namespace {

constexpr const char* sameVersionCode = "{37B35BF5-14AE-4DB5-98C5-3A96418045F0}";
constexpr const char* msiexec = "C:\\Windows\\system32\\msiexec.exe";

std::string loadString(std::uint32_t id) { return "[" + std::to_string(id) + "]"; }

std::vector<std::string> boxes(sim::MachineScope& scope) {
    std::vector<std::string> shown;
    for (const auto& box : scope->desktop().shown()) {
        shown.push_back(box.text + "|" + box.caption + (box.type == platform::mb::iconError ? "|error" : "|?"));
    }
    return shown;
}

/// The same version installed as a runtime of the 64-bit view, with its product registered.
void sameVersion(std::optional<std::string> build = "15", std::optional<std::string> mode = {}, bool registered = true) {
    seed::runtime({.name = "1.8.0_45", .build = std::move(build), .mode = std::move(mode)});
    if (registered) seed::key(seed::uninstallEntry(sameVersionCode), seed::view64);
}

/// msiexec removes the runtime and answers `code`.
void msiexecAnswers(std::uint32_t code) {
    auto& processes = dynamic_cast<sim::SimProcesses&>(platform::machine().processes());
    processes.install(msiexec, sim::Program{[code](const sim::StartedProcess&) -> std::uint32_t {
                                                platform::machine().registry().deleteTree(
                                                    platform::RegKey::localMachine, seed::runtimePath("1.8.0_45"));
                                                return code;
                                            },
                                            std::nullopt});
}

TEST(ReinstallRulesTest, CheckReinstallCaseRows) {
    const std::string qn = std::string(" /x ") + sameVersionCode + " /qn";
    const std::string qb = std::string(" /x ") + sameVersionCode + " /qb!";
    const struct {
        const char* name;
        std::function<void(sim::MachineScope&)> setUp;
        bool staticRequested;
        bool silent;
        int expected;  // 100: the run ends with 0
        std::vector<std::string> shown;
        std::vector<std::string> commandLines;
        const char* line;
    } rows[] = {
        // clang-format off
        {"older runtime only", [](sim::MachineScope&) { seed::runtime({.name = "1.8.0_40"}); }, false, false, 1, {}, {},
         "INFO: No same version Kobu exists"},
        {"same build, product not registered",
         [](sim::MachineScope&) { sameVersion("15", {}, false); }, false, true, 1, {}, {}, "ERROR: GUID not found:2"},
        {"older build, registered, silent", [](sim::MachineScope&) { sameVersion("14"); }, false, true, 1, {}, {qn},
         "INFO: Existing build: 14 is same/older than current build: 15"},
        {"same build, registered, UI", [](sim::MachineScope&) { sameVersion("15"); }, false, false, 1, {}, {qb},
         "Kobu with same version 1.8.0_45 exists on the system"},
        {"newer build, UI", [](sim::MachineScope&) { sameVersion("16abc"); }, false, false, 0,
         {"[2048]|[2049]|error"}, {}, "Existing build: 16 is newer"},
        {"unreadable build counts as newer", [](sim::MachineScope&) { sameVersion(std::nullopt); }, false, true, 0, {},
         {}, "ERROR: ZarnKey.QueryValue(BuildNumber, Value); failed: 2"},
        {"static copy refuses a silent non-static install", [](sim::MachineScope&) { sameVersion("15", "s"); }, false,
         true, -1, {}, {}, "same/older"},
        {"static copy refuses in UI, OK ends the run", [](sim::MachineScope&) { sameVersion("15", "S"); }, false, false,
         100, {"[2047]|[2050]|error"}, {}, "same/older"},
        {"static copy refuses in UI, box failed",
         [](sim::MachineScope& s) { sameVersion("15", "S"); s->desktop().answer(0); }, false, false, -1, {"[2047]|[2050]|error"}, {}, "same/older"},
        {"static requested uninstalls the static copy", [](sim::MachineScope&) { sameVersion("15", "s"); }, true, true,
         1, {}, {qn}, "same/older"},
        {"failed uninstall goes on",
         [](sim::MachineScope&) { sameVersion("15"); msiexecAnswers(1603); }, false, true, 1, {}, {qn},
         "ERROR: uninstall 1.8.0_45 of {37B35BF5-14AE-4DB5-98C5-3A96418045F0} failed.  ErrorCode: 1603"},
        {"no msiexec location still goes on",
         [](sim::MachineScope&) {
             sameVersion("15");
             platform::machine().registry().deleteTree(platform::RegKey::localMachine,
                                                       "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Installer");
         }, false, true, 1, {}, {}, "failed.  ErrorCode: 1627"},
        {"a 32-bit process asks the 32-bit view",
         [](sim::MachineScope& s) {
             s->system().settings().wow64 = true;
             seed::runtime({.name = "1.8.0_45", .view = seed::view32, .build = "16"});
         }, false, true, 0, {}, {}, "INFO: Existing build: 16 is newer than current build: 15"},
        // clang-format on
    };
    for (const auto& row : rows) {
        sim::MachineScope scope;
        seed::installerLocation();
        msiexecAnswers(0);
        row.setUp(scope);
        int result = 0;
        try {
            result = CheckReinstallCase(row.staticRequested, row.silent, loadString);
        } catch (const ProcessExit& exit) {
            result = exit.code == 0 ? 100 : exit.code;
        }
        EXPECT_EQ(result, row.expected) << row.name;
        EXPECT_EQ(boxes(scope), row.shown) << row.name;
        EXPECT_EQ(scope->processes().commandLines(), row.commandLines) << row.name;
        EXPECT_NE(scope.log().find(row.line), std::string::npos) << row.name << "\n" << scope.log();
    }
}

TEST(ReinstallRulesTest, FamilyUpgradeRows) {
    const struct {
        const char* name;
        std::vector<seed::Runtime> installed;
        bool expected;
    } rows[] = {
        {"nothing installed", {}, false},
        {"older update in the process's view", {{.name = "1.8.0_40"}}, true},
        {"older runtime only in the other view", {{.name = "1.8.0_40", .view = seed::view32}}, false},
        {"this very build", {{.name = "1.8.0_45", .fullVersion = "1.8.0_45-b15"}}, false},
        {"newer update beside an older one", {{.name = "1.8.0_40"}, {.name = "1.8.0_51"}}, false},
    };
    for (const auto& row : rows) {
        sim::MachineScope scope;
        for (const auto& r : row.installed) seed::runtime(r);
        EXPECT_EQ(IsThisAFamilyUpgrade(), row.expected) << row.name;
        EXPECT_EQ(scope.log().find("This is a Family Upgrade install") != std::string::npos, row.expected) << row.name;
    }
}

TEST(ReinstallRulesTest, MsiexecPathRows) {
    const platform::OsVersion win10{10, 0, 19045, 2, "", 0, 0, 0x100, 1};
    const struct {
        const char* name;
        platform::OsVersion os;
        std::optional<std::string> location;
        const char* expected;
    } rows[] = {
        {"from another full location", win10, "D:\\Installer", "D:\\Installer\\msiexec.exe"},
        {"a relative location is the system directory", win10, "Installer", msiexec},
        {"no location", win10, std::nullopt, ""},
        {"XP-class server uses the system directory", {5, 2, 3790, 2, "", 0, 0, 0, 3}, std::nullopt, msiexec},
        {"XP workstation still asks the location", {5, 1, 2600, 2, "", 0, 0, 0, 1}, std::nullopt, ""},
    };
    for (const auto& row : rows) {
        sim::MachineScope scope;
        scope->system().settings().rtlVersion = row.os;
        scope->system().settings().version = row.os;
        SysInfo::initialize();
        if (row.location) seed::installerLocation(*row.location);
        EXPECT_EQ(GetMsiexecPath(), row.expected) << row.name;
    }
}

}  // namespace
}  // namespace driver
