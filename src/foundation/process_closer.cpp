#include "foundation/process_closer.h"

#include <vector>

#include "foundation/auto_handle.h"
#include "foundation/errors.h"
#include "foundation/logger.h"
#include "platform/machine.h"
#include "platform/win_errors.h"

namespace processes {

namespace {

namespace err = platform::err;
namespace kernel = platform::kernel;

constexpr std::uint32_t graceMilliseconds = 5000;

std::string errorText(platform::ErrorCode code) { return WinErrorHandling::systemErrorText(code); }

char lowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool equalsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (lowerAscii(a[i]) != lowerAscii(b[i])) return false;
    }
    return true;
}

/// Asks each top-level window of the process to close; a window that refuses is left to the wait.
void askWindowsToClose(const platform::ProcessEntry& process, CloseRequest how) {
    auto& desktop = platform::machine().desktop();
    std::vector<platform::Window> windows;
    if (const auto e = desktop.topLevelWindows(process.processId, windows); e != err::success) {
        LOG_ERROR("EnumWindows for " << process.exeName << " (PID: " << process.processId << ") failed with "
                                     << errorText(e));
        return;
    }
    for (const auto window : windows) {
        if (how == CloseRequest::destroy) {
            const auto e = desktop.destroyWindow(window);
            if (e == err::success) continue;
            // Windows lets only the owning thread destroy a window (Wine refuses too, with 5), so this
            // fails for every window of another process: it is asked to close instead, rather than
            // always waiting out the grace and being terminated.
            LOG_ERROR("DestroyWindow(" << platform::raw(window) << ") failed with " << errorText(e));
        }
        if (const auto e = desktop.postToWindow(window, platform::wm::close, 0, 0); e != err::success) {
            LOG_ERROR("PostMessage(" << platform::raw(window) << ", WM_CLOSE) failed with " << errorText(e));
        }
    }
}

void close(const platform::ProcessEntry& process, CloseRequest how) {
    auto& kernel = platform::machine().kernel();
    auto& processes = platform::machine().processes();
    LOG_INFO("Closing " << process.exeName << " (PID: " << process.processId << ")");
    AutoHandle handle;
    if (const auto e = processes.openProcess(platform::proc::processTerminate | kernel::synchronize,
                                             process.processId, *handle.put());
        e != err::success) {
        LOG_ERROR("OpenProcess(" << process.processId << ") failed with " << errorText(e));
        return;
    }
    askWindowsToClose(process, how);

    platform::ErrorCode waitError = err::success;
    const auto closed = kernel.waitForSingleObject(handle.get(), graceMilliseconds, waitError);
    if (closed == kernel::waitObject0) {
        LOG_INFO(process.exeName << " (PID: " << process.processId << ") has closed");
        return;
    }
    if (closed == kernel::waitFailed) {
        LOG_ERROR("WaitForSingleObject(" << process.processId << ") failed with " << errorText(waitError));
    }
    LOG_INFO(process.exeName << " (PID: " << process.processId << ") is still running, terminating it");
    if (const auto e = processes.terminateProcess(handle.get(), 0); e != err::success) {
        LOG_ERROR("TerminateProcess(" << process.processId << ") failed with " << errorText(e));
    }
    const auto ended = kernel.waitForSingleObject(handle.get(), graceMilliseconds, waitError);
    if (ended == kernel::waitFailed) {
        LOG_ERROR("WaitForSingleObject(" << process.processId << ") failed with " << errorText(waitError));
    } else if (ended != kernel::waitObject0) {
        LOG_ERROR(process.exeName << " (PID: " << process.processId << ") did not end after it was terminated");
    }
}

}  // namespace

int closeByName(std::string_view exeName, CloseRequest how) {
    std::vector<platform::ProcessEntry> running;
    if (const auto e = platform::machine().processes().listProcesses(running); e != err::success) {
        LOG_ERROR("CreateToolhelp32Snapshot failed with " << errorText(e));
        return 0;
    }
    int found = 0;
    for (const auto& process : running) {
        if (!equalsNoCase(process.exeName, exeName)) continue;
        ++found;
        close(process, how);
    }
    return found;
}

}  // namespace processes
