// HTML dialog windows: a top-level window that shows one page in an embedded browser, and the
// handler through which the page and the browser reach the dialog behind it. The real machine hosts
// the system's WebBrowser control on a UI thread of its own; the simulated machine has a scripted
// browser, and tests may put a real one in its place.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/dialog.h"

namespace ui {

/// The dialog side of a browser window. The engine calls it on its UI thread: browser events and the
/// page's calls of `window.external`.
class WindowHandler {
public:
    virtual ~WindowHandler() = default;

    /// The locale name that pages pick their localisation file by.
    virtual std::string getLocale() = 0;
    /// The window's close command arrived (the window stays).
    virtual void onClose() {}
    /// The page has finished loading.
    virtual void onLoadComplete() {}
    /// A navigation failed with `status` (an HRESULT or an HTTP status).
    virtual void onNavigateError(std::int32_t status) { (void)status; }
    /// The page called `external.notify(name, arguments...)`.
    virtual void onEvent(const std::string& name, const std::vector<std::string>& arguments) {
        (void)name;
        (void)arguments;
    }
    /// The page called `external.setWindowProp(name, values...)`.
    virtual void setWindowProp(const std::string& name, const std::vector<std::string>& values) {
        (void)name;
        (void)values;
    }
};

}  // namespace ui

namespace platform {

/// One HTML dialog window. Every operation may be called from any thread; the engine does the window
/// and browser work on its UI thread and returns when it is done, so no caller holds a lock that the
/// handler's calls take. Failures throw std::runtime_error (std::logic_error for a script without any
/// browser).
class HtmlWindow {
public:
    virtual ~HtmlWindow() = default;

    /// Creates the window (hidden) on first use, then navigates its browser to `url`, which from now
    /// on reports to `handler`. Returns once the navigation has started, not when the page has loaded;
    /// the handler may hear of the load, or of its failure, before it returns.
    virtual void load(const std::string& url, ui::WindowHandler& handler) = 0;
    /// Hides and destroys the window and its browser when they exist; the handler is no longer called.
    virtual void destroy() = 0;
    /// Whether the window exists.
    virtual bool exists() = 0;
    /// Evaluates `script` in the page and returns its value as text: a string as it is, a number in
    /// decimal, a boolean "True" or "False", undefined and null empty.
    virtual std::string execScript(const std::string& script) = 0;

    /// ShowWindow with SW_SHOW or SW_HIDE, when the window exists.
    virtual void setVisible(bool visible) = 0;
    /// SetWindowTextW of the UTF-8 `title`, when the window exists.
    virtual void setTitle(std::string_view title) = 0;
    /// SetWindowPos with this window size (not moved, Z order kept), when the window exists.
    virtual void setSize(int width, int height) = 0;
    /// Moves the window's top-left corner (size and Z order kept), when the window exists.
    virtual void move(int x, int y) = 0;
    /// The window's rectangle in screen coordinates; empty when there is no window.
    virtual Rect windowRect() = 0;
    /// The rectangle the window is centred on: its parent's, or the desktop's when it has none.
    virtual Rect parentRect() = 0;
    /// Enables or greys the Close item of the window's system menu, when the window exists.
    virtual void enableCloseItem(bool enabled) = 0;
    /// Sends the window its close command (WM_CLOSE), which reaches the handler's `onClose`.
    virtual void sendClose() = 0;
};

}  // namespace platform
