// Starting child processes: at once, waiting for their exit code, waiting while the caller's window
// messages keep flowing, or through the desktop shell as the logged-on user.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

#include "platform/kernel.h"
#include "platform/processes.h"

// Names and codes of process execution.
namespace exec {

/// The executor itself could not be set up (ERROR_FUNCTION_FAILED).
inline constexpr unsigned executorFailure = 1627;

inline constexpr const char* shellProgram = "explorer.exe";
/// The temporary shell link's directory under the common application data folder, and its name.
inline constexpr const char* tempLinkDirectory = "tmpinstall";
inline constexpr const char* tempLinkName = "zarntmp.lnk";

}  // namespace exec

class Executor {
public:
    class ExecutorError : public std::runtime_error {
    public:
        using std::runtime_error::runtime_error;
    };

    /// Keeps `applicationPath` without surrounding blanks and tabs and, when it is wholly quoted,
    /// without its quotes. An empty path throws MevError<ExecutorError> "applicationPath is empty".
    explicit Executor(std::string_view applicationPath);
    ~Executor();
    Executor(const Executor&) = delete;
    Executor& operator=(const Executor&) = delete;

    /// Builds the command line from `args` (see commandLineFor).
    Executor& setArgs(std::string_view args);
    /// 1 starts the child hidden and without a console window.
    Executor& setHideWindow(std::uint32_t hide) {
        hideWindow_ = hide;
        return *this;
    }
    Executor& setWait(bool wait) {
        wait_ = wait;
        return *this;
    }
    Executor& setTimeout(std::uint32_t milliseconds) {
        timeoutMs_ = milliseconds;
        return *this;
    }
    Executor& setPumpMessages(bool pump) {
        pumpMessages_ = pump;
        return *this;
    }

    /// Starts the child and finishes it as asked: 0 or the child's exit code, 258 when the wait timed
    /// out (the child is then terminated with 1), or the system error of the failed step.
    std::uint32_t exec();

    const std::string& applicationPath() const { return applicationPath_; }
    const std::string& commandLine() const { return commandLine_; }
    bool started() const { return started_; }

    /// The command line handed to the system for `args`: empty for blank arguments, the rest after a
    /// leading application path, `args` itself when it starts with the quoted path, else a blank and `args`.
    static std::string commandLineFor(std::string_view applicationPath, std::string_view args);

    /// Starts the child without waiting: 0 when it started, the system error when it did not, 1627
    /// when the executor could not be set up.
    static std::uint32_t ExecProcess(std::string_view applicationPath, std::string_view args);
    /// Starts the child and waits without a time limit: its exit code, a system error, or 1627.
    static std::uint32_t ExecProcessWaitForFinish(std::string_view applicationPath, std::string_view args,
                                                  std::uint32_t hideWindow);
    /// As ExecProcessWaitForFinish, but the calling thread's window messages are dispatched meanwhile.
    static std::uint32_t ExecProcessWithAtlMessageLoop(std::string_view applicationPath, std::string_view args);
    /// Runs the application through a temporary shell link opened by the desktop shell, so that it
    /// runs as the logged-on user: 0 when the shell started, a system error, or 1627 for an empty path.
    static std::uint32_t ExecProcessAsDesktopUser(std::string_view applicationPath, std::string_view args);

private:
    bool startExecution();
    std::uint32_t finishExecution();
    void pumpUntilSignalled();
    void closeHandles();

    std::string applicationPath_;
    std::string commandLine_;
    std::uint32_t creationFlags_ = 0;
    platform::StartupInfo startupInfo_;
    platform::ProcessInformation processInfo_;
    std::uint32_t hideWindow_ = 0;
    bool wait_ = false;
    std::uint32_t timeoutMs_ = platform::kernel::infinite;
    bool pumpMessages_ = false;
    bool started_ = false;
    /// The error of the last port call that failed: the "last error" of the log lines.
    platform::ErrorCode lastError_ = 0;
};

// The entry points the rest of the installer calls.

inline std::uint32_t ExecProcess(std::string_view applicationPath, std::string_view args) {
    return Executor::ExecProcess(applicationPath, args);
}
inline std::uint32_t ExecProcessWaitForFinish(std::string_view applicationPath, std::string_view args,
                                              std::uint32_t hideWindow = 0) {
    return Executor::ExecProcessWaitForFinish(applicationPath, args, hideWindow);
}
inline std::uint32_t ExecProcessWithAtlMessageLoop(std::string_view applicationPath, std::string_view args) {
    return Executor::ExecProcessWithAtlMessageLoop(applicationPath, args);
}
inline std::uint32_t ExecProcessAsDesktopUser(std::string_view applicationPath, std::string_view args) {
    return Executor::ExecProcessAsDesktopUser(applicationPath, args);
}
