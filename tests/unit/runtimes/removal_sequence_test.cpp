// The removal of out-of-date runtimes with its real pages in headless Chromium: a user clicks, ticks and
// types through them while the sequence runs, and the tests check what is uninstalled, what the pages
// show and the report the ping carries.
#include "scrub/removal_sequence.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <future>
#include <mutex>

#include "foundation/sys_info.h"
#include "html_ui/dialog.h"
#include "platform/sim/sim_machine.h"
#include "support/chromium_window.h"
#include "support/seed.h"

namespace zscrub {
namespace {

using test::ChromiumWindow;

constexpr const char* msiexec = "C:\\Windows\\system32\\msiexec.exe";

// 1.6.0_20 and 1.7.0_45 lie in their families' ranges and start ticked; 1.7.0_05 does not.
const char* const latestVersions =
    "<?xml version=\"1.0\"?><kobuVersions>"
    "<family id=\"1.6.0\"><baselineVersion>1.6.0_30</baselineVersion>"
    "<ranges><range><minVersion>1.6.0_10</minVersion><maxVersion>1.6.0_30</maxVersion></range></ranges></family>"
    "<family id=\"1.7.0\"><latestVersion>1.7.0_60</latestVersion><baselineVersion>1.7.0_51</baselineVersion>"
    "<ranges><range><minVersion>1.7.0_10</minVersion><maxVersion>1.7.0_51</maxVersion></range></ranges></family>"
    "</kobuVersions>";

const std::string name16 = "Zarn(TM) 6 Update 20 (64-bit)";
const std::string name17old = "Zarn(TM) 7 Update 5 (64-bit)";
const std::string name17 = "Zarn 7 Update 45 (64-bit)";

constexpr const char* notice = "/zarnscrub.html";
constexpr const char* list = "/zarnscrub_versions.html";
constexpr const char* managed = "/zarnscrub_drs.html";
constexpr const char* progress = "/zarnscrub_progress.html";
constexpr const char* results = "/zarnscrub_complete.html";

/// The machine with three out-of-date runtimes and an msiexec that removes any runtime it is asked to
/// (with `failing`, only those of the 1.6.0 family).
class RemovalSequenceTest : public testing::Test {
protected:
    void SetUp() override {
        SysInfo::initialize();
        for (const char* name : {"1.6.0_20", "1.7.0_05", "1.7.0_45"}) seed::runtime({.name = name});
        sim::SimResponse answer;
        answer.body = {latestVersions};
        sim->internet().serve("https://www.zarn.example/feeds/zarnLatestVersion.xml", answer);
        sim->processes().install(
            msiexec, sim::Program{[this](const sim::StartedProcess& p) { return uninstall(p); }, std::nullopt});
    }

    bool logged(const std::string& text) { return sim.log().find(text) != std::string::npos; }

    virtual std::uint32_t uninstall(const sim::StartedProcess& p) {
        const std::lock_guard lock(mutex);
        uninstalls.push_back(p.commandLine);
        const bool family16 = p.commandLine.find("3A96416") != std::string::npos;
        return failing && !family16 ? 1603 : 0;
    }

    sim::MachineScope sim;
    std::mutex mutex;
    std::vector<std::string> uninstalls;
    bool failing = false;
};

/// The same with the pages in one browser shared by the program's tests. An uninstall waits, when
/// `holdUninstalls` is set, until the test lets it go, so that the test sees the progress page meanwhile.
class RemovalPagesTest : public RemovalSequenceTest {
protected:
    static void SetUpTestSuite() { browser = test::newChromiumBrowser(); }
    static void TearDownTestSuite() { browser.reset(); }

    void SetUp() override {
        RemovalSequenceTest::SetUp();
        ::ui::dialogSettings().locale = "en";
        ::ui::dialogSettings().baseUrl = std::string("file://") + ZARN_PAGES;
    }
    std::uint32_t uninstall(const sim::StartedProcess& p) override {
        std::unique_lock lock(mutex);
        const std::size_t number = uninstalls.size() + 1;
        lock.unlock();
        const std::uint32_t code = RemovalSequenceTest::uninstall(p);
        lock.lock();
        changed.notify_all();
        changed.wait_for(lock, ChromiumWindow::limit, [&] { return !holdUninstalls || released >= number; });
        return code;
    }

    /// Waits until uninstall `number` (from 1) has started.
    void waitForUninstall(std::size_t number) {
        std::unique_lock lock(mutex);
        if (!changed.wait_for(lock, ChromiumWindow::limit, [&] { return uninstalls.size() >= number; })) {
            throw std::runtime_error("uninstall " + std::to_string(number) + " did not start");
        }
    }
    void releaseUninstall() {
        const std::lock_guard lock(mutex);
        ++released;
        changed.notify_all();
    }

    /// Runs the sequence as the installer does while `user` acts on its pages. A user that fails, or a
    /// sequence that still waits once the user is done, has every shown window closed until it ends.
    ZarnScrubPingData runWithUser(const std::function<void()>& user) {
        auto run = std::async(std::launch::async, [] { return runSequence(); });
        bool done = false;
        try {
            user();
            done = run.wait_for(ChromiumWindow::limit) == std::future_status::ready;
            if (!done) ADD_FAILURE() << "the sequence still waits for its user";
        } catch (const std::exception& e) {
            ADD_FAILURE() << e.what();
        }
        if (!done) {
            holdUninstalls = false;
            releaseUninstall();
            while (run.wait_for(std::chrono::milliseconds(100)) != std::future_status::ready) {
                windows.closeEveryShownWindow();
            }
        }
        return run.get();
    }

    /// The window showing `page` once the focus is on `id`, as the user sees it before pressing a key.
    ChromiumWindow& focused(const char* page, const std::string& id) {
        ChromiumWindow& window = windows.showing(page);
        window.waitForFocus(id);
        return window;
    }

    /// The page's rendered text of `selector` once the page shows.
    std::string text(const char* page, const char* selector) { return windows.showing(page).text(selector); }
    std::string script(const char* page, const std::string& code) { return windows.showing(page).execScript(code); }

    inline static std::shared_ptr<test::ChromiumBrowser> browser;
    test::ChromiumWindows windows{sim->desktop(), browser};
    std::condition_variable changed;
    std::atomic<bool> holdUninstalls = false;
    std::size_t released = 0;
};

TEST_F(RemovalPagesTest, UninstallOnTheNoticeRemovesTheTickedVersionsAndShowsTheResults) {
    holdUninstalls = true;
    const ZarnScrubPingData ping = runWithUser([this] {
        ChromiumWindow& first = windows.showing(notice);
        EXPECT_EQ(first.state().title, "Zarn Setup - Out-of-Date Versions");
        first.click("#uninstallButton");
        // The progress page counts only the ticked versions, the unticked one between them left out.
        waitForUninstall(1);
        EXPECT_EQ(text(progress, "#status"), "Uninstalling " + name16 + " (1 of 2)");
        releaseUninstall();
        waitForUninstall(2);
        EXPECT_EQ(text(progress, "#status"), "Uninstalling " + name17 + " (2 of 2)");
        releaseUninstall();
        // The completion view, reloaded behind the shown window: Next and the link.
        windows.showing(progress).waitForLoads(2);
        EXPECT_EQ(script(progress,
                         "document.getElementById('doneView').offsetHeight > 0 && "
                         "document.getElementById('progressView').offsetHeight === 0"),
                  "True");
        focused(progress, "nextButton");
        windows.showing(progress).click("#listText a");
        EXPECT_EQ(text(results, "#uninstalledList"), name16 + "\n" + name17);
        EXPECT_EQ(text(results, "#remainingList"), name17old);
        windows.showing(results).click("#closeButton");
    });
    EXPECT_EQ(uninstalls.size(), 2u) << "1.6.0_20 and 1.7.0_45, not 1.7.0_05";
    EXPECT_EQ(ping.createUninstallPing(),
              "unkobu~-20~1.7.0_05:64;unkobu~0~1.6.0_20:64;unkobu~0~1.7.0_45:64;uninstaller~ua100~XX");
    for (const char* line :
         {"INFO: Out-of-date Zarn versions detected: 3\n", "INFO: Out-of-date Zarn uninstall success: 1.7.0_45\n",
          "INFO: Out-of-date Zarn removed: 1.6.0_20\n", "INFO: Out-of-date Zarn remaining: 1.7.0_05\n"}) {
        EXPECT_TRUE(logged(line)) << line;
    }
}

TEST_F(RemovalPagesTest, TheListShowsTheTicksAndItsNextUsesTheUsersChoice) {
    const ZarnScrubPingData ping = runWithUser([this] {
        windows.showing(notice).click("#listText a");
        ChromiumWindow& page = windows.showing(list);
        EXPECT_EQ(page.text("#versionList"), name16 + "\n" + name17old + "\n" + name17);
        const std::string rows =
            "var r = []; var b = boxes(); for (var i = 0; i < b.length; ++i) "
            "r.push((b[i].checked ? 'x' : '-') + b[i].parentNode.className); r.join(' ')";
        EXPECT_EQ(page.execScript(rows), "xselected - xselected") << "ticked rows are highlighted";
        // The mouse on the first row's label, Tab and Space on to the second box, a click on the third.
        page.click("label[for=version0]");
        page.waitForFocus("version0");
        page.press("Tab");
        page.press("Space");
        page.tick("#version2", false);
        EXPECT_EQ(page.execScript(rows), "- xselected -");
        page.click("#nextButton");
        windows.showing(progress).waitForLoads(2);
        focused(progress, "nextButton").press("Enter");
    });
    EXPECT_EQ(uninstalls.size(), 1u);
    EXPECT_EQ(ping.createUninstallPing(),
              "unkobu~-20~1.6.0_20:64;unkobu~-20~1.7.0_45:64;unkobu~0~1.7.0_05:64;uninstaller~ua100~XX");
    EXPECT_FALSE(logged("zarnscrub_complete.html")) << "no results page without its link";
}

TEST_F(RemovalPagesTest, BackFromTheListDropsTheChangedTicks) {
    runWithUser([this] {
        windows.showing(notice).click("#listText a");
        ChromiumWindow& page = windows.showing(list);
        page.tick("#version0", false);
        page.tick("#version2", false);
        page.click("#backButton");
        // The notice again, reloaded; Enter on its focused Uninstall.
        windows.showing(notice).waitForLoads(2);
        focused(notice, "uninstallButton").press("Enter");
        windows.showing(progress).waitForLoads(2);
        windows.showing(progress).sendClose();
    });
    EXPECT_EQ(uninstalls.size(), 2u) << "the initial selection";
}

TEST_F(RemovalPagesTest, EverythingKeptEndsWithoutUninstalling) {
    const struct {
        const char* name;
        std::function<void()> user;
    } rows[] = {
        {"Not Now", [this] { windows.showing(notice).click("#laterButton"); }},
        {"every box unticked in the list",
         [this] {
             windows.showing(notice).click("#listText a");
             ChromiumWindow& page = windows.showing(list);
             page.tick("#version0", false);
             page.tick("#version2", false);
             page.click("#nextButton");
         }},
    };
    for (const auto& row : rows) {
        uninstalls.clear();
        const std::size_t logStart = sim.log().size();
        const ZarnScrubPingData ping = runWithUser(row.user);
        EXPECT_TRUE(uninstalls.empty()) << row.name;
        EXPECT_EQ(sim.log().find("zarnscrub_progress.html", logStart), std::string::npos) << row.name;
        EXPECT_EQ(ping.createUninstallPing(),
                  "unkobu~-20~1.6.0_20:64;unkobu~-20~1.7.0_05:64;unkobu~-20~1.7.0_45:64;uninstaller~ua101~XX")
            << row.name;
    }
    EXPECT_TRUE(logged("INFO: ZarnScrubPingData: Setting isIgnoredByUser to: 1\n"));
}

TEST_F(RemovalPagesTest, AFailedUninstallStaysOnTheRemainingList) {
    failing = true;
    const ZarnScrubPingData ping = runWithUser([this] {
        focused(notice, "uninstallButton").press("Enter");
        windows.showing(progress).waitForLoads(2);
        windows.showing(progress).click("#listText a");
        EXPECT_EQ(text(results, "#uninstalledList"), name16);
        EXPECT_EQ(text(results, "#remainingList"), name17old + "\n" + name17);
        EXPECT_EQ(windows.showing(results).state().title, "Zarn Setup - Uninstall Results");
        windows.showing(results).sendClose();
    });
    EXPECT_TRUE(logged("ERROR: Out-of-date Zarn uninstall error: 1.7.0_45\n"));
    EXPECT_NE(ping.createUninstallPing().find("uninstaller~ua500~XX"), std::string::npos);
}

TEST_F(RemovalPagesTest, AManagedMachineOnlyHearsOfItsVersions) {
    sim->fileSystem().makeDirectories("C:\\Windows\\Pellam\\Zarn\\Deployment");
    sim->fileSystem().writeAll(deploymentRuleSetPath(), "rules");
    const ZarnScrubPingData ping = runWithUser([this] {
        EXPECT_EQ(text(managed, "#versionList"), name16 + "\n" + name17old + "\n" + name17);
        focused(managed, "okButton").press("Enter");
    });
    EXPECT_TRUE(uninstalls.empty());
    EXPECT_FALSE(logged("zarnscrub.html")) << "no notice";
    EXPECT_EQ(ping.createUninstallPing(), "uninstaller~ua102~XX");
    EXPECT_TRUE(logged("INFO: DRS detected, skipping out-of-date Zarn uninstall\n"));
}

// The scripted browser: a notice that cannot be shown leaves the machine managed.
TEST_F(RemovalSequenceTest, AManagedMachineWhoseNoticeCannotBeShownIsStillManaged) {
    sim->fileSystem().makeDirectories("C:\\Windows\\Pellam\\Zarn\\Deployment");
    sim->fileSystem().writeAll(deploymentRuleSetPath(), "rules");
    sim->desktop().setHtmlWindowFactory(
        []() -> std::unique_ptr<platform::HtmlWindow> { throw std::runtime_error("CreateWindow failed"); });
    EXPECT_EQ(runSequence().createUninstallPing(), "uninstaller~ua102~XX");
    EXPECT_TRUE(logged("ERROR: The managed-machine notice was not shown: CreateWindow failed\n"));
    EXPECT_TRUE(uninstalls.empty());
}

// Nothing to show: no browser needed, the scripted one records that no window was made.
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
        EXPECT_TRUE(sim->desktop().html().windows().empty()) << row.name;
        EXPECT_EQ(ping.createUninstallPing(),
                  "unkobu~-22~1.6.0_20:64;unkobu~-22~1.7.0_05:64;unkobu~-22~1.7.0_45:64;uninstaller~ua100~XX")
            << row.name << ": only the available versions";
        EXPECT_TRUE(logged(row.logLine)) << row.name;
    }
}

}  // namespace
}  // namespace zscrub
