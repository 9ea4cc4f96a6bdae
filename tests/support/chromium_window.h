// A real browser behind the HTML dialog window, for tests on Linux: headless Chromium, driven by the
// Node relay in chromium/relay.js over JSON lines. One reader thread per browser plays the engine's UI
// thread: every window call of the host runs on it while the caller waits, and it delivers each window's
// `window.external` calls, load completion and navigation errors to its handler. Tests act on the page
// as a user would (click, keys, check boxes) and read what the window shows.
#pragma once

#include <sys/types.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "platform/html_window.h"
#include "platform/sim/html_window_sim.h"

namespace Json {
class Value;
}

namespace sim {
class SimDesktop;
}

namespace test {

class ChromiumWindow;

/// What a window looks like and what the host did with it.
struct ChromiumWindowState : sim::HtmlWindowFrame {
    int loads = 0;  // load completions delivered to the handler
};

/// One headless Chromium behind the relay, and the thread that plays the UI thread of its windows.
/// Windows share it to save a browser start each.
class ChromiumBrowser {
public:
    /// How long any one wait may take: the browser's start, a script, a user action, a state.
    static constexpr std::chrono::milliseconds limit{20000};

    /// Out of line: the members' types are complete only there.
    ChromiumBrowser();
    /// Closes the browser and ends the relay (killed when it does not end in time).
    ~ChromiumBrowser();
    ChromiumBrowser(const ChromiumBrowser&) = delete;
    ChromiumBrowser& operator=(const ChromiumBrowser&) = delete;

    /// Starts the relay and its browser unless they run; throws when they cannot.
    void start();

private:
    friend class ChromiumWindow;
    friend class ChromiumWindows;
    struct Reply {
        bool ok = false;
        std::string value;
    };
    using Clock = std::chrono::steady_clock;

    void spawnRelay();
    void stopRelay();
    void readerLoop();
    /// The next message: the backlog first, else the relay's next line.
    std::unique_ptr<Json::Value> nextMessage();
    /// The relay's next line; throws once the relay ended or, with a deadline, when it passes.
    std::unique_ptr<Json::Value> readMessage(const Clock::time_point* deadline);
    void dispatch(const Json::Value& message);
    ChromiumWindow* window(const Json::Value& message);
    void storeReply(const Json::Value& message);
    /// Sends `command` with a fresh id and waits for its reply. On the UI thread the wait reads the
    /// relay itself and runs the page calls made by the awaited evaluation (and every synchronous
    /// call), keeping the rest for later: the engine's own thread would run those inside the call.
    Reply request(Json::Value command);
    /// Runs `work` on the UI thread and waits for it; at once when called there.
    void onUiThread(const std::function<void()>& work);
    void write(const Json::Value& command);
    bool onReaderThread() const;
    [[noreturn]] void fail(const std::string& why);
    std::string failure();

    std::mutex startMutex_;
    pid_t relay_ = -1;
    int channel_ = -1;  // our end of the relay's stdin and stdout
    std::string received_;
    std::thread reader_;
    std::atomic<std::thread::id> readerId_;
    std::mutex writeMutex_;

    // Guards what follows, and the state of every window of this browser.
    std::mutex mutex_;
    std::condition_variable changed_;
    std::string failure_;  // why the relay can no longer be used; empty while it can
    bool ready_ = false;
    bool stopping_ = false;
    std::int64_t nextId_ = 1;
    std::map<std::int64_t, Reply> replies_;
    std::map<std::int64_t, std::function<void()>> posted_;  // work waiting for its echo
    std::map<std::int64_t, ChromiumWindow*> windows_;       // changed on the UI thread only

    std::deque<std::unique_ptr<Json::Value>> backlog_;  // UI thread only
    std::vector<std::int64_t> awaited_;                 // UI thread only: evaluations it waits for
};

class ChromiumWindow final : public platform::HtmlWindow {
public:
    static constexpr std::chrono::milliseconds limit = ChromiumBrowser::limit;

    /// A window of `browser`, or of a browser of its own when none is given. `gone` is called when the
    /// window object is destroyed.
    explicit ChromiumWindow(std::shared_ptr<ChromiumBrowser> browser = nullptr,
                            std::function<void(ChromiumWindow*)> gone = {});
    ~ChromiumWindow() override;
    ChromiumWindow(const ChromiumWindow&) = delete;
    ChromiumWindow& operator=(const ChromiumWindow&) = delete;

    /// Starts the browser now instead of on the first load; throws when it cannot.
    void start();

    void load(const std::string& url, ui::WindowHandler& handler) override;
    void destroy() override;
    bool exists() override;
    std::string execScript(const std::string& script) override;
    void setVisible(bool visible) override;
    void setTitle(std::string_view title) override;
    void setSize(int width, int height) override;
    void move(int x, int y) override;
    platform::Rect windowRect() override;
    platform::Rect parentRect() override;
    void enableCloseItem(bool enabled) override;
    void sendClose() override;

    // ---- the user, on any thread but the UI thread; each waits for the window to show ----

    void waitUntilShown();
    /// Clicks the element as a person does: it must be visible and enabled.
    void click(std::string_view selector);
    /// A key press on the focused element: "Tab", "Shift+Tab", "Enter", "Space", "Alt+n".
    void press(std::string_view key);
    /// Ticks (or unticks) a check box by clicking it.
    void tick(std::string_view selector, bool checked = true);
    /// The rendered text of the first element matching `selector`.
    std::string text(std::string_view selector);
    /// The id of the element that has the focus ("" for none or one without id).
    std::string focusedId();
    /// Writes what the page shows (the client area, without the frame) to a PNG file.
    void screenshot(const std::string& path);

    /// The browser's load completions wait until `releaseLoads`, the UI thread staying free meanwhile:
    /// a page that takes its time to load.
    void holdLoads();
    void releaseLoads();

    ChromiumWindowState state();
    /// Waits until `condition` holds for the state; throws after `limit`.
    void waitFor(const std::function<bool(const ChromiumWindowState&)>& condition, std::string_view what);

private:
    friend class ChromiumBrowser;

    ChromiumBrowser::Reply request(Json::Value command, std::string_view what);
    void change(const std::function<void(ChromiumWindowState&)>& edit);
    /// `change` on the UI thread, as a window call of the host.
    void changeOnUiThread(const std::function<void(ChromiumWindowState&)>& edit);
    void forget();
    // Browser events, on the UI thread.
    void loaded();
    void navigationFailed(const Json::Value& message);

    std::shared_ptr<ChromiumBrowser> browser_;
    std::function<void(ChromiumWindow*)> gone_;
    std::int64_t number_ = 0;
    bool registered_ = false;               // UI thread only
    ui::WindowHandler* handler_ = nullptr;  // UI thread only
    bool holdingLoads_ = false;             // UI thread only
    int heldLoads_ = 0;                     // UI thread only
    ChromiumWindowState state_;             // under the browser's mutex
};

/// Puts Chromium windows, sharing one browser, in place of the simulated machine's scripted browser
/// for a test's duration.
class ChromiumWindows {
public:
    /// `browser`: one to share with other factories (a test program's tests), or a new one when null.
    explicit ChromiumWindows(sim::SimDesktop& desktop, std::shared_ptr<ChromiumBrowser> browser = nullptr);
    ~ChromiumWindows();
    ChromiumWindows(const ChromiumWindows&) = delete;
    ChromiumWindows& operator=(const ChromiumWindows&) = delete;

    /// The newest window that still exists; throws when there is none.
    ChromiumWindow& last();
    /// Waits until a window shows the page whose URL ends in `page`, loaded and filled (its latest load
    /// delivered to its handler); throws after the window's limit.
    ChromiumWindow& showing(std::string_view page);
    /// The window's close command to every window that shows a loaded page, on the UI thread, where no
    /// window can go meanwhile: how a failed test ends whatever still waits for its user.
    void closeEveryShownWindow();

private:
    struct Registry;
    sim::SimDesktop& desktop_;
    std::shared_ptr<Registry> registry_;
};

}  // namespace test
