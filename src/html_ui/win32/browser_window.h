// The top-level window of an HTML dialog: one browser control on the UI thread. Every operation may be
// called from any thread; the window work runs as an action on the UI thread.
#pragma once

#include <windows.h>

#include <atomic>
#include <string>

#include "html_ui/win32/ui_thread.h"
#include "platform/html_window.h"

namespace ui {

class BrowserControl;

class BrowserWindow final : public platform::HtmlWindow {
public:
    static constexpr const wchar_t* className = L"PellamWinDialog";
    static constexpr DWORD style = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    static constexpr DWORD extendedStyle = WS_EX_APPWINDOW | WS_EX_DLGMODALFRAME;

    BrowserWindow() = default;
    /// Destroys the window if it still exists, then lets go of the UI thread.
    ~BrowserWindow() override;
    BrowserWindow(const BrowserWindow&) = delete;
    BrowserWindow& operator=(const BrowserWindow&) = delete;

    void load(const std::string& url, WindowHandler& handler) override;
    void destroy() override;
    bool exists() override { return hWnd_.load() != nullptr; }
    /// The script's value as text. Without a browser control: std::logic_error
    /// "browser control does not exist"; a failed evaluation: std::runtime_error "action failed".
    std::string execScript(const std::string& script) override;

    void setVisible(bool visible) override;
    void setTitle(std::string_view title) override;
    void setSize(int width, int height) override;
    void move(int x, int y) override;
    platform::Rect windowRect() override;
    platform::Rect parentRect() override;
    void enableCloseItem(bool enabled) override;
    void sendClose() override;

    /// The window size whose client area is `width` by `height`.
    static SIZE clientSize2windowSize(int width, int height);

    // UI thread only.
    void create();
    void destroyControl();
    HWND window() const { return hWnd_.load(); }
    BrowserControl* control() const { return browserControl_; }

private:
    class LoadAction;
    class DestroyAction;

    template <class Work>
    void whenWindowExists(Work work);
    bool onCreate(HWND window);
    LRESULT handleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK staticWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    // Written on the UI thread; read elsewhere only to tell whether the window exists.
    std::atomic<HWND> hWnd_{nullptr};
    BrowserControl* browserControl_ = nullptr;
    UIThread uiThread_;
};

}  // namespace ui
