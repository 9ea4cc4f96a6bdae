// The dialog protocol with a real page in a real browser: ui::Dialog on the simulated machine, its
// window a headless Chromium showing tests/html/protocol.html, played by a user with the mouse. The
// window contract (tests/contract/html_window_contract.cpp, built in) holds the Chromium window too.
// Escape and access keys are the page script's (page_scripts.test.js); the removal sequence's tests
// drive real pages with the keyboard.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <future>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "foundation/registry_key.h"
#include "html_ui/dialog.h"
#include "platform/sim/sim_machine.h"
#include "support/chromium_window.h"
#include "support/default_browser.h"

namespace {

using test::ChromiumWindow;

// One browser for the program; the contract's machine has Chromium windows.
std::shared_ptr<test::ChromiumBrowser> chromium;

class ChromiumMachine : public testing::Environment {
    void SetUp() override {
        chromium = test::newChromiumBrowser();
        machine_.emplace();
        windows_.emplace((*machine_)->desktop(), chromium);
    }
    void TearDown() override {
        windows_.reset();
        machine_.reset();
        chromium.reset();
    }
    std::optional<sim::MachineScope> machine_;
    std::optional<test::ChromiumWindows> windows_;
};
const auto* const registered = testing::AddGlobalTestEnvironment(new ChromiumMachine);

ui::DialogSettings pages() {
    ui::DialogSettings settings;
    settings.locale = "en";
    settings.baseUrl = std::string("file://") + ZARN_TEST_PAGES;
    return settings;
}

/// The protocol page's dialog: fills the list on every load through a script call and records the values
/// of those calls and the events the page sends.
class ProtocolDialog : public ui::Dialog {
public:
    ProtocolDialog() : ui::Dialog("protocol.html", pages()) {}
    // The window must stop calling this object before its members go.
    ~ProtocolDialog() override { detach(); }

    void onLoadComplete() override {
        record(counts_, window().execScript("addListItems('filled on load')"));
        ui::Dialog::onLoadComplete();
    }

    void onEvent(const std::string& name, const std::vector<std::string>& arguments) override {
        std::string event = name;
        for (const auto& argument : arguments) event += " " + argument;
        record(events_, event);
        ui::Dialog::onEvent(name, arguments);
    }

    std::vector<std::string> events() { return read(events_); }
    std::vector<std::string> counts() { return read(counts_); }

private:
    void record(std::vector<std::string>& list, std::string entry) {
        const std::lock_guard lock(mutex_);
        list.push_back(std::move(entry));
    }
    std::vector<std::string> read(const std::vector<std::string>& list) {
        const std::lock_guard lock(mutex_);
        return list;
    }

    std::mutex mutex_;
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
    test::ChromiumWindows windows{sim->desktop(), chromium};
};

/// The user acts on the shown window step by step: "click SELECTOR", "tick SELECTOR" or "close" (the
/// window's close command).
void play(ChromiumWindow& window, const std::vector<std::string>& steps) {
    window.waitUntilShown();
    for (const std::string& step : steps) {
        const std::string verb = step.substr(0, step.find(' '));
        const std::string what = step.substr(std::min(step.size(), verb.size() + 1));
        if (verb == "click") window.click(what);
        else if (verb == "tick") window.tick(what);
        else if (verb == "close") window.sendClose();
        else throw std::logic_error("no such step: " + step);
    }
}

TEST_F(DialogChromiumTest, TheUserEndsTheDialogWithItsButtonsOrTheCloseCommand) {
    const struct {
        const char* name;
        std::vector<std::string> steps;
        std::uint32_t result;
        std::vector<std::string> events;
    } rows[] = {
        {"Next, once the box is ticked",
         {"tick #agree", "click #next"},
         ui::Dialog::next,
         {"checkbox_clicked True", "next"}},
        {"Back", {"click #back"}, ui::Dialog::back, {"back"}},
        {"Cancel goes through the window's close command", {"click #cancel"}, ui::Dialog::closed, {"cancel"}},
        {"the window's close command", {"close"}, ui::Dialog::closed, {}},
    };
    for (const auto& row : rows) {
        ProtocolDialog dialog;
        EXPECT_EQ(runWithUser(dialog, [&](ChromiumWindow& w) { play(w, row.steps); }), row.result) << row.name;
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

// The page's loader and the host's window side in other locales are the Node tests' and the unit tests'.
TEST_F(DialogChromiumTest, TheShownPageTakesItsTextsAndAnswersTheHostsCalls) {
    ProtocolDialog dialog;
    dialog.show();
    ChromiumWindow& window = windows.last();
    EXPECT_TRUE(window.state().visible);
    EXPECT_EQ(window.state().title, "Zarn protocol test");
    EXPECT_EQ(window.text("#heading") + "|" + window.text("#next") + "|" + window.text("#intro"),
              "Dialog protocol|Next|Read more information first.");
    EXPECT_TRUE(logged("WARNING: element[notOnThePage] not found")) << sim.log();
    EXPECT_EQ(window.execScript("document.getElementById('footer_right').contains(document.getElementById('next')) "
                                "&& document.getElementById('main.src') === null"),
              "True")
        << "the templates moved into the layout";

    // The host's call during the load completion: its value, and the log call the page made inside it.
    EXPECT_EQ(dialog.counts(), std::vector<std::string>{"1"});
    EXPECT_EQ(window.text("#list"), "filled on load");
    EXPECT_TRUE(logged("INFO: list items: 1"));
    EXPECT_FALSE(window.state().closeItemEnabled) << "greyed by the page while it loads";
    EXPECT_TRUE(logged("INFO: setWindowProp(closeButton): 0"));

    EXPECT_EQ(window.execScript("addListItems('two', 'three')"), "3");
    EXPECT_EQ(window.text("#list"), "filled on load\ntwo\nthree");
}

}  // namespace
