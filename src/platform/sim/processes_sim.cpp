#include "platform/sim/processes_sim.h"

#include <condition_variable>
#include <utility>

#include "platform/desktop.h"
#include "platform/file_system.h"
#include "platform/kernel.h"
#include "platform/sim/file_system_sim.h"
#include "platform/sim/sync_sim.h"
#include "platform/win_errors.h"

namespace sim {

namespace err = platform::err;
namespace kernel = platform::kernel;
using Clock = std::chrono::steady_clock;

/// A started program: signalled when it has ended, by itself (its lifetime elapsed), when its last
/// window closed, or terminated.
class SimProcessObject final : public Waitable {
public:
    SimProcessObject(std::uint32_t exitCode, std::optional<std::chrono::milliseconds> lifetime) : exitCode_(exitCode) {
        if (!lifetime) {
            ended_ = true;
        } else if (*lifetime >= std::chrono::milliseconds::zero()) {
            deadline_ = Clock::now() + *lifetime;
        }
    }

    std::uint32_t wait(std::uint32_t milliseconds) override {
        std::unique_lock lock(mutex_);
        const auto limit = milliseconds == kernel::infinite
                               ? std::optional<Clock::time_point>{}
                               : std::optional<Clock::time_point>{Clock::now() + std::chrono::milliseconds(milliseconds)};
        for (;;) {
            if (endedLocked()) return kernel::waitObject0;
            auto until = deadline_;
            if (limit && (!until || *limit < *until)) until = limit;
            if (!until) {
                changed_.wait(lock);
            } else if (changed_.wait_until(lock, *until) == std::cv_status::timeout && limit && Clock::now() >= *limit &&
                       !endedLocked()) {
                return kernel::waitTimeout;
            }
        }
    }

    std::uint32_t exitCode() {
        const std::lock_guard lock(mutex_);
        return endedLocked() ? exitCode_ : kernel::stillActive;
    }

    /// False when the process had ended already (Windows then answers access denied).
    bool terminate(std::uint32_t code) {
        {
            const std::lock_guard lock(mutex_);
            if (endedLocked()) return false;
            ended_ = true;
            exitCode_ = code;
        }
        changed_.notify_all();
        return true;
    }

    /// Ends the process as it ends by itself, with the code its program gave.
    void finish() {
        {
            const std::lock_guard lock(mutex_);
            ended_ = true;
        }
        changed_.notify_all();
    }

    bool ended() {
        const std::lock_guard lock(mutex_);
        return endedLocked();
    }

private:
    bool endedLocked() {
        if (!ended_ && deadline_ && Clock::now() >= *deadline_) ended_ = true;
        return ended_;
    }

    std::mutex mutex_;
    std::condition_variable changed_;
    std::uint32_t exitCode_;
    bool ended_ = false;
    std::optional<Clock::time_point> deadline_;
};

namespace {

/// The primary thread of a started program: it ends with the process.
class SimProcessThread final : public Waitable {
public:
    explicit SimProcessThread(std::shared_ptr<SimProcessObject> process) : process_(std::move(process)) {}
    std::uint32_t wait(std::uint32_t milliseconds) override { return process_->wait(milliseconds); }

private:
    std::shared_ptr<SimProcessObject> process_;
};

std::string firstToken(std::string_view commandLine) {
    std::size_t at = commandLine.find_first_not_of(" \t");
    if (at == std::string_view::npos) return {};
    if (commandLine[at] == '"') {
        const auto close = commandLine.find('"', at + 1);
        return std::string(commandLine.substr(at + 1, close == std::string_view::npos ? close : close - at - 1));
    }
    const auto end = commandLine.find_first_of(" \t", at);
    return std::string(commandLine.substr(at, end == std::string_view::npos ? end : end - at));
}

std::string fileNameOf(std::string_view path) {
    const auto slash = path.find_last_of('\\');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

bool hasExtension(std::string_view name) {
    const auto dot = name.find_last_of('.');
    return dot != std::string_view::npos && name.find('\\', dot) == std::string_view::npos;
}

}  // namespace

Program Program::exitingWith(std::uint32_t code) {
    return Program{[code](const StartedProcess&) { return code; }, std::nullopt};
}

SimProcesses::SimProcesses(Faults& faults, HandleTable& handles, SimFileSystem& files)
    : faults_(faults), handles_(handles), files_(files) {}

void SimProcesses::install(const std::string& path, Program program) {
    files_.writeAll(path, "MZ");
    const std::lock_guard lock(mutex_);
    programs_[path] = std::move(program);
}

std::vector<StartedProcess> SimProcesses::started() const {
    const std::lock_guard lock(mutex_);
    return started_;
}

std::vector<std::string> SimProcesses::commandLines() const {
    std::vector<std::string> lines;
    for (const auto& p : started()) lines.push_back(p.commandLine);
    return lines;
}

void SimProcesses::postMessages(int count) {
    const std::lock_guard lock(mutex_);
    pendingMessages_ += count;
}

int SimProcesses::dispatchedMessages() const {
    const std::lock_guard lock(mutex_);
    return dispatched_;
}

std::string SimProcesses::standardError() const {
    const std::lock_guard lock(mutex_);
    return standardError_;
}

void SimProcesses::failShellLink(platform::ShellLinkStep step, std::int32_t hresult) {
    const std::lock_guard lock(mutex_);
    shellLinkFailure_ = std::make_pair(step, hresult);
}

std::optional<std::string> SimProcesses::resolve(std::string_view application, std::string_view commandLine) const {
    std::string name = application.empty() ? firstToken(commandLine) : std::string(application);
    if (name.empty()) return std::nullopt;
    // Only a program found through the search path gets ".exe" added; an explicit application is taken as is.
    const bool searched = application.empty();
    if (searched && !hasExtension(name)) name += ".exe";
    const std::lock_guard lock(mutex_);
    if (const auto found = programs_.find(name); found != programs_.end()) return found->first;
    if (searched && name.find('\\') == std::string::npos) {
        for (const auto& [path, program] : programs_) {
            if (equalsNoCase(fileNameOf(path), name)) return path;
        }
    }
    return std::nullopt;
}

platform::ErrorCode SimProcesses::createProcess(std::string_view application, std::string_view commandLine,
                                                std::uint32_t creationFlags, const platform::StartupInfo& startup,
                                                platform::ProcessInformation& out) {
    if (auto fault = faults_.check("Processes.createProcess")) return *fault;
    if (application.empty() && commandLine.find_first_not_of(" \t") == std::string_view::npos) {
        return err::invalidParameter;
    }
    const auto path = resolve(application, commandLine);
    if (!path) return err::fileNotFound;

    StartedProcess record{*path, std::string(application), std::string(commandLine), creationFlags, startup};
    Program program;
    {
        const std::lock_guard lock(mutex_);
        program = programs_.at(*path);
        started_.push_back(record);
        out.processId = nextId_;
        out.threadId = nextId_ + 4;
        nextId_ += 8;
    }
    // The program's side effects run outside the table's lock: they may start programs themselves.
    const std::uint32_t code = program.run ? program.run(record) : 0;
    auto process = std::make_shared<SimProcessObject>(code, program.lifetime);
    {
        const std::lock_guard lock(mutex_);
        Running& entry = running_[out.processId];
        entry = Running{fileNameOf(*path), process, {}, program.closesOnRequest};
        for (int i = 0; i < program.windows; ++i) {
            entry.windows.push_back(static_cast<platform::Window>(nextWindow_));
            nextWindow_ += 4;
        }
    }
    out.thread = handles_.add(std::make_shared<SimProcessThread>(process));
    out.process = handles_.add(std::move(process));
    return err::success;
}

platform::ErrorCode SimProcesses::exitCodeProcess(platform::Handle process, std::uint32_t& code) {
    if (auto fault = faults_.check("Processes.exitCodeProcess")) return *fault;
    const auto p = handles_.getAs<SimProcessObject>(process);
    if (!p) return err::invalidHandle;
    code = p->exitCode();
    return err::success;
}

platform::ErrorCode SimProcesses::terminateProcess(platform::Handle process, std::uint32_t exitCode) {
    if (auto fault = faults_.check("Processes.terminateProcess")) return *fault;
    const auto p = handles_.getAs<SimProcessObject>(process);
    if (!p) return err::invalidHandle;
    return p->terminate(exitCode) ? err::success : err::accessDenied;
}

platform::ErrorCode SimProcesses::listProcesses(std::vector<platform::ProcessEntry>& out) {
    if (auto fault = faults_.check("Processes.listProcesses")) return *fault;
    out.clear();
    const std::lock_guard lock(mutex_);
    for (const auto& [id, entry] : running_) {
        if (!entry.object->ended()) out.push_back(platform::ProcessEntry{id, entry.exeName});
    }
    return err::success;
}

platform::ErrorCode SimProcesses::openProcess(std::uint32_t, std::uint32_t processId, platform::Handle& out) {
    if (auto fault = faults_.check("Processes.openProcess")) return *fault;
    std::shared_ptr<SimProcessObject> object;
    {
        const std::lock_guard lock(mutex_);
        const auto it = running_.find(processId);
        if (it == running_.end()) return err::invalidParameter;
        // An ended process lives on only while a handle refers to it.
        if (it->second.object->ended() && it->second.object.use_count() == 1) {
            running_.erase(it);
            return err::invalidParameter;
        }
        object = it->second.object;
    }
    out = handles_.add(std::move(object));
    return err::success;
}

SimProcesses::Running* SimProcesses::ownerOf(platform::Window window) {
    for (auto& [id, entry] : running_) {
        if (entry.object->ended()) continue;
        for (const auto w : entry.windows) {
            if (w == window) return &entry;
        }
    }
    return nullptr;
}

std::vector<platform::Window> SimProcesses::windowsOf(std::uint32_t processId) {
    const std::lock_guard lock(mutex_);
    const auto it = running_.find(processId);
    if (it == running_.end() || it->second.object->ended()) return {};
    return it->second.windows;
}

platform::ErrorCode SimProcesses::postToWindow(platform::Window window, std::uint32_t message) {
    const std::lock_guard lock(mutex_);
    Running* owner = ownerOf(window);
    if (owner == nullptr) return err::invalidWindowHandle;
    if (message == platform::wm::close && owner->closesOnRequest) {
        std::erase(owner->windows, window);
        if (owner->windows.empty()) owner->object->finish();
    }
    return err::success;
}

bool SimProcesses::hasWindow(platform::Window window) {
    const std::lock_guard lock(mutex_);
    return ownerOf(window) != nullptr;
}

std::uint32_t SimProcesses::msgWaitForObject(platform::Handle object, std::uint32_t milliseconds, std::uint32_t,
                                             std::uint32_t, platform::ErrorCode& error) {
    std::uint32_t result = 0;
    const auto w = beginWait(faults_, handles_, "Processes.msgWaitForObject", object, result, error);
    if (!w) return result;
    {
        const std::lock_guard lock(mutex_);
        if (pendingMessages_ > 0) return platform::proc::waitInput;
    }
    return w->wait(milliseconds);
}

bool SimProcesses::dispatchOneMessage() {
    if (faults_.check("Processes.dispatchOneMessage")) return false;
    const std::lock_guard lock(mutex_);
    if (pendingMessages_ == 0) return false;
    --pendingMessages_;
    ++dispatched_;
    return true;
}

void SimProcesses::writeStandardError(std::string_view text) {
    const std::lock_guard lock(mutex_);
    standardError_ += text;
}

std::int32_t SimProcesses::createShellLink(std::string_view target, std::string_view arguments,
                                           std::string_view linkPath, platform::ShellLinkStep& failed) {
    failed = platform::ShellLinkStep::none;
    if (auto fault = faults_.check("Processes.createShellLink")) {
        failed = platform::ShellLinkStep::createInstance;
        return static_cast<std::int32_t>(*fault);
    }
    {
        const std::lock_guard lock(mutex_);
        if (shellLinkFailure_) {
            const auto [step, hresult] = *std::exchange(shellLinkFailure_, std::nullopt);
            failed = step;
            return hresult;
        }
    }
    // The link is kept as its target and arguments on two lines; Save fails as CreateFile would.
    platform::Handle file = platform::Handle::null;
    const auto e = files_.createFile(linkPath, platform::file::genericWrite, platform::file::shareNone,
                                     platform::file::createAlways, platform::file::attributeNormal, file, {});
    if (e != err::success) {
        failed = platform::ShellLinkStep::save;
        return static_cast<std::int32_t>(0x80070000u | (e & 0xFFFFu));  // HRESULT_FROM_WIN32
    }
    const std::string content = std::string(target) + "\n" + std::string(arguments);
    std::uint32_t written = 0;
    files_.writeFile(file, content.data(), static_cast<std::uint32_t>(content.size()), written);
    handles_.close(file);
    return 0;
}

}  // namespace sim
