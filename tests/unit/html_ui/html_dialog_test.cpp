// The HTML dialog protocol and the script bridge's rules, with pages played by the simulated machine's
// scripted browser.
#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <thread>

#include "html_ui/dialog.h"
#include "html_ui/external_calls.h"
#include "platform/sim/sim_machine.h"

namespace {

using ui::Dialog;
using Page = sim::SimHtmlPage;
using Script = sim::SimHtmlPageScript;

class HtmlDialogTest : public testing::Test {
protected:
    bool logged(const std::string& text) { return sim.log().find(text) != std::string::npos; }
    sim::SimHtmlBrowser& browser() { return sim->desktop().html(); }
    void onPage(std::function<void(Page&)> user) {
        browser().onPage("page.html", Script{Script::Load::complete, 0, std::move(user)});
    }
    ui::DialogSettings settings(std::uint32_t loadLimit = 20000) {
        ui::DialogSettings s;
        s.locale = "de";
        s.baseUrl = "res://C:%5Csetup.exe/";
        s.loadLimitMilliseconds = loadLimit;
        return s;
    }

    sim::MachineScope sim;
};

TEST(PageBaseUrl, BackslashesAndBlanksAreEscaped) {
    EXPECT_EQ(ui::makePageBaseUrl("C:\\Program Files\\setup.exe"), "res://C:%5CProgram%20Files%5Csetup.exe/");
    EXPECT_EQ(ui::makePageBaseUrl("C:\\a%20b.exe"), "res://C:%5Ca%20b.exe/");
}

TEST_F(HtmlDialogTest, EventsEndTheDialogWithTheirCodes) {
    const struct {
        const char* name;
        std::function<void(Page&)> user;
        std::uint32_t result;
    } rows[] = {
        {"next", [](Page& p) { p.notify("next"); }, Dialog::next},
        {"back", [](Page& p) { p.notify("back"); }, Dialog::back},
        {"cancel goes through the window's close command", [](Page& p) { p.notify("cancel"); }, Dialog::closed},
        {"close button", [](Page& p) { p.close(); }, Dialog::closed},
        {"unknown events are ignored",
         [](Page& p) {
             p.notify("checkbox_clicked", {"1"});
             p.notify("next");
         },
         Dialog::next},
    };
    for (const auto& row : rows) {
        onPage(row.user);
        Dialog dialog("page.html", settings());
        EXPECT_EQ(dialog.run(), row.result) << row.name;
        const auto window = browser().windows().back();
        EXPECT_EQ(window.urls, std::vector<std::string>{"res://C:%5Csetup.exe/page.html"}) << row.name;
        EXPECT_FALSE(window.visible) << row.name << ": hidden after the run";
    }
    EXPECT_TRUE(logged("\tTRACE: Dialog::onClose())\n"));
}

TEST_F(HtmlDialogTest, ASecondRunShowsAtOnceAndReloadsThePage) {
    int loads = 0;
    struct Counting : Dialog {
        Counting(int& loads, const ui::DialogSettings& s) : Dialog("page.html", s), loads_(loads) {}
        void onLoadComplete() override {
            ++loads_;
            execScript("addListItem('1','x');");
            Dialog::onLoadComplete();
        }
        int& loads_;
    };
    onPage([](Page& p) { p.notify("next"); });
    // The second load never completes: the loaded dialog must not wait for it, not even within its limit.
    browser().onPage("page.html", Script{Script::Load::never, 0, nullptr});
    Counting dialog(loads, settings(60000));
    EXPECT_EQ(dialog.run(), Dialog::next);
    const auto start = std::chrono::steady_clock::now();
    dialog.show();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    dialog.endDialog(Dialog::back);
    EXPECT_EQ(loads, 1);
    const auto window = browser().windows().back();
    EXPECT_EQ(window.urls.size(), 2u);
    EXPECT_TRUE(window.visible);
    EXPECT_EQ(window.scripts, std::vector<std::string>{"addListItem('1','x');"});
    // Centred on the screen (1280 x 1024) with its size of 400 x 320.
    EXPECT_EQ(window.rect, (platform::Rect{440, 352, 840, 672}));
}

TEST_F(HtmlDialogTest, ASecondEndingWhileRunHidesTheWindowDoesNotHangIt) {
    Dialog dialog("page.html", settings());
    auto result = std::async(std::launch::async, [&] { return dialog.run(); });
    const auto shown = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (browser().windows().empty() || !browser().windows().back().visible) {
        if (std::chrono::steady_clock::now() > shown) {
            dialog.endDialog(Dialog::closed);
            FAIL() << "the dialog did not show";
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    // Next, then the close button while `run` hides the window: the hiding waits for the UI thread, which
    // the close holds until it has ended the dialog a second time.
    bool hiding = false;
    browser().userActs(0, [&](Page& p) {
        p.notify("next");
        hiding = p.workWaits(std::chrono::seconds(5));
        p.close();
    });
    // A hang ends when the window call gives up waiting for the UI thread (SimHtmlBrowser::uiLimit).
    ASSERT_EQ(result.wait_for(std::chrono::seconds(5)), std::future_status::ready) << "run() hangs";
    EXPECT_EQ(result.get(), Dialog::next) << "the first ending counts";
    EXPECT_TRUE(hiding);
    EXPECT_FALSE(browser().windows().back().visible);
}

TEST_F(HtmlDialogTest, APageThatDoesNotLoadFailsTheDialogInsteadOfHangingIt) {
    const struct {
        Script::Load load;
        std::uint32_t limit;
        const char* error;
    } rows[] = {
        {Script::Load::navigationError, 20000, "failed to load: navigation error 0x800C0005"},
        {Script::Load::never, 200, "did not load within 200 ms"},
    };
    for (const auto& row : rows) {
        browser().onPage("page.html", Script{row.load, static_cast<std::int32_t>(0x800C0005), nullptr});
        Dialog dialog("page.html", settings(row.limit));
        const auto start = std::chrono::steady_clock::now();
        try {
            dialog.run();
            ADD_FAILURE() << row.error << ": ended the dialog";
        } catch (const ui::DialogLoadError& e) {
            EXPECT_EQ(e.what(), "The page res://C:%5Csetup.exe/page.html " + std::string(row.error));
        }
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5)) << row.error;
        EXPECT_FALSE(browser().windows().back().visible) << row.error;
    }
}

TEST_F(HtmlDialogTest, TheBridgeMethodsAndTheWindowProperties) {
    std::optional<std::string> locale;
    std::optional<std::string> delayed;
    onPage([&](Page& p) {
        locale = p.external("getLocale", {});
        p.external("log", {"WARNING", "a", "b"});
        p.external("log", {"warning", "x"});
        p.external("log", {});
        p.external("log", {"INFO"});
        p.external("notify", {});
        p.external("delay", {"soon"});
        delayed = p.external("delay", {"-1"});
        p.external("setWindowProp", {"Title", "Eins"});
        p.external("setWindowProp", {"TITLE", "Zwei"});
        p.external("setWindowProp", {"title", "Drei", "extra"});
        p.external("setWindowProp", {"size", "300"});
        p.external("setWindowProp", {"Size", "300", "200"});
        p.external("setWindowProp", {"closeButton", "0"});
        p.external("setWindowProp", {"colour", "red"});
        p.external("setWindowProp", {});
        p.notify("next");
    });
    onPage([](Page& p) { p.notify("next"); });
    Dialog dialog("page.html", settings());
    EXPECT_EQ(dialog.run(), Dialog::next);
    EXPECT_EQ(locale, "de");
    EXPECT_EQ(delayed, std::nullopt) << "delay gives the page nothing";
    EXPECT_EQ(ui::external::invoke(1, {}, nullptr), "en") << "no handler";
    EXPECT_EQ(ui::external::dispatchId("Notify"), ui::external::unknownName);
    auto window = browser().windows().back();
    EXPECT_EQ(window.title, "Zwei");
    EXPECT_EQ(window.rect.width(), 300);
    EXPECT_EQ(window.rect.height(), 200);
    EXPECT_FALSE(window.closeItemEnabled);
    EXPECT_EQ(dialog.run(), Dialog::next);
    EXPECT_FALSE(browser().windows().back().closeItemEnabled) << "the greying survives a later show";
    for (const char* line :
         {"(ui::BrowserControl::BrowserExternal::log)]\n\tWARNING: ab\n", "\tERROR: warningx\n",
          "\tERROR: empty message\n", "\tINFO: \n",
          "\tERROR: Exception with message 'external.notify: no parameters specified' caught\n",
          "\tERROR: cannot get parameter value (soon): not an unsigned number\n",
          "\tERROR: cannot get parameter value (-1): not an unsigned number\n",
          "\tINFO: setWindowProp(Title): Eins\n", "\tERROR: setWindowProp(Title): requires 1 params\n",
          "\tERROR: setWindowProp(Size): requires 2 params\n", "\tINFO: setWindowProp(Size): 300 x 200\n",
          "\tINFO: setWindowProp(closeButton): 0\n", "\tERROR: setWindowProp: unexpected prop: 'colour'\n",
          "ERROR: Exception with message 'external.setWindowProp: no parameters specified' caught"}) {
        EXPECT_TRUE(logged(line)) << line;
    }
}

TEST(BrowserEvents, OnlyALinkToAnEmptyAnchorIsNotFollowed) {
    EXPECT_TRUE(ui::browser_events::beforeNavigate("res://C:%5Csetup.exe/zarnscrub.html#"));
    EXPECT_FALSE(ui::browser_events::beforeNavigate("res://C:%5Csetup.exe/zarnscrub.html"));
    EXPECT_FALSE(ui::browser_events::beforeNavigate("res://C:%5Csetup.exe/zarnscrub.html#list")) << "an anchor in it";
    EXPECT_FALSE(ui::browser_events::beforeNavigate(""));
}

}  // namespace
