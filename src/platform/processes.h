// The processes port: child processes (start, exit code, end), the machine's running processes, the
// calling thread's message queue while it waits for one, the process's standard error stream, and
// shell links.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/types.h"

namespace platform {

namespace proc {
// Creation flags and STARTUPINFO fields.
inline constexpr std::uint32_t createNoWindow = 0x08000000;
inline constexpr std::uint32_t startfUseShowWindow = 0x00000001;
inline constexpr std::uint16_t swHide = 0;

// MsgWaitForMultipleObjectsEx.
inline constexpr std::uint32_t qsAllInput = 0x04FF;
inline constexpr std::uint32_t mwmoInputAvailable = 0x0004;
/// The answer "input is waiting" of a wait over one handle.
inline constexpr std::uint32_t waitInput = 1;

// Process access rights (synchronise is kernel::synchronize).
inline constexpr std::uint32_t processTerminate = 0x0001;
}  // namespace proc

/// A process of a snapshot: PROCESSENTRY32W's id and executable file name ("firefox.exe").
struct ProcessEntry {
    std::uint32_t processId = 0;
    std::string exeName;
    friend bool operator==(const ProcessEntry&, const ProcessEntry&) = default;
};

/// The STARTUPINFOA fields the installer sets; the record is otherwise zero with its size set.
struct StartupInfo {
    std::uint32_t flags = 0;
    std::uint16_t showWindow = 0;
};

/// PROCESS_INFORMATION. Both handles belong to the caller, who closes them with Kernel::closeHandle;
/// the process handle can be waited on with Kernel::waitForSingleObject.
struct ProcessInformation {
    Handle process = Handle::null;
    Handle thread = Handle::null;
    std::uint32_t processId = 0;
    std::uint32_t threadId = 0;
};

/// The step of writing a shell link that failed.
enum class ShellLinkStep { none, createInstance, setPath, setArguments, queryPersistFile, save };

class Processes {
public:
    virtual ~Processes() = default;

    /// CreateProcessA without inheritance, with default security, environment and directory. An empty
    /// `application` lets the first token of `commandLine` name the program, looked up as Windows does.
    virtual ErrorCode createProcess(std::string_view application, std::string_view commandLine,
                                    std::uint32_t creationFlags, const StartupInfo& startup,
                                    ProcessInformation& out) = 0;
    /// GetExitCodeProcess: `kernel::stillActive` (259) while the process runs.
    virtual ErrorCode exitCodeProcess(Handle process, std::uint32_t& code) = 0;
    /// TerminateProcess.
    virtual ErrorCode terminateProcess(Handle process, std::uint32_t exitCode) = 0;

    /// The running processes: CreateToolhelp32Snapshot of the processes, walked with Process32FirstW
    /// and Process32NextW.
    virtual ErrorCode listProcesses(std::vector<ProcessEntry>& out) = 0;
    /// OpenProcess without inheritance, `access` from `proc` and `kernel::synchronize`: 87 (invalid
    /// parameter) when no process has that id. The handle is the caller's to close.
    virtual ErrorCode openProcess(std::uint32_t access, std::uint32_t processId, Handle& out) = 0;

    /// MsgWaitForMultipleObjectsEx over one handle: `kernel::waitObject0` when it is signalled,
    /// `proc::waitInput` when the calling thread has input, `kernel::waitTimeout`, or
    /// `kernel::waitFailed` with `error` set.
    virtual std::uint32_t msgWaitForObject(Handle object, std::uint32_t milliseconds, std::uint32_t wakeMask,
                                           std::uint32_t flags, ErrorCode& error) = 0;
    /// Takes one message of the calling thread's queue, if there is one: PeekMessageA without removal,
    /// then GetMessageW or GetMessageA by the message's window, TranslateMessage and the matching
    /// DispatchMessage. False when the queue was empty.
    virtual bool dispatchOneMessage() = 0;

    /// Writes `text` to the process's standard error stream, as it is.
    virtual void writeStandardError(std::string_view text) = 0;

    /// Saves a shell link at `linkPath` to `target` with `arguments` (CoInitialize, the ShellLink
    /// object's IShellLinkA SetPath and SetArguments, IPersistFile::Save with remember set, release,
    /// CoUninitialize). Returns 0 or the failing HRESULT, with the step that failed in `failed`.
    virtual std::int32_t createShellLink(std::string_view target, std::string_view arguments,
                                         std::string_view linkPath, ShellLinkStep& failed) = 0;
};

}  // namespace platform
