// The simulated process table: programs are scripts installed at a path. Starting one records its
// command line, runs its side effects (which may change the simulated registry and files) and plays
// its exit code; a program can also keep running for a while or until it is terminated, and show
// top-level windows while it runs.
#pragma once

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/processes.h"
#include "platform/sim/faults.h"
#include "platform/sim/handle_table.h"
#include "platform/sim/text.h"

namespace sim {

class SimFileSystem;
class SimProcessObject;

/// One CreateProcess call that started a program.
struct StartedProcess {
    std::string program;  // the installed path that was run
    std::string application;
    std::string commandLine;
    std::uint32_t creationFlags = 0;
    platform::StartupInfo startup;
};

/// What a program does when it starts: `run` performs its side effects and gives the exit code.
struct Program {
    std::function<std::uint32_t(const StartedProcess&)> run;
    /// The process stays alive this long after its start (nullopt: it ends at once); a negative
    /// lifetime (`forever`) lasts until it is terminated.
    std::optional<std::chrono::milliseconds> lifetime;
    /// Top-level windows the process has while it runs. They belong to another process's thread:
    /// this one can post to them but not destroy them.
    int windows = 0;
    /// Whether WM_CLOSE destroys a window, as the default window procedure does; the process then
    /// ends with its exit code once its last window is gone.
    bool closesOnRequest = true;

    static constexpr std::chrono::milliseconds forever{-1};
    /// A program that only exits with `code`.
    static Program exitingWith(std::uint32_t code);
};

class SimProcesses final : public platform::Processes {
public:
    SimProcesses(Faults& faults, HandleTable& handles, SimFileSystem& files);

    /// Installs `program` at the full path `path` (its file appears in the simulated file system).
    void install(const std::string& path, Program program);
    /// Every start so far, oldest first.
    std::vector<StartedProcess> started() const;
    std::vector<std::string> commandLines() const;
    /// Messages waiting in the calling thread's queue; each dispatch takes one.
    void postMessages(int count);
    int dispatchedMessages() const;
    std::string standardError() const;
    /// The next shell link fails at `step` with `hresult`.
    void failShellLink(platform::ShellLinkStep step, std::int32_t hresult);

    // The running programs' windows, for the simulated desktop.
    std::vector<platform::Window> windowsOf(std::uint32_t processId);
    /// 1400 (invalid window handle) when no running program has `window`.
    platform::ErrorCode postToWindow(platform::Window window, std::uint32_t message);
    bool hasWindow(platform::Window window);

    platform::ErrorCode createProcess(std::string_view application, std::string_view commandLine,
                                      std::uint32_t creationFlags, const platform::StartupInfo& startup,
                                      platform::ProcessInformation& out) override;
    platform::ErrorCode exitCodeProcess(platform::Handle process, std::uint32_t& code) override;
    platform::ErrorCode terminateProcess(platform::Handle process, std::uint32_t exitCode) override;
    platform::ErrorCode listProcesses(std::vector<platform::ProcessEntry>& out) override;
    platform::ErrorCode openProcess(std::uint32_t access, std::uint32_t processId, platform::Handle& out) override;
    std::uint32_t msgWaitForObject(platform::Handle object, std::uint32_t milliseconds, std::uint32_t wakeMask,
                                   std::uint32_t flags, platform::ErrorCode& error) override;
    bool dispatchOneMessage() override;
    void writeStandardError(std::string_view text) override;
    std::int32_t createShellLink(std::string_view target, std::string_view arguments, std::string_view linkPath,
                                 platform::ShellLinkStep& failed) override;

private:
    /// The installed path `application` or the command line's first token names, if any.
    std::optional<std::string> resolve(std::string_view application, std::string_view commandLine) const;

    /// A started process, listed while it runs and found by id while anything refers to it.
    struct Running {
        std::string exeName;
        std::shared_ptr<SimProcessObject> object;
        std::vector<platform::Window> windows;
        bool closesOnRequest = true;
    };
    /// The running process that has `window`, under the lock.
    Running* ownerOf(platform::Window window);

    Faults& faults_;
    HandleTable& handles_;
    SimFileSystem& files_;
    mutable std::mutex mutex_;
    std::map<std::string, Program, LessNoCase> programs_;
    std::vector<StartedProcess> started_;
    std::map<std::uint32_t, Running> running_;
    std::uint32_t nextId_ = 4000;
    // Apart from the desktop's own handles.
    std::uintptr_t nextWindow_ = 0x2000000;
    int pendingMessages_ = 0;
    int dispatched_ = 0;
    std::string standardError_;
    std::optional<std::pair<platform::ShellLinkStep, std::int32_t>> shellLinkFailure_;
};

}  // namespace sim
