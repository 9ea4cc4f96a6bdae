// The simulated machine's HTML windows: a scripted browser. Each window has a UI thread of its own that
// delivers the browser's events and the page's calls to the window's handler, as the real engine's UI
// thread does; what the page and its user do comes from a script per page name.
#pragma once

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

class SimHtmlWindow;

/// The page as its script and its user act on it; used on the window's UI thread.
class SimHtmlPage {
public:
    explicit SimHtmlPage(SimHtmlWindow& window) : window_(window) {}

    /// The page calls `window.external.<method>(arguments...)`; returns what the page would get.
    std::optional<std::string> external(std::string_view method, std::vector<std::string> arguments);
    /// `external.notify(name, arguments...)`.
    void notify(std::string name, std::vector<std::string> arguments = {});
    /// The user presses the window's close button.
    void close();
    SimHtmlWindowState state() const;

private:
    SimHtmlWindow& window_;
};

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
    SimHtmlBrowser();
    ~SimHtmlBrowser();

    /// The next load of a page whose URL ends in `pageName` goes as `script` says.
    void onPage(std::string pageName, SimHtmlPageScript script);
    /// Every window made so far, as it is now.
    std::vector<SimHtmlWindowState> windows() const;

    std::unique_ptr<platform::HtmlWindow> create();

private:
    friend class SimHtmlWindow;
    struct Shared;
    std::shared_ptr<Shared> shared_;
};

class SimHtmlWindow final : public platform::HtmlWindow {
public:
    SimHtmlWindow(std::shared_ptr<SimHtmlBrowser::Shared> shared, std::size_t index);
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
    friend class SimHtmlPage;

    /// Runs `work` on the UI thread and waits for it; runs it at once on the UI thread itself.
    void onUiThread(const std::function<void()>& work);
    /// Queues `work` for the UI thread.
    void post(std::function<void()> work);
    void loop();
    void navigate(const std::string& url, const SimHtmlPageScript& script);
    /// The window's state, changed under the browser's lock.
    void change(const std::function<void(SimHtmlWindowState&)>& edit);
    ui::WindowHandler* handler();

    std::shared_ptr<SimHtmlBrowser::Shared> shared_;
    std::size_t index_;
    ui::WindowHandler* handler_ = nullptr;  // touched on the UI thread only
    std::mutex queueMutex_;
    std::condition_variable queueChanged_;
    std::deque<std::function<void()>> queue_;
    bool stopping_ = false;
    std::thread thread_;
};

}  // namespace sim
