// The UI thread of the HTML dialogs: one thread per process that owns a hidden control window, runs
// a message loop and does every piece of window and browser work. Other threads hand it actions,
// which it runs inside a sent window message while the caller waits.
#pragma once

#include <windows.h>
// <windows.h> comes first; the lean build leaves OLE out of it.
#include <ole2.h>

#include <atomic>
#include <cstdint>

#include "ipc/thread.h"

namespace ui {

/// Messages of the UI thread's windows.
inline constexpr UINT acceleratorMessage = WM_USER + 1;  // lParam: the MSG being processed
inline constexpr UINT actionMessage = WM_USER + 2;       // wParam: the ipc::Runnable to run

/// A handle holding one reference to the process's UI thread; the last one ends the thread.
class UIThread {
public:
    class ThreadImpl;

    UIThread();
    ~UIThread();
    UIThread(const UIThread&) = delete;
    UIThread& operator=(const UIThread&) = delete;

    /// The control window, starting the thread first when it has none.
    HWND getWindow();
    /// Runs `action` on the UI thread and returns when it has finished; on the UI thread itself it runs
    /// directly. A null action throws std::logic_error "NULL action"; an action that throws makes this
    /// throw std::runtime_error "action failed" (the thread goes on).
    void execute(ipc::Runnable* action);

    ThreadImpl& instance() { return *impl_; }

private:
    ThreadImpl* impl_;
};

class UIThread::ThreadImpl final : public ipc::Runnable {
public:
    /// The instance, made on first use; takes one reference.
    static ThreadImpl* getInstance();
    /// Gives one reference back; the last one closes the control window and ends the thread.
    void release();
    HWND getWindow();
    /// The thread's body: OLE, the control window and the message loop.
    void run() override;

    std::int32_t referenceCount() const { return refCounter_.load(); }

private:
    ThreadImpl() = default;
    ~ThreadImpl() override = default;

    void destroy();
    void runMessageLoop();
    LRESULT wndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK staticWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    // Read by the loop on the UI thread, cleared by the thread that releases the last reference.
    std::atomic<HWND> controlWindow_{nullptr};
    std::uint32_t thread_ = ipc::Thread::noThread;
    std::atomic<std::int32_t> refCounter_{1};
    // Set under the process-wide mutex once the thread has either made its window or failed to.
    bool startFinished_ = false;
    // The last reference went on the UI thread itself, which cannot join itself: run() deletes the
    // instance once its loop has ended.
    bool deleteOnExit_ = false;
};

}  // namespace ui
