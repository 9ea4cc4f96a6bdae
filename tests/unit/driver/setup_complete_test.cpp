// The completion sequence on the simulated machine, with a deployment library that records what it is
// asked and answers from a table.
#include "driver/setup_complete.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <vector>

#include "driver/deploy_library.h"
#include "foundation/sys_info.h"
#include "platform/sim/sim_machine.h"
#include "support/seed.h"

namespace driver {
namespace {

constexpr const char* home = "C:\\Program Files\\Zarn\\kobu1.8.0_45";
constexpr const char* deployDll = "deploy.dll";  // the simulated machine finds libraries by file name

/// The library: each request's bytes as it got them, and an answer per request kind.
struct Library {
    static inline std::vector<std::vector<std::uint8_t>> requests;
    static inline std::map<std::uint32_t, std::int32_t> answers;  // by the flag word's offset

    static std::int32_t registerDeployEx(deploy::Request* request, deploy::Response* response) {
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(request);
        requests.emplace_back(bytes, bytes + sizeof(deploy::Request));
        if (response->count != 1) return 0;
        for (std::uint32_t offset = 24; offset <= 36; offset += 4) {
            std::uint32_t flag = 0;
            std::memcpy(&flag, bytes + offset, sizeof flag);
            if (flag == 1) std::memcpy(reinterpret_cast<std::uint8_t*>(response->elements) + 44, &answers[offset], 4);
        }
        return 1;
    }
};

struct Pages final : CompletionPages {
    std::vector<std::string> shown;
    std::vector<int> answers;  // in turn; Close when they run out
    bool untick = false;

    int next() {
        const int answer = answers.empty() ? 2 : answers.front();
        if (!answers.empty()) answers.erase(answers.begin());
        return answer;
    }
    int plugin() override {
        shown.push_back("plugin");
        return next();
    }
    int restoreSecurity(bool showBack, bool& restore) override {
        shown.push_back(showBack ? "restore with Back" : "restore");
        if (untick) restore = false;
        return next();
    }
    int setupComplete(SetupCompleteData& data) override {
        shown.push_back(data.showBack ? "complete with Back" : "complete");
        return next();
    }
};

class SetupCompleteTest : public testing::Test {
protected:
    void SetUp() override {
        Library::requests.clear();
        Library::answers = {{24, 1}, {28, 0}, {32, 1}, {36, 1}};
        sim->system().settings().libraries[deployDll] = {
            {"RegisterDeployEx", reinterpret_cast<void*>(&Library::registerDeployEx)}};
        SysInfo::initialize();
    }

    bool logged(const std::string& line) { return sim.log().find(line) != std::string::npos; }

    sim::MachineScope sim;
};

TEST_F(SetupCompleteTest, RequestRecordsAndTheAnswerAtByte44) {
    const struct {
        deploy::Query query;
        std::uint32_t days;
        std::uint32_t flagOffset;
        const char* logged;
    } rows[] = {
        {deploy::Query::pluginStatus, 0, 24, "RegisterDeployEx: query userWebZarnStatus"},
        {deploy::Query::previousDecisionsExist, 30, 28, "RegisterDeployEx: query userPreviousDecisionsExist"},
        {deploy::Query::clearPreviousDecisions, 30, 32, "RegisterDeployEx: query clearUserPreviousDecisions"},
        {deploy::Query::resetPreviousDecisions, 0, 36, "RegisterDeployEx: query resetUserPreviousDecisions"},
    };
    DeployLibLoader library(home);
    for (const auto& row : rows) {
        Library::requests.clear();
        Library::answers[row.flagOffset] = -1;
        EXPECT_EQ(library.QueryDeployForUserStatus(row.query, row.days), -1) << row.logged;
        ASSERT_EQ(Library::requests.size(), 1u);
        std::vector<std::uint32_t> words(11);
        std::memcpy(words.data(), Library::requests[0].data(), 44);
        std::vector<std::uint32_t> expected{44, 4, 0, 0, 0, 2, 0, 0, 0, 0, row.days};
        expected[row.flagOffset / 4] = 1;
        EXPECT_EQ(words, expected) << row.logged;
        EXPECT_TRUE(logged(row.logged));
    }
    EXPECT_TRUE(logged("\tINFO: RegisterDeployEx call returned query_res = -1 ( 1 - yes/ok, 0 - no/(not found), -1 - "
                       "error during execution)\n"));
}

// Without a usable library neither extra page is offered and no decision is touched.
TEST_F(SetupCompleteTest, ALibraryThatCannotBeUsedAddsNoPage) {
    const struct {
        const char* name;
        std::string home;
        bool withLibrary;
        bool withEntryPoint;
        const char* logged;
    } rows[] = {
        {"empty home", "", true, true, "ERROR: zarnHome is empty. Fail to load deploy lib.\n"},
        {"no library", home, false, true, "DeployLibLoaderError in DeployLibLoader constructor Failed to load Deploy library\n"},
        {"no entry point", home, true, false,
         "DeployLibLoaderError in DeployLibLoader constructor Failed to GetProcAddress(RegisterDeployEx)\n"},
    };
    for (const auto& row : rows) {
        auto& libraries = sim->system().settings().libraries;
        libraries.erase(deployDll);
        if (row.withLibrary) libraries[deployDll] = {};
        if (row.withLibrary && row.withEntryPoint) {
            libraries[deployDll]["RegisterDeployEx"] = reinterpret_cast<void*>(&Library::registerDeployEx);
        }
        Library::answers = {{24, 0}, {28, 1}};
        Pages pages;
        ShowCompletionPages(pages, row.home, false, false);
        EXPECT_EQ(pages.shown, std::vector<std::string>{"complete"}) << row.name;
        EXPECT_TRUE(logged(row.logged)) << row.name << "\n" << sim.log();
    }
    EXPECT_TRUE(Library::requests.empty());
}

TEST_F(SetupCompleteTest, PagesAndTheirBackButtons) {
    const struct {
        const char* name;
        std::int32_t pluginStatus;
        std::int32_t decisionsExist;
        std::vector<int> answers;
        std::vector<std::string> shown;
    } rows[] = {
        {"plug-in enabled, no hidden prompts", 1, 0, {2}, {"complete"}},
        {"only hidden prompts", 1, 1, {1, 1029, 1, 2}, {"restore", "complete with Back", "restore", "complete with Back"}},
        {"both, Back walks every page", 0, 1, {1, 1, 1029, 1029, 1, 1, 2},
         {"plugin", "restore with Back", "complete with Back", "restore with Back", "plugin", "restore with Back",
          "complete with Back"}},
        {"Close on the plug-in page ends the sequence", 0, 0, {2}, {"plugin"}},
    };
    for (const auto& row : rows) {
        Library::answers = {{24, row.pluginStatus}, {28, row.decisionsExist}};
        Pages pages;
        pages.answers = row.answers;
        const auto outcome = ShowCompletionPages(pages, home, false, false);
        EXPECT_EQ(pages.shown, row.shown) << row.name;
        EXPECT_EQ(outcome.previousDecisionsExist, row.decisionsExist == 1) << row.name;
    }
    EXPECT_TRUE(logged("\tINFO: Adding  RestoreSecurity pane. It will be shown.\n"));
    EXPECT_TRUE(logged("\tINFO: DeployLibLoader::isZarnPluginDisabled() succeed\n"));
    EXPECT_TRUE(logged("\tINFO: Cancel is pushed, exit ShowDialogs\n"));
}

TEST_F(SetupCompleteTest, RestoreTickedClearsForThirtyDaysUntickedRenews) {
    for (const bool restore : {true, false}) {
        Library::requests.clear();
        ProcessRestoreSecurityData(home, restore);
        ASSERT_EQ(Library::requests.size(), 1u);
        std::uint32_t words[11];
        std::memcpy(words, Library::requests[0].data(), 44);
        EXPECT_EQ(words[restore ? 8 : 9], 1u) << restore;
        EXPECT_EQ(words[10], restore ? 30u : 0u) << restore;
    }
    EXPECT_TRUE(logged("\tINFO: DeployLibLoader::doClearUserPreviousDecisions() succeed\n"));
    EXPECT_TRUE(logged("\tINFO: DeployLibLoader::doResetUserPreviousDecisions() succeed\n"));
}

// A 64-bit installer never offers the browser restart nor the verify note; a 32-bit one offers the
// restart the package asked for instead of the verify page.
TEST_F(SetupCompleteTest, RestartAndVerifyByProcessWidth) {
    seed::text("SOFTWARE\\Mendara", seed::view32, firefoxRestartValue, "1");
    SetupCompleteData data;
    InitSetupCompleteData(data, false, true, false);
    EXPECT_FALSE(data.restartOffered);
    EXPECT_FALSE(data.showVerifyText);
    EXPECT_TRUE(logged("\tINFO: The installer is 64 bit online, set bShowVerifyPage = FALSE\n"));

    sim->system().settings().wow64 = true;
    SysInfo::initialize();
    InitSetupCompleteData(data, false, true, false);
    EXPECT_TRUE(data.firefoxRestart && data.restartOffered && data.restartNow);
    EXPECT_FALSE(data.ieRestart || data.showVerifyText);
    EXPECT_TRUE(logged("\tERROR: Error Opening RegKey at 64 bit loaction: 0\n"));
    EXPECT_TRUE(logged("\tERROR: Registry Value not found: 2\n")) << "IERESTART is absent";

    deleteRestartValue(firefoxRestartValue);
    InitSetupCompleteData(data, false, true, false);
    EXPECT_TRUE(data.showVerifyText) << "nothing to restart: the verify page is shown";
}

// The verification page opens in the browser the install method names, whatever its case; a declined
// restart forgets the package's request and touches no browser.
TEST_F(SetupCompleteTest, BrowsersAfterTheInstall) {
    seed::text("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\chrome.exe", 0, "path", "C:\\Chrome");
    seed::text("SOFTWARE\\Mendara", 0, ieRestartValue, "1");
    sim->processes().install("C:\\Chrome\\chrome.exe", sim::Program::exitingWith(0));
    SetupCompleteData data;
    data.showVerifyText = true;
    data.restartOffered = data.ieRestart = true;
    data.restartNow = false;
    ProcessSetupCompleteData(data, "ZCHROME");
    EXPECT_EQ(sim->processes().commandLines(),
              std::vector<std::string>{"\"C:\\Chrome\\chrome.exe\" -new-window \"https://www.zarn.example/verify9/?src=install\""});
    std::string value;
    EXPECT_FALSE(GetRegValueOfStringType(ieRestartValue, value)) << "the declined restart is forgotten";
    EXPECT_FALSE(logged("will be closed"));
}

}  // namespace
}  // namespace driver
