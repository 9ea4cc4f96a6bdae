// The removal of out-of-date runtimes played through the scripted browser: what the user does on each
// page, what is uninstalled, what the pages are told, and the report the ping carries.
#include "scrub/removal_sequence.h"

#include <gtest/gtest.h>

#include "foundation/sys_info.h"
#include "platform/sim/sim_machine.h"
#include "seed.h"

namespace zscrub {
namespace {

using Page = sim::SimHtmlPage;
using Script = sim::SimHtmlPageScript;
using Scripts = std::vector<std::string>;

constexpr const char* msiexec = "C:\\Windows\\system32\\msiexec.exe";

// 1.6.0_20 and 1.7.0_45 lie in their families' ranges and start ticked; 1.7.0_05 does not.
const char* const latestVersions =
    "<?xml version=\"1.0\"?><kobuVersions>"
    "<family id=\"1.6.0\"><baselineVersion>1.6.0_30</baselineVersion>"
    "<ranges><range><minVersion>1.6.0_10</minVersion><maxVersion>1.6.0_30</maxVersion></range></ranges></family>"
    "<family id=\"1.7.0\"><latestVersion>1.7.0_60</latestVersion><baselineVersion>1.7.0_51</baselineVersion>"
    "<ranges><range><minVersion>1.7.0_10</minVersion><maxVersion>1.7.0_51</maxVersion></range></ranges></family>"
    "</kobuVersions>";

const char* const name16 = "Zarn(TM) 6 Update 20 (64-bit)";
const char* const name17old = "Zarn(TM) 7 Update 5 (64-bit)";
const char* const name17 = "Zarn 7 Update 45 (64-bit)";

class RemovalSequenceTest : public testing::Test {
protected:
    void SetUp() override {
        SysInfo::initialize();
        for (const char* name : {"1.6.0_20", "1.7.0_05", "1.7.0_45"}) seed::runtime({.name = name});
        sim::SimResponse answer;
        answer.body = {latestVersions};
        sim->internet().serve("https://www.zarn.example/feeds/zarnLatestVersion.xml", answer);
        // msiexec removes any runtime it is asked to; with `failing` only those of the 1.6.0 family.
        sim->processes().install(msiexec, sim::Program{[this](const sim::StartedProcess& p) -> std::uint32_t {
                                                           uninstalls.push_back(p.commandLine);
                                                           const bool family16 = p.commandLine.find("3A96416") != std::string::npos;
                                                           return failing && !family16 ? 1603 : 0;
                                                       },
                                                       std::nullopt});
    }

    void onPage(const char* page, std::function<void(Page&)> user) {
        sim->desktop().html().onPage(page, Script{Script::Load::complete, 0, std::move(user)});
    }
    std::vector<sim::SimHtmlWindowState> windows() { return sim->desktop().html().windows(); }
    /// The scripts the host evaluated in the window that showed `page`.
    Scripts scriptsOf(const std::string& page) {
        for (const auto& w : windows()) {
            if (!w.urls.empty() && w.urls[0].ends_with(page)) return w.scripts;
        }
        return {"(never shown)"};
    }
    bool logged(const std::string& text) { return sim.log().find(text) != std::string::npos; }

    sim::MachineScope sim;
    std::vector<std::string> uninstalls;
    bool failing = false;
};

TEST_F(RemovalSequenceTest, UninstallOnTheNoticeRemovesTheTickedVersionsAndShowsTheResults) {
    onPage("zarnscrub.html", [](Page& p) { p.notify("next"); });
    onPage("zarnscrub_progress.html", [](Page&) {});
    onPage("zarnscrub_progress.html", [](Page& p) { p.notify("a", {"viewListLink"}); });
    onPage("zarnscrub_complete.html", [](Page& p) { p.notify("next"); });
    const ZarnScrubPingData ping = runSequence();
    EXPECT_EQ(uninstalls.size(), 2u) << "1.6.0_20 and 1.7.0_45, not 1.7.0_05";
    // The progress page counts only the ticked versions, the unticked one between them left out.
    EXPECT_EQ(scriptsOf("zarnscrub_progress.html"),
              (Scripts{"showProgressView(1)", std::string("setStatus('") + name16 + "','1','2')",
                       std::string("setStatus('") + name17 + "','2','2')", "showProgressView(0)"}));
    EXPECT_EQ(scriptsOf("zarnscrub_complete.html"),
              (Scripts{std::string("addListItem('uninstalledList', '") + name16 + "');",
                       std::string("addListItem('uninstalledList', '") + name17 + "');",
                       std::string("addListItem('remainingList', '") + name17old + "');"}));
    EXPECT_EQ(ping.createUninstallPing(),
              "unkobu~-20~1.7.0_05:64;unkobu~0~1.6.0_20:64;unkobu~0~1.7.0_45:64;uninstaller~ua100~XX");
    for (const char* line : {"INFO: Out-of-date Zarn versions detected: 3\n",
                             "INFO: Out-of-date Zarn uninstall success: 1.7.0_45\n",
                             "INFO: Out-of-date Zarn removed: 1.6.0_20\n", "INFO: Out-of-date Zarn remaining: 1.7.0_05\n"}) {
        EXPECT_TRUE(logged(line)) << line;
    }
}

TEST_F(RemovalSequenceTest, TheListShowsTheTicksAndItsNextUsesTheUsersChoice) {
    onPage("zarnscrub.html", [](Page& p) { p.notify("a", {"manageListLink"}); });
    onPage("zarnscrub_versions.html", [](Page& p) { p.notify("checkbox_clicked", {"010"}); p.notify("next"); });
    onPage("zarnscrub_progress.html", [](Page&) {});
    onPage("zarnscrub_progress.html", [](Page& p) { p.notify("next"); });
    const ZarnScrubPingData ping = runSequence();
    EXPECT_EQ(scriptsOf("zarnscrub_versions.html"),
              (Scripts{std::string("addListItem('0','") + name16 + "');", std::string("addListItem('1','") + name17old + "');",
                       std::string("addListItem('2','") + name17 + "');", "updateListItems('101');"}));
    EXPECT_EQ(uninstalls.size(), 1u);
    EXPECT_EQ(ping.createUninstallPing(),
              "unkobu~-20~1.6.0_20:64;unkobu~-20~1.7.0_45:64;unkobu~0~1.7.0_05:64;uninstaller~ua100~XX");
    EXPECT_EQ(windows().size(), 3u) << "no results page without its link";
}

TEST_F(RemovalSequenceTest, BackFromTheListDropsTheChangedTicks) {
    onPage("zarnscrub.html", [](Page& p) { p.notify("a", {"manageListLink"}); });
    onPage("zarnscrub_versions.html", [](Page& p) { p.notify("checkbox_clicked", {"000"}); p.notify("cancel"); });
    onPage("zarnscrub.html", [](Page& p) { p.notify("next"); });
    onPage("zarnscrub_progress.html", [](Page&) {});
    onPage("zarnscrub_progress.html", [](Page& p) { p.close(); });
    runSequence();
    EXPECT_EQ(uninstalls.size(), 2u) << "the initial selection";
    EXPECT_EQ(windows()[0].urls.size(), 2u) << "the notice came back";
}

TEST_F(RemovalSequenceTest, EverythingKeptEndsWithoutUninstalling) {
    const struct {
        const char* name;
        std::function<void()> script;
        const char* ping;
    } rows[] = {
        {"the notice closed",
         [this] { onPage("zarnscrub.html", [](Page& p) { p.close(); }); },
         "unkobu~-20~1.6.0_20:64;unkobu~-20~1.7.0_05:64;unkobu~-20~1.7.0_45:64;uninstaller~ua101~XX"},
        {"every box unticked in the list",
         [this] {
             onPage("zarnscrub.html", [](Page& p) { p.notify("a", {"manageListLink"}); });
             onPage("zarnscrub_versions.html", [](Page& p) {
                 p.notify("checkbox_clicked", {"0"});
                 p.notify("checkbox_clicked", {"000"});
                 p.notify("next");
             });
         },
         "unkobu~-20~1.6.0_20:64;unkobu~-20~1.7.0_05:64;unkobu~-20~1.7.0_45:64;uninstaller~ua101~XX"},
    };
    for (const auto& row : rows) {
        uninstalls.clear();
        row.script();
        const ZarnScrubPingData ping = runSequence();
        EXPECT_TRUE(uninstalls.empty()) << row.name;
        EXPECT_EQ(scriptsOf("zarnscrub_progress.html"), Scripts{"(never shown)"}) << row.name;
        EXPECT_EQ(ping.createUninstallPing(), row.ping) << row.name;
    }
    EXPECT_TRUE(logged("INFO: ZarnScrubPingData: Setting isIgnoredByUser to: 1\n"));
}

TEST_F(RemovalSequenceTest, AFailedUninstallStaysOnTheRemainingList) {
    failing = true;
    onPage("zarnscrub.html", [](Page& p) { p.notify("next"); });
    onPage("zarnscrub_progress.html", [](Page&) {});
    onPage("zarnscrub_progress.html", [](Page& p) { p.notify("a", {"viewListLink"}); });
    onPage("zarnscrub_complete.html", [](Page& p) { p.close(); });
    const ZarnScrubPingData ping = runSequence();
    EXPECT_EQ(scriptsOf("zarnscrub_complete.html"),
              (Scripts{std::string("addListItem('uninstalledList', '") + name16 + "');",
                       std::string("addListItem('remainingList', '") + name17old + "');",
                       std::string("addListItem('remainingList', '") + name17 + "');"}));
    EXPECT_TRUE(logged("ERROR: Out-of-date Zarn uninstall error: 1.7.0_45\n"));
    EXPECT_NE(ping.createUninstallPing().find("uninstaller~ua500~XX"), std::string::npos);
}

TEST_F(RemovalSequenceTest, AManagedMachineOnlyHearsOfItsVersions) {
    sim->fileSystem().makeDirectories("C:\\Windows\\Pellam\\Zarn\\Deployment");
    sim->fileSystem().writeAll(deploymentRuleSetPath(), "rules");
    onPage("zarnscrub_drs.html", [](Page& p) { p.notify("next"); });
    const ZarnScrubPingData ping = runSequence();
    EXPECT_TRUE(uninstalls.empty());
    ASSERT_EQ(windows().size(), 1u);
    EXPECT_EQ(windows()[0].scripts, (Scripts{std::string("addListItem('") + name16 + "');",
                                              std::string("addListItem('") + name17old + "');",
                                              std::string("addListItem('") + name17 + "');"}));
    EXPECT_EQ(ping.createUninstallPing(), "uninstaller~ua102~XX");
    EXPECT_TRUE(logged("INFO: DRS detected, skipping out-of-date Zarn uninstall\n"));
}

TEST_F(RemovalSequenceTest, NothingToOfferShowsNothing) {
    const struct {
        const char* name;
        std::function<void()> arrange;
        const char* logLine;
    } rows[] = {
        {"no candidate, even with a rule set",
         [this] {
             sim::SimResponse empty;
             empty.body = {"<?xml version=\"1.0\"?><kobuVersions/>"};
             sim->internet().serve("https://www.zarn.example/feeds/zarnLatestVersion.xml", empty);
             sim->fileSystem().makeDirectories("C:\\Windows\\Pellam\\Zarn\\Deployment");
             sim->fileSystem().writeAll(deploymentRuleSetPath(), "rules");
         },
         "INFO: Out-of-date Zarn versions detected: 0\n"},
        {"the latest versions cannot be fetched", [this] { sim->internet().refuse("www.zarn.example", 12029); },
         "(zscrub::runSequence)]\n\tERROR: Exception with message '"},
    };
    for (const auto& row : rows) {
        row.arrange();
        const ZarnScrubPingData ping = runSequence();
        EXPECT_TRUE(windows().empty()) << row.name;
        EXPECT_EQ(ping.createUninstallPing(),
                  "unkobu~-22~1.6.0_20:64;unkobu~-22~1.7.0_05:64;unkobu~-22~1.7.0_45:64;uninstaller~ua100~XX")
            << row.name << ": only the available versions";
        EXPECT_TRUE(logged(row.logLine)) << row.name;
    }
}

TEST_F(RemovalSequenceTest, APageThatCannotBeShownRemovesNothing) {
    sim->desktop().html().onPage("zarnscrub.html",
                                 Script{Script::Load::navigationError, static_cast<std::int32_t>(0x800401E4), nullptr});
    const ZarnScrubPingData ping = runSequence();
    EXPECT_TRUE(uninstalls.empty());
    EXPECT_EQ(ping.createUninstallPing(),
              "unkobu~-22~1.6.0_20:64;unkobu~-22~1.7.0_05:64;unkobu~-22~1.7.0_45:64;uninstaller~ua100~XX");
    EXPECT_TRUE(logged("failed to load: navigation error 0x800401E4' caught"));
}

}  // namespace
}  // namespace zscrub
