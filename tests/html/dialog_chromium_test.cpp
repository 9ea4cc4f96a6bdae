// The dialog protocol with a real page in a real browser: ui::Dialog on the simulated machine, its
// window a headless Chromium showing tests/html/protocol.html, played by a user with mouse and keys.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <future>
#include <mutex>
#include <string>
#include <vector>

#include "foundation/registry_key.h"
#include "html_ui/dialog.h"
#include "platform/sim/sim_machine.h"
#include "support/chromium_window.h"
#include "support/default_browser.h"

namespace {

using test::ChromiumWindow;
using test::ChromiumWindowState;

ui::DialogSettings pages(const std::string& locale) {
    ui::DialogSettings settings;
    settings.locale = locale;
    settings.baseUrl = std::string("file://") + ZARN_TEST_PAGES;
    return settings;
}

/// The protocol page's dialog: fills the list on every load through a script call and records the events
/// the page sends.
class ProtocolDialog : public ui::Dialog {
public:
    explicit ProtocolDialog(const std::string& locale = "en") : ui::Dialog("protocol.html", pages(locale)) {}
    // The window must stop calling this object before its members go.
    ~ProtocolDialog() override { detach(); }
    ProtocolDialog(const ProtocolDialog&) = delete;
    ProtocolDialog& operator=(const ProtocolDialog&) = delete;

    void onLoadComplete() override {
        std::unique_lock lock(mutex_);
        const int load = ++loads_;
        lock.unlock();
        const std::string count = window().execScript("addListItems('filled on load " + std::to_string(load) + "')");
        lock.lock();
        counts_.push_back(count);
        lock.unlock();
        ui::Dialog::onLoadComplete();
    }

    void onEvent(const std::string& name, const std::vector<std::string>& arguments) override {
        {
            const std::lock_guard lock(mutex_);
            std::string event = name;
            for (const auto& argument : arguments) event += " " + argument;
            events_.push_back(event);
        }
        ui::Dialog::onEvent(name, arguments);
    }

    std::vector<std::string> events() {
        const std::lock_guard lock(mutex_);
        return events_;
    }
    std::vector<std::string> counts() {
        const std::lock_guard lock(mutex_);
        return counts_;
    }

private:
    std::mutex mutex_;
    int loads_ = 0;
    std::vector<std::string> events_;
    std::vector<std::string> counts_;
};

class DialogChromiumTest : public testing::Test {
protected:
    bool logged(const std::string& text) { return sim.log().find(text) != std::string::npos; }

    /// Waits (within the window's limit) until `condition` holds.
    static void eventually(const std::function<bool()>& condition, const std::string& what) {
        const auto deadline = std::chrono::steady_clock::now() + ChromiumWindow::limit;
        while (!condition()) {
            if (std::chrono::steady_clock::now() > deadline) FAIL() << what << " did not happen in time";
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }

    /// Runs the dialog on a worker thread, as the installer does, while `user` acts on its window.
    std::uint32_t runWithUser(ui::Dialog& dialog, const std::function<void(ChromiumWindow&)>& user) {
        auto result = std::async(std::launch::async, [&] { return dialog.run(); });
        try {
            user(windows.last());
        } catch (const std::exception& e) {
            ADD_FAILURE() << e.what();
        }
        if (result.wait_for(ChromiumWindow::limit) != std::future_status::ready) {
            ADD_FAILURE() << "the dialog did not end";
            dialog.endDialog(99);
        }
        return result.get();
    }

    sim::MachineScope sim;
    test::ChromiumWindows windows{sim->desktop()};
};

TEST_F(DialogChromiumTest, TheUserEndsTheDialogWithMouseOrKeys) {
    const struct {
        const char* name;
        std::function<void(ChromiumWindow&)> user;
        std::uint32_t result;
        std::vector<std::string> events;
    } rows[] = {
        {"Next, once the box is ticked",
         [](ChromiumWindow& w) {
             w.tick("#agree");
             w.click("#next");
         },
         ui::Dialog::next,
         {"checkbox_clicked True", "next"}},
        {"Back", [](ChromiumWindow& w) { w.click("#back"); }, ui::Dialog::back, {"back"}},
        {"Cancel goes through the window's close command",
         [](ChromiumWindow& w) { w.click("#cancel"); },
         ui::Dialog::closed,
         {"cancel"}},
        {"the window's close command",
         [](ChromiumWindow& w) {
             w.waitUntilShown();
             w.sendClose();
         },
         ui::Dialog::closed,
         {}},
        {"Space on the focused last button that takes the focus (Next is disabled)",
         [](ChromiumWindow& w) {
             EXPECT_EQ(w.focusedId(), "cancel");
             w.press("Space");
         },
         ui::Dialog::closed,
         {"cancel"}},
        {"keys only: back to the box, tick and untick and tick it, on to Next, Enter",
         [](ChromiumWindow& w) {
             w.press("Shift+Tab");
             w.press("Shift+Tab");
             EXPECT_EQ(w.focusedId(), "agree");
             w.press("Space");
             w.press("Space");
             w.press("Space");
             w.press("Tab");
             w.press("Tab");
             EXPECT_EQ(w.focusedId(), "next");
             w.press("Enter");
         },
         ui::Dialog::next,
         {"checkbox_clicked True", "checkbox_clicked False", "checkbox_clicked True", "next"}},
        {"Escape while the close command is greyed does nothing",
         [](ChromiumWindow& w) {
             w.press("Escape");
             w.click("#back");
         },
         ui::Dialog::back,
         {"back"}},
        {"Escape once the page enables the close command",
         [](ChromiumWindow& w) {
             w.waitUntilShown();
             w.execScript("zarnPage.host.setWindowProp('closeButton', 1)");
             w.press("Escape");
         },
         ui::Dialog::closed,
         {"cancel"}},
        {"the access key of Back from the localised \"&Back\"",
         [](ChromiumWindow& w) { w.press("Alt+b"); },
         ui::Dialog::back,
         {"back"}},
    };
    for (const auto& row : rows) {
        ProtocolDialog dialog;
        EXPECT_EQ(runWithUser(dialog, row.user), row.result) << row.name;
        EXPECT_EQ(dialog.events(), row.events) << row.name;
        EXPECT_FALSE(windows.last().state().visible) << row.name;
    }
}

TEST_F(DialogChromiumTest, LinksOpenTheDefaultBrowserAndALinkWithoutAddressIsLogged) {
    const test_support::DefaultBrowser browser(sim.machine());
    ProtocolDialog dialog;
    const auto result = runWithUser(dialog, [&](ChromiumWindow& w) {
        w.click("#intro a");
        eventually([&] { return browser.links().size() == 1; }, "the first link");
        w.click("#choices a >> nth=1");
        eventually([&] { return browser.links().size() == 2; }, "the keyed link");
        w.click("#unaddressed a");
        eventually([&] { return logged("no parameter at the given position"); }, "the link without address");
        w.sendClose();
    });
    EXPECT_EQ(result, ui::Dialog::closed);
    EXPECT_EQ(
        browser.links(),
        (std::vector<std::string>{std::string(test_support::defaultBrowser) + "\nhttps://www.zarn.example/en/more.html",
                                  std::string(test_support::defaultBrowser) + "\nmanageListLink"}));
    EXPECT_EQ(dialog.events(),
              (std::vector<std::string>{"a https://www.zarn.example/en/more.html", "a manageListLink", "a"}));
    EXPECT_TRUE(logged("ERROR: Exception with message 'no parameter at the given position' caught"));
}

TEST_F(DialogChromiumTest, TextsAndTitleComeFromTheLocalisationFileOfTheDialogsLocale) {
    const struct {
        const char* locale;
        const char* title;  // of the window; empty: never set
        const char* heading;
        const char* next;
        const char* intro;
        const char* logLine;
    } rows[] = {
        {"en", "Zarn protocol test", "Dialog protocol", "Next", "Read more information first.",
         "WARNING: element[notOnThePage] not found"},
        {"de", "Zarn-Protokolltest \u2013 \u00dcbersicht", "Dialogprotokoll", "Weiter",
         "Lesen Sie zuerst weitere Informationen.",
         "INFO: setWindowProp(Title): Zarn-Protokolltest \u2013 \u00dcbersicht"},
        {"broken", "", "Protocol", "Next", "See [more].",
         "ERROR: protocol_broken.wxl: xml loading/parsing error - error on line 4"},
        {"xx", "", "Protocol", "Next", "See [more].", "ERROR: protocol_xx.wxl: xml loading/parsing error - "},
    };
    for (const auto& row : rows) {
        ProtocolDialog dialog(row.locale);
        dialog.show();
        ChromiumWindow& window = windows.last();
        const ChromiumWindowState state = window.state();
        EXPECT_TRUE(state.visible) << row.locale;
        EXPECT_EQ(state.title, row.title) << row.locale;
        EXPECT_EQ(window.text("#heading"), row.heading) << row.locale;
        EXPECT_EQ(window.text("#next"), row.next) << row.locale;
        EXPECT_EQ(window.text("#intro"), row.intro) << row.locale;
        EXPECT_TRUE(logged(row.logLine)) << row.locale << "\n" << sim.log();
        // The templates were moved into the layout.
        EXPECT_EQ(
            window.execScript("document.getElementById('footer_right').contains(document.getElementById('next'))"),
            "True")
            << row.locale;
        EXPECT_EQ(window.execScript("document.getElementById('main.src') === null"), "True") << row.locale;
    }
}

TEST_F(DialogChromiumTest, TheCloseItemGreyedWhileLoadingStaysSoAndASecondShowDoesNotWait) {
    ProtocolDialog dialog;
    dialog.show();
    ChromiumWindow& window = windows.last();
    EXPECT_FALSE(window.state().closeItemEnabled);
    EXPECT_TRUE(logged("INFO: setWindowProp(closeButton): 0"));

    window.holdLoads();
    dialog.show();
    // Shown at once: the reload completes only now.
    EXPECT_EQ(window.state().loads, 1);
    EXPECT_TRUE(window.state().visible);
    EXPECT_FALSE(window.state().closeItemEnabled);
    window.releaseLoads();
    window.waitFor([](const ChromiumWindowState& s) { return s.loads == 2; }, "the reload");
    EXPECT_EQ(window.state().urls.size(), 2u);
    EXPECT_EQ(window.text("#list"), "filled on load 2");
    EXPECT_FALSE(window.state().closeItemEnabled);
}

TEST_F(DialogChromiumTest, ScriptCallsReachThePageAndBringItsValuesBack) {
    ProtocolDialog dialog;
    dialog.show();
    ChromiumWindow& window = windows.last();
    // The host's call during the load completion: its value, and the log call the page made inside it.
    EXPECT_EQ(dialog.counts(), std::vector<std::string>{"1"});
    EXPECT_EQ(window.text("#list"), "filled on load 1");
    EXPECT_TRUE(logged("INFO: list items: 1"));

    const struct {
        const char* script;
        const char* value;
    } rows[] = {
        {"addListItems('two', 'three')", "3"},
        {"undefined", ""},
        {"null", ""},
        {"1 === 1", "True"},
        {"1 === 2", "False"},
        {"'caf\u00e9'", "caf\u00e9"},
        {"0.5 + 2", "2.5"},
        // The page's synchronous host calls: answered by the host, and the page really waits.
        {"window.external.getLocale()", "en"},
        {"var t = new Date().getTime(); window.external.delay(150); new Date().getTime() - t >= 150", "True"},
        // A call the host refuses is logged; the page goes on.
        {"window.external.notify(); 'after'", "after"},
    };
    for (const auto& row : rows) EXPECT_EQ(window.execScript(row.script), row.value) << row.script;
    EXPECT_EQ(window.text("#list"), "filled on load 1\ntwo\nthree");
    EXPECT_TRUE(logged("ERROR: Exception with message 'external.notify: no parameters specified' caught"));

    try {
        window.execScript("noSuchFunction()");
        ADD_FAILURE() << "a failing script throws";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("JScript execution error"), std::string::npos) << e.what();
    }

    // The page's size request resizes the window and with it the page.
    window.execScript("resize(616, 439)");
    window.waitFor([](const ChromiumWindowState& s) { return s.rect.width() == 616 && s.rect.height() == 439; },
                   "the new size");
    EXPECT_EQ(window.execScript("window.innerWidth + 'x' + window.innerHeight"), "600x400");
}

TEST_F(DialogChromiumTest, ABrowserOrRelayThatFailsEndsTheLoadWithItsReasonInTime) {
    class Handler : public ui::WindowHandler {
    public:
        std::string getLocale() override { return "en"; }
    };
    const struct {
        const char* name;
        const char* variable;
        std::string value;
        const char* reason;
    } rows[] = {
        {"no browser", "ZARN_CHROMIUM", "/nonexistent/chromium", "the browser did not start: "},
        {"a relay that dies", "ZARN_CHROMIUM_RELAY", std::string(ZARN_TEST_SUPPORT) + "chromium/dying_relay.js",
         "the relay ended"},
    };
    for (const auto& row : rows) {
        setenv(row.variable, row.value.c_str(), 1);
        Handler handler;
        const auto started = std::chrono::steady_clock::now();
        try {
            ChromiumWindow window;
            window.load(std::string("file://") + ZARN_TEST_PAGES + "protocol.html", handler);
            window.waitFor([](const ChromiumWindowState& s) { return s.loads > 0; }, "the load");
            ADD_FAILURE() << row.name << ": loaded";
        } catch (const std::runtime_error& e) {
            EXPECT_NE(std::string(e.what()).find(row.reason), std::string::npos) << row.name << ": " << e.what();
        }
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5)) << row.name;
        unsetenv(row.variable);
    }
}

}  // namespace
