#include <gtest/gtest.h>

#include <string>

#include "foundation/process_exit.h"
#include "foundation/sys_info.h"
#include "platform/sim/sim_machine.h"
#include "platform/win_errors.h"
#include "scrub/zarn_scrub.h"
#include "scrub/zcleaner.h"
#include "support/error_of.h"
#include "support/seed.h"

namespace zscrub {
namespace {

constexpr const char* msiexec = "C:\\Windows\\system32\\msiexec.exe";

std::string uninstallCommand(const std::string& code) {
    return std::string("\"") + msiexec + "\" REBOOT=Suppress /x " + code + " /qn";
}

class ZCleanerTest : public testing::Test {
public:
    bool logged(const std::string& text) { return sim.log().find(text) != std::string::npos; }

    sim::MachineScope sim;
};

TEST_F(ZCleanerTest, ProductCodeRows) {
    const struct {
        const char* version;
        int bitness;
        ProductCodeForm form;
        const char* code;
    } rows[] = {
        {"1.4.2", 32, ProductCodeForm::A, "{8259A1B9-7924-22E7-B88C-11C1E1142000}"},
        {"1.6.0_07", 64, ProductCodeForm::A, "{6459A1B9-7924-22E7-B88C-11C1E1160070}"},
        {"1.6.0_10", 32, ProductCodeForm::A, "{37B35BF5-14AE-4DB5-98C5-3A93216010F0}"},
        {"1.7.0_59", 32, ProductCodeForm::A, "{37B35BF5-14AE-4DB5-98C5-3A93217059F0}"},
        {"1.7.0_60", 32, ProductCodeForm::A, "{37B35BF5-14AE-4DB5-98C5-3A13217060F0}"},
        {"1.7.0_71", 64, ProductCodeForm::A, "{37B35BF5-14AE-4DB5-98C5-3A16417071F0}"},
        {"1.7.0_72", 64, ProductCodeForm::A, "{37B35BF5-14AE-4DB5-98C5-3A96417072F0}"},
        {"1.8.0_60", 64, ProductCodeForm::A, "{37B35BF5-14AE-4DB5-98C5-3A96418060F0}"},
        {"1.8.0_101", 32, ProductCodeForm::B, "{37B35BF5-14AE-4DB5-98C5-3A32180101FF}"},
        {"1.8.0_45-b15", 64, ProductCodeForm::A, "{37B35BF5-14AE-4DB5-98C5-3A96418045F0}"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(ZCleaner::getProductGUID(row.version, row.bitness, row.form), row.code)
            << row.version << " " << row.bitness;
    }
}

TEST_F(ZCleanerTest, CountdownTriesEveryUpdateAndFailsWhenNoCodeIsAccepted) {
    seed::runtime({.name = "1.6.0_45"});
    std::uint32_t exitCode = 0;
    EXPECT_FALSE(ZarnScrub::uninstallKobuVersion("1.6.0_45", true, &exitCode));
    const auto lines = sim->processes().commandLines();
    ASSERT_EQ(lines.size(), 47u);
    EXPECT_EQ(lines.front(), uninstallCommand("{37B35BF5-14AE-4DB5-98C5-3A96416045F0}"));
    EXPECT_EQ(lines[1], uninstallCommand("{37B35BF5-14AE-4DB5-98C5-3A96416045FF}"));
    EXPECT_EQ(lines[2], uninstallCommand("{37B35BF5-14AE-4DB5-98C5-3A96416044FF}"));
    EXPECT_EQ(lines[36], uninstallCommand("{37B35BF5-14AE-4DB5-98C5-3A96416010FF}"));
    // Updates below 10 fall in the earlier family, whose prefix carries the bitness in front.
    EXPECT_EQ(lines.back(), uninstallCommand("{6459A1B9-7924-22E7-B88C-11C1E116000FF}"));
    EXPECT_EQ(exitCode, 1605u);
    EXPECT_TRUE(logged("ERROR: Failed to uninstall 1.6.0_45 64bit failed with system error 1605"));
    EXPECT_EQ(sim->processes().started()[0].application, "") << "msiexec is found through the search path";
}

TEST_F(ZCleanerTest, AttemptRows) {
    const struct {
        const char* name;
        seed::Runtime installed;
        const char* asked;
        bool is64;
        const char* accepted;
        std::uint32_t acceptedCode;
        bool result;
        std::size_t runs;
        std::uint32_t exitCode;
    } rows[] = {
        {"the countdown stops at the first accepted code", {.name = "1.6.0_45"}, "1.6.0_45", true,
         "{37B35BF5-14AE-4DB5-98C5-3A96416043FF}", 0, true, 4, 0},
        {"restart required counts as success", {.name = "1.7.0_45", .view = seed::view32}, "1.7.0_45", false,
         "{37B35BF5-14AE-4DB5-98C5-3A93217045F0}", 3010, true, 1, 3010},
        {"early release tries form A only", {.name = "1.6.0_07"}, "1.6.0_07", true, "none", 0, false, 1, 1605},
        {"update 0 makes one countdown attempt", {.name = "1.8.0"}, "1.8.0", true, "none", 0, false, 2, 1605},
        {"key only in the other view runs nothing", {.name = "1.7.0_45", .view = seed::view32}, "1.7.0_45", true,
         "none", 0, false, 0, 77},
    };
    for (const auto& row : rows) {
        sim::MachineScope scope;
        seed::runtime(row.installed);
        scope->processes().install(msiexec, sim::Program{[&](const sim::StartedProcess& p) -> std::uint32_t {
                                                             return p.commandLine == uninstallCommand(row.accepted)
                                                                        ? row.acceptedCode
                                                                        : 1605;
                                                         },
                                                         std::nullopt});
        std::uint32_t exitCode = 77;
        EXPECT_EQ(ZarnScrub::uninstallKobuVersion(row.asked, row.is64, &exitCode), row.result) << row.name;
        EXPECT_EQ(scope->processes().commandLines().size(), row.runs) << row.name;
        EXPECT_EQ(exitCode, row.exitCode) << row.name;
        const std::string done = std::string(row.asked) + (row.is64 ? " 64bit" : " 32bit") + " successfully uninstalled";
        EXPECT_EQ(scope.log().find("INFO: " + done) != std::string::npos, row.result) << row.name;
    }
}

// The entry goes with the product, or as an orphan msiexec does not know; a product still installed
// after a failure stays listed, and an exit code that cannot be read is a failure.
TEST_F(ZCleanerTest, UninstallEntryFollowsTheOutcome) {
    const std::string code = "{37B35BF5-14AE-4DB5-98C5-3A96418045F0}";
    const struct {
        const char* name;
        std::uint32_t answer;
        bool exitCodeUnreadable;
        bool result;
        std::uint32_t exitCode;
        bool entryKept;
    } rows[] = {
        {"removed", 0, false, true, 0, false},
        {"unknown product", 1605, false, false, 1605, false},
        {"another installation running", 1618, false, false, 1618, true},
        {"exit code unreadable", 0, true, false, platform::err::accessDenied, true},
    };
    for (const auto& row : rows) {
        sim::MachineScope scope;
        SysInfo::initialize();
        seed::key(seed::uninstallEntry(code), 0);
        scope->processes().install(msiexec, sim::Program::exitingWith(row.answer));
        if (row.exitCodeUnreadable) scope->faults().fail("Processes.exitCodeProcess", platform::err::accessDenied);
        std::uint32_t exitCode = 0;
        EXPECT_EQ(runUninstaller(code, exitCode), row.result) << row.name;
        EXPECT_EQ(exitCode, row.exitCode) << row.name;
        EXPECT_EQ(seed::exists(seed::uninstallEntry(code), 0), row.entryKept) << row.name;
    }
}

TEST_F(ZCleanerTest, UnsupportedVersionsThrowBeforeAnyUninstall) {
    seed::runtime({.name = "1.4.1_07"});
    EXPECT_NE(test_support::errorOf([] { ZarnScrub::uninstallKobuVersion("1.4.1_07", true); })
                  .find("Zarn version less than 1.4.2 is not supported"),
              std::string::npos);
    EXPECT_TRUE(sim->processes().commandLines().empty());
}

TEST_F(ZCleanerTest, MsiexecThatCannotStartEndsTheProcess) {
    sim->faults().fail("Processes.createProcess", platform::err::fileNotFound);
    std::uint32_t exitCode = 0;
    int ended = 0;
    try {
        runUninstaller("{X}", exitCode);
    } catch (const ProcessExit& exit) {
        ended = exit.code;
    }
    EXPECT_EQ(ended, -1);
    EXPECT_EQ(sim->fileSystem().readAll("C:\\Users\\test\\AppData\\Local\\Temp\\ZarnScrub.log"),
              "Cannot execute msiexec.exe");
    EXPECT_EQ(sim->processes().standardError(), "Cannot execute misexec.exe");
}

TEST_F(ZCleanerTest, ScrubLogAppendsAndReportsWhatItCannotOpen) {
    for (int i = 0; i < 2; ++i) {
        AutoHandle log = openScrubLog();
        ASSERT_TRUE(log);
        std::uint32_t written = 0;
        sim->fileSystem().writeFile(log.get(), "ab", 2, written);
    }
    EXPECT_EQ(sim->fileSystem().readAll("C:\\Users\\test\\AppData\\Local\\Temp\\ZarnScrub.log"), "abab");

    sim->faults().fail("FileSystem.createFile", platform::err::accessDenied);
    EXPECT_FALSE(openScrubLog());
    EXPECT_EQ(sim->processes().standardError().rfind("Create-File-Wrapper:", 0), 0u);
}

}  // namespace
}  // namespace zscrub
