// A real browser behind the HTML dialog window, for tests on Linux: headless Chromium, driven by the
// Node relay in chromium/relay.js over JSON lines, one request and answer per playwright call. As in the
// Windows engine, one UI thread per browser makes every window call while the caller waits, and delivers
// each window's `window.external` calls, load completion and navigation errors to its handler. Tests act
// on the page as a user would (click, keys, check boxes) and read what the window shows.
#pragma once

#include <json/json.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/html_window.h"
#include "platform/sim/html_window_sim.h"

namespace sim {
class SimDesktop;
}

namespace test {

class ChromiumWindow;

/// What a window looks like and what the host did with it.
struct ChromiumWindowState : sim::HtmlWindowFrame {
    int loads = 0;  // load completions delivered to the handler
};

/// One headless Chromium behind the relay, and the UI thread of its windows: windows share it to save a
/// browser start each.
class ChromiumBrowser;
std::shared_ptr<ChromiumBrowser> newChromiumBrowser();

class ChromiumWindow final : public platform::HtmlWindow {
public:
    /// How long any one wait may take: the browser's start, an answer, the UI thread, a state.
    static constexpr std::chrono::milliseconds limit{20000};

    explicit ChromiumWindow(std::shared_ptr<ChromiumBrowser> browser);
    ~ChromiumWindow() override;
    ChromiumWindow(const ChromiumWindow&) = delete;
    ChromiumWindow& operator=(const ChromiumWindow&) = delete;

    void load(const std::string& url, ui::WindowHandler& handler) override;
    void destroy() override;
    bool exists() override;
    std::string execScript(const std::string& script) override;
    void setVisible(bool visible) override {
        changeOnUiThread([&](ChromiumWindowState& s) { s.show(visible); });
    }
    void setTitle(std::string_view title) override {
        changeOnUiThread([&](ChromiumWindowState& s) { s.setTitle(title); });
    }
    void setSize(int width, int height) override;
    void move(int x, int y) override {
        changeOnUiThread([&](ChromiumWindowState& s) { s.moveTo(x, y); });
    }
    platform::Rect windowRect() override;
    platform::Rect parentRect() override;
    void enableCloseItem(bool enabled) override {
        changeOnUiThread([&](ChromiumWindowState& s) { s.enableCloseItem(enabled); });
    }
    void sendClose() override;

    // ---- the user, on any thread but the UI thread; each waits for the window to show ----

    void waitUntilShown() {
        waitFor([](const ChromiumWindowState& s) { return s.visible; }, "the window showing");
    }
    /// Clicks the element as a person does: it must be visible and enabled.
    void click(const std::string& selector) { act("click", list(selector)); }
    /// A key press on the focused element: "Tab", "Shift+Tab", "Enter", "Space".
    void press(const std::string& key) { act("pressKey", list(key)); }
    /// Ticks (or unticks) a check box by clicking it.
    void tick(const std::string& selector, bool checked = true) { act("setChecked", list(selector, checked)); }
    /// The rendered text of the first element matching `selector`.
    std::string text(const std::string& selector) { return act("innerText", list(selector)); }
    /// Waits until the element with id `id` has the focus.
    void waitForFocus(const std::string& id);
    /// Writes what the page shows (the client area, without the frame) to a PNG file.
    void screenshot(const std::string& path);

    ChromiumWindowState state();
    /// Waits until `condition` holds for the state; throws after `limit`.
    void waitFor(const std::function<bool(const ChromiumWindowState&)>& condition, std::string_view what);
    /// Waits until `count` loads have been delivered.
    void waitForLoads(int count) {
        waitFor([count](const ChromiumWindowState& s) { return s.loads >= count; }, "the load");
    }

private:
    friend class ChromiumBrowser;
    friend class ChromiumWindows;

    template <class... Values>
    static Json::Value list(const Values&... values) {
        Json::Value all(Json::arrayValue);
        (all.append(Json::Value(values)), ...);
        return all;
    }
    /// Playwright call `method(args...)` on this window's page; its value, or throws its error.
    std::string request(const char* method, Json::Value args = Json::Value(Json::arrayValue));
    /// A user's action or reading: once the window shows.
    std::string act(const char* method, Json::Value args);
    void change(const std::function<void(ChromiumWindowState&)>& edit);
    /// `change` on the UI thread, as a window call of the host, when the window exists.
    void changeOnUiThread(const std::function<void(ChromiumWindowState&)>& edit);
    void loaded();  // on the UI thread

    std::shared_ptr<ChromiumBrowser> browser_;
    std::int64_t number_ = 0;
    ui::WindowHandler* handler_ = nullptr;  // UI thread only
    ChromiumWindowState state_;             // under the browser's mutex
};

/// Puts Chromium windows, sharing one browser, in place of the simulated machine's scripted browser
/// for a test's duration.
class ChromiumWindows {
public:
    /// `browser` may be shared with other factories (a test program's tests).
    explicit ChromiumWindows(sim::SimDesktop& desktop, std::shared_ptr<ChromiumBrowser> browser);
    ~ChromiumWindows();
    ChromiumWindows(const ChromiumWindows&) = delete;
    ChromiumWindows& operator=(const ChromiumWindows&) = delete;

    /// The newest window; throws when there is none.
    ChromiumWindow& last();
    /// Waits until a window shows the page whose URL ends in `page`, loaded and filled (its latest load
    /// delivered to its handler); throws after the window's limit.
    ChromiumWindow& showing(std::string_view page);
    /// The window's close command to every window that shows a loaded page, on the UI thread, where no
    /// window can go meanwhile: how a failed test ends whatever still waits for its user.
    void closeEveryShownWindow();

private:
    sim::SimDesktop& desktop_;
    std::shared_ptr<ChromiumBrowser> browser_;
};

}  // namespace test
