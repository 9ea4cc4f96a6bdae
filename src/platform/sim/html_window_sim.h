// The simulated machine's HTML windows: a scripted browser. As in the real engine, one UI thread per
// machine does every window call (the caller waits for it) and delivers the browser's events and the
// page's calls to the windows' handlers; what the page and its user do comes from a script per page name.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/html_window.h"

namespace sim {

/// The simulated screen: the desktop that parentless windows are centred on.
inline constexpr platform::Rect simScreen{0, 0, 1280, 1024};

/// What a test engine's window looks like. A window that is gone, like a destroyed one on the machine,
/// takes no changes and has no place.
struct HtmlWindowFrame {
    bool exists = false;
    bool visible = false;
    std::string title;
    platform::Rect rect;
    bool closeItemEnabled = true;
    std::vector<std::string> urls;  // every page loaded, in order

    void show(bool on) { visible = exists && on; }
    void setTitle(std::string_view text) {
        if (exists) title = text;
    }
    void resize(int width, int height) {
        if (exists) rect = {rect.left, rect.top, rect.left + width, rect.top + height};
    }
    void moveTo(int x, int y) {
        if (exists) rect = {x, y, x + rect.width(), y + rect.height()};
    }
    void enableCloseItem(bool enabled) {
        if (exists) closeItemEnabled = enabled;
    }
    void end() { exists = visible = false; }
    platform::Rect place() const { return exists ? rect : platform::Rect{}; }
};

/// What a window looks like and what the host did with it.
struct SimHtmlWindowState : HtmlWindowFrame {
    SimHtmlWindowState() { rect = {100, 100, 500, 420}; }
    std::vector<std::string> scripts;  // every script the host evaluated, in order
};

class SimHtmlPage;

/// How the next load of a page goes.
struct SimHtmlPageScript {
    enum class Load { complete, navigationError, never };
    Load load = Load::complete;
    /// The status a failed navigation reports.
    std::int32_t status = 0;
    /// What the page and the user do once the page has loaded; without it, nothing.
    std::function<void(SimHtmlPage&)> user;
};

/// The windows and page scripts of the simulated machine.
class SimHtmlBrowser {
public:
    /// How long a window call waits for the UI thread to take it before it fails: a test that
    /// deadlocks fails instead of hanging. Work the thread has taken is always waited for.
    static constexpr std::chrono::milliseconds uiLimit{20000};

    SimHtmlBrowser();
    /// Ends the UI thread; a window call made later fails.
    ~SimHtmlBrowser();
    SimHtmlBrowser(const SimHtmlBrowser&) = delete;
    SimHtmlBrowser& operator=(const SimHtmlBrowser&) = delete;

    /// The next load of a page whose URL ends in `pageName` goes as `script` says.
    void onPage(std::string pageName, SimHtmlPageScript script);
    /// The user acts on the page of window `index` (in `windows()`) as `user` says, once the UI thread
    /// has taken the work that waits for it now: input that comes later than the load.
    void userActs(std::size_t index, std::function<void(SimHtmlPage&)> user);
    /// Every window made so far, as it is now.
    std::vector<SimHtmlWindowState> windows() const;

    std::unique_ptr<platform::HtmlWindow> create();

    /// What the windows, their pages and the UI thread share (opaque).
    struct Shared;

private:
    std::shared_ptr<Shared> shared_;
};

/// The page as its script and its user act on it; used on the UI thread.
class SimHtmlPage {
public:
    SimHtmlPage(std::shared_ptr<SimHtmlBrowser::Shared> shared, std::size_t index)
        : shared_(std::move(shared)), index_(index) {}

    /// The page calls `window.external.<method>(arguments...)`; returns what the page would get.
    std::optional<std::string> external(std::string_view method, std::vector<std::string> arguments);
    /// `external.notify(name, arguments...)`.
    void notify(std::string name, std::vector<std::string> arguments = {});
    /// The user presses the window's close button.
    void close();
    /// Waits at most `limit` until other work waits for the UI thread (a window call of the host, say),
    /// which it takes only once the page's script has returned; false when none came.
    bool workWaits(std::chrono::milliseconds limit);
    SimHtmlWindowState state() const;

private:
    std::shared_ptr<SimHtmlBrowser::Shared> shared_;
    std::size_t index_;
};

class SimHtmlWindow final : public platform::HtmlWindow {
public:
    SimHtmlWindow(std::shared_ptr<SimHtmlBrowser::Shared> shared, std::size_t index);
    /// Destroys the window unless it was: no event reaches its handler afterwards.
    ~SimHtmlWindow() override;
    SimHtmlWindow(const SimHtmlWindow&) = delete;
    SimHtmlWindow& operator=(const SimHtmlWindow&) = delete;

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

private:
    /// Runs `work` on the UI thread and waits for it; at once on the UI thread itself.
    void onUiThread(const std::function<void()>& work);
    /// The window's state, changed on the UI thread.
    void change(const std::function<void(SimHtmlWindowState&)>& edit);

    std::shared_ptr<SimHtmlBrowser::Shared> shared_;
    std::size_t index_;
};

}  // namespace sim
