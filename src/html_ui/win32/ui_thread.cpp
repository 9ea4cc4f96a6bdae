#include "html_ui/win32/ui_thread.h"

#include <stdexcept>

#include "foundation/catch_handlers.h"
#include "html_ui/win32/failure_log.h"
#include "ipc/conditional.h"

namespace ui {

namespace {

constexpr const char* controlClass = "ControlWindow";

// The instance and the start hand-over: the mutex guards the instance pointer, the control window
// and the thread start; the condition says the thread has finished starting.
struct ProcessState {
    ipc::Conditional started;
    UIThread::ThreadImpl* instance = nullptr;
};

ProcessState& processState() {
    // Never destroyed: a handle may be released while statics are being torn down.
    static auto* state = new ProcessState;
    return *state;
}

bool isInputMessage(UINT message) {
    return (message >= WM_KEYFIRST && message <= WM_KEYLAST) || (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST);
}

// The focus window and its ancestors get the first look at an input message, so that the browser
// inside a dialog does its own keyboard handling (tab order, enter on buttons).
bool offerAccelerator(MSG& message) {
    const HWND desktop = GetDesktopWindow();
    for (HWND window = GetFocus(); window != nullptr && window != desktop; window = GetAncestor(window, GA_PARENT)) {
        if (SendMessageA(window, acceleratorMessage, 0, reinterpret_cast<LPARAM>(&message)) != 0) return true;
    }
    return false;
}

}  // namespace

UIThread::UIThread() : impl_(ThreadImpl::getInstance()) {}

UIThread::~UIThread() { impl_->release(); }

HWND UIThread::getWindow() { return impl_->getWindow(); }

void UIThread::execute(ipc::Runnable* action) {
    if (action == nullptr) throw std::logic_error("NULL action");
    // A sent message runs at once when the caller is the UI thread itself.
    if (SendMessageA(getWindow(), actionMessage, reinterpret_cast<WPARAM>(action), 0) == 0) {
        throw std::runtime_error("action failed");
    }
}

UIThread::ThreadImpl* UIThread::ThreadImpl::getInstance() {
    ProcessState& state = processState();
    const ipc::Mutex::Lock lock(state.started.mutex());
    if (state.instance != nullptr) {
        LOG_TRACE("ThreadImpl::getInstance - addref: " << state.instance->refCounter_.fetch_add(1));
        return state.instance;
    }
    LOG_TRACE("ThreadImpl::getInstance - create instance");
    state.instance = new ThreadImpl;
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = &staticWndProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = controlClass;
    RegisterClassExA(&windowClass);  // fails harmlessly when an earlier instance registered it
    return state.instance;
}

void UIThread::ThreadImpl::release() {
    // Under the mutex, so that a getInstance cannot take a reference to an instance going away.
    const ipc::Mutex::Lock lock(processState().started.mutex());
    const std::int32_t count = --refCounter_;
    LOG_TRACE("ThreadImpl::release - count == " << count);
    if (count < 1) {
        LOG_TRACE("refCounter is 0, deleting this");
        destroy();
    }
}

void UIThread::ThreadImpl::destroy() {
    processState().instance = nullptr;
    if (const HWND window = controlWindow_.load()) {
        // Returns after the window is gone and the quit message posted.
        SendMessageA(window, WM_CLOSE, 0, 0);
        controlWindow_ = nullptr;
    }
    if (thread_ != ipc::Thread::noThread && thread_ == GetCurrentThreadId()) {
        deleteOnExit_ = true;  // an action on the UI thread let go of the last reference
        return;
    }
    if (thread_ != ipc::Thread::noThread) ipc::Thread::join(thread_);
    delete this;
}

HWND UIThread::ThreadImpl::getWindow() {
    ProcessState& state = processState();
    ipc::Mutex::Lock lock(state.started.mutex());
    if (controlWindow_.load() == nullptr) {
        startFinished_ = false;
        thread_ = ipc::Thread::start(this, false);
        // A condition wait may return without a signal; the flag tells a real one.
        while (!startFinished_) state.started.wait(lock);
        if (controlWindow_.load() == nullptr) throw std::runtime_error("UI thread failire");
    }
    return controlWindow_.load();
}

void UIThread::ThreadImpl::run() {
    const HRESULT ole = OleInitialize(nullptr);
    if (FAILED(ole)) LOG_WARNING("OleInitialize failed with " << WinErrorHandling::comErrorText(ole));
    ProcessState& state = processState();
    try {
        const HWND window =
            CreateWindowExA(0, controlClass, "", 0, 0, 0, 0, 0, nullptr, nullptr, GetModuleHandleA(nullptr), this);
        if (window == nullptr) {
            LOG_SYSTEM_FAILURE("CreateControlWindow");
            throw std::runtime_error("CreateWindow failed");
        }
        {
            const ipc::Mutex::Lock lock(state.started.mutex());
            controlWindow_ = window;
            startFinished_ = true;
            state.started.notify(true);
        }
        runMessageLoop();
    } catch (const std::exception& e) {
        LOG_ERROR("UIThread exception: " << e.what());
        const ipc::Mutex::Lock lock(state.started.mutex());
        startFinished_ = true;
        state.started.notify(true);
    }
    if (SUCCEEDED(ole)) OleUninitialize();
    if (deleteOnExit_) delete this;
}

void UIThread::ThreadImpl::runMessageLoop() {
    MSG message;
    while (controlWindow_.load() != nullptr) {
        const BOOL got = GetMessageA(&message, nullptr, 0, 0);
        if (got == 0) break;
        if (got == -1) {
            LOG_SYSTEM_FAILURE("MessageLoop::GetMessage");
            break;
        }
        if (isInputMessage(message.message) && offerAccelerator(message)) continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

LRESULT CALLBACK UIThread::ThreadImpl::staticWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        return DefWindowProcA(window, message, wParam, lParam);
    }
    if (auto* self = reinterpret_cast<ThreadImpl*>(GetWindowLongPtrA(window, GWLP_USERDATA))) {
        return self->wndProc(window, message, wParam, lParam);
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT UIThread::ThreadImpl::wndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        case WM_CLOSE:
            DestroyWindow(window);
            return 0;
        case actionMessage:
            try {
                reinterpret_cast<ipc::Runnable*>(wParam)->run();
                return 1;
            } catch (const std::exception& e) {
                LOG_WARNING("Action thrown an exception: " << e.what());
            } catch (...) {
                // Nothing may unwind through the system's frames of a window procedure.
                logCaughtUnknown(ZARN_LOCATION);
            }
            return 0;
        default:
            return DefWindowProcA(window, message, wParam, lParam);
    }
}

}  // namespace ui
