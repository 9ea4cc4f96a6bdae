#include "html_ui/win32/browser_window.h"

#include <stdexcept>

#include "foundation/catch_handlers.h"
#include "html_ui/win32/browser_control.h"
#include "html_ui/win32/failure_log.h"
#include "platform/win32/wide.h"

namespace ui {

namespace {

// The dialog's initial client area in dialog units.
constexpr int initialWidthUnits = 250;
constexpr int initialHeightUnits = 177;

/// Runs a callable as an action.
template <class Work>
class WorkAction final : public ipc::Runnable {
public:
    explicit WorkAction(Work& work) : work_(work) {}
    void run() override { work_(); }

private:
    Work& work_;
};

platform::Rect rectOf(HWND window) {
    RECT rect{};
    if (!GetWindowRect(window, &rect)) return {};
    return {rect.left, rect.top, rect.right, rect.bottom};
}

}  // namespace

class BrowserWindow::LoadAction final : public ipc::Runnable {
public:
    LoadAction(BrowserWindow& window, const std::string& url, WindowHandler& handler)
        : window_(window), url_(url), handler_(handler) {}
    void run() override {
        if (window_.hWnd_.load() == nullptr) window_.create();
        if (window_.browserControl_ == nullptr) throw std::logic_error("browser control does not exist");
        window_.browserControl_->openUrl(platform::win32::widen(url_), handler_);
    }

private:
    BrowserWindow& window_;
    const std::string& url_;
    WindowHandler& handler_;
};

class BrowserWindow::DestroyAction final : public ipc::Runnable {
public:
    explicit DestroyAction(BrowserWindow& window) : window_(window) {}
    void run() override {
        const HWND window = window_.hWnd_.load();
        if (window == nullptr) return;
        ShowWindow(window, SW_HIDE);
        window_.destroyControl();
        DestroyWindow(window);
        window_.hWnd_ = nullptr;
    }

private:
    BrowserWindow& window_;
};

BrowserWindow::~BrowserWindow() {
    try {
        destroy();
    }
    ZARN_CATCH_ALL
}

void BrowserWindow::load(const std::string& url, WindowHandler& handler) {
    LoadAction action(*this, url, handler);
    uiThread_.execute(&action);
}

void BrowserWindow::destroy() {
    LOG_TRACE(">>BrowserWindow::destroy");
    if (hWnd_.load() != nullptr) {
        LOG_TRACE("  == BrowserWindow::destroy: hWnd != NULL => destroy");
        DestroyAction action(*this);
        uiThread_.execute(&action);
    }
    LOG_TRACE("<<BrowserWindow::destroy");
}

std::string BrowserWindow::execScript(const std::string& script) {
    if (browserControl_ == nullptr) throw std::logic_error("browser control does not exist");
    // The value becomes text on the UI thread too: an object value answers only there.
    std::string text;
    auto evaluate = [&] {
        if (browserControl_ == nullptr) throw std::logic_error("browser control does not exist");
        text = variantText(browserControl_->execJScript(platform::win32::widen(script)).value);
    };
    WorkAction<decltype(evaluate)> action(evaluate);
    uiThread_.execute(&action);
    return text;
}

template <class Work>
void BrowserWindow::whenWindowExists(Work work) {
    if (hWnd_.load() == nullptr) return;
    auto onUiThread = [&] {
        if (const HWND window = hWnd_.load()) work(window);
    };
    WorkAction<decltype(onUiThread)> action(onUiThread);
    uiThread_.execute(&action);
}

void BrowserWindow::setVisible(bool visible) {
    whenWindowExists([&](HWND window) { ShowWindow(window, visible ? SW_SHOW : SW_HIDE); });
}

void BrowserWindow::setTitle(std::string_view title) {
    const std::wstring text = platform::win32::widen(title);
    whenWindowExists([&](HWND window) { SetWindowTextW(window, text.c_str()); });
}

void BrowserWindow::setSize(int width, int height) {
    whenWindowExists(
        [&](HWND window) { SetWindowPos(window, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER); });
}

void BrowserWindow::move(int x, int y) {
    whenWindowExists([&](HWND window) { SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER); });
}

platform::Rect BrowserWindow::windowRect() {
    platform::Rect rect;
    whenWindowExists([&](HWND window) { rect = rectOf(window); });
    return rect;
}

platform::Rect BrowserWindow::parentRect() {
    platform::Rect rect = rectOf(GetDesktopWindow());
    whenWindowExists([&](HWND window) {
        if (const HWND parent = GetParent(window)) rect = rectOf(parent);
    });
    return rect;
}

void BrowserWindow::enableCloseItem(bool enabled) {
    whenWindowExists([&](HWND window) {
        if (const HMENU menu = GetSystemMenu(window, FALSE)) {
            EnableMenuItem(menu, SC_CLOSE, static_cast<UINT>(MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED)));
        }
    });
}

void BrowserWindow::sendClose() {
    whenWindowExists([](HWND window) { SendMessageW(window, WM_CLOSE, 0, 0); });
}

SIZE BrowserWindow::clientSize2windowSize(int width, int height) {
    RECT rect{0, 0, width, height};
    if (!AdjustWindowRectEx(&rect, style, FALSE, extendedStyle)) {
        LOG_SYSTEM_FAILURE("AdjustWindowRectEx");
        throw std::runtime_error("AdjustWindowRectEx error");
    }
    return {rect.right - rect.left, rect.bottom - rect.top};
}

void BrowserWindow::create() {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    if (!GetClassInfoExW(instance, className, &windowClass)) {
        windowClass = WNDCLASSEXW{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.style = CS_HREDRAW | CS_VREDRAW;
        windowClass.lpfnWndProc = &staticWndProc;
        windowClass.hInstance = instance;
        windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        windowClass.lpszClassName = className;
        if (!RegisterClassExW(&windowClass)) LOG_SYSTEM_FAILURE("RegisterClass");
    }
    const LONG units = GetDialogBaseUnits();
    const SIZE size = clientSize2windowSize(MulDiv(initialWidthUnits, LOWORD(units), 4),
                                            MulDiv(initialHeightUnits, HIWORD(units), 8));
    // WM_CREATE stores the handle and makes the browser control.
    if (CreateWindowExW(extendedStyle, className, L"", style, 100, 100, size.cx, size.cy, nullptr, nullptr, instance,
                        this) == nullptr) {
        LOG_SYSTEM_FAILURE("CreateWindow");
        hWnd_ = nullptr;
        throw std::runtime_error("CreateWindow failed");
    }
}

void BrowserWindow::destroyControl() {
    LOG_TRACE(">>BrowserWindow::destroyControl");
    if (browserControl_ != nullptr) {
        LOG_TRACE("  == BrowserWindow::destroyControl: browserControl != NULL");
        BrowserControl* control = std::exchange(browserControl_, nullptr);
        LOG_TRACE("  == BrowserWindow::destroyControl: >>browserControl->destroy");
        control->destroy();
        LOG_TRACE("  == BrowserWindow::destroyControl: <<browserControl->destroy");
    }
    LOG_TRACE("<<BrowserWindow::destroyControl");
}

bool BrowserWindow::onCreate(HWND window) {
    try {
        RECT client{};
        GetClientRect(window, &client);
        browserControl_ = new BrowserControl;
        if (!browserControl_->createControl(window, client)) {
            LOG_ERROR("BrowserControl::createControl failed");
            destroyControl();
            throw std::runtime_error("BrowserControl::createControl failed");
        }
        return true;
    }
    ZARN_CATCH_ALL
    return false;
}

LRESULT CALLBACK BrowserWindow::staticWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    BrowserWindow* self = nullptr;
    if (message == WM_CREATE) {
        self = static_cast<BrowserWindow*>(reinterpret_cast<const CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->hWnd_ = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    } else {
        self = reinterpret_cast<BrowserWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    }
    if (self == nullptr) return DefWindowProcW(window, message, wParam, lParam);
    try {
        return self->handleMessage(window, message, wParam, lParam);
    }
    ZARN_CATCH_ALL
    return 0;
}

LRESULT BrowserWindow::handleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            return onCreate(window) ? 0 : -1;
        case WM_DESTROY:
            destroyControl();
            return 0;
        case WM_SIZE:
            if (wParam != SIZE_RESTORED) break;
            if (browserControl_ != nullptr) browserControl_->setRect({0, 0, LOWORD(lParam), HIWORD(lParam)});
            return 0;
        case WM_SETFOCUS:
            if (browserControl_ != nullptr) browserControl_->setFocus();
            return 0;
        case WM_CLOSE:
            // The dialog decides; the window stays.
            if (browserControl_ != nullptr && browserControl_->handler() != nullptr) {
                browserControl_->handler()->onClose();
            }
            return 0;
        case acceleratorMessage:
            return browserControl_ != nullptr && browserControl_->translateAccelerator(*reinterpret_cast<MSG*>(lParam))
                       ? 1
                       : 0;
        default:
            break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace ui
