#include "sweep.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <future>
#include <regex>
#include <sstream>
#include <thread>

#include "driver/main_flow.h"
#include "driver/process_values.h"
#include "driver/production_phases.h"
#include "foundation/sys_info.h"
#include "foundation/tstrings_convert.h"
#include "platform/win_errors.h"

namespace sweep {

namespace {

constexpr platform::ErrorCode generic = 31;  // ERROR_GEN_FAILURE
constexpr platform::ErrorCode accessDenied = 5;
constexpr platform::ErrorCode notFound = 2;
constexpr platform::ErrorCode sharingViolation = 32;
constexpr platform::ErrorCode diskFull = 112;

std::string describe(const Fault& fault) {
    return fault.operation + " #" + std::to_string(fault.occurrence) + " failing with " + std::to_string(fault.error);
}

/// The auto-update component's steps as the program binds them, noting whether the failed call was
/// one of theirs.
class WatchedAutoUpdate final : public driver::AutoUpdate {
public:
    WatchedAutoUpdate(sim::Faults& faults, const std::optional<Fault>& fault)
        : faults_(faults), fault_(fault), before_(fault ? faults.calls(fault->operation) : 0) {}

    int install(bool oemUpdate, bool autoUpdate) override {
        const Watch watch(*this);
        return driver::productionPhases().autoUpdate.install(oemUpdate, autoUpdate);
    }
    void registerScheduler() override {
        const Watch watch(*this);
        driver::productionPhases().autoUpdate.registerScheduler();
    }
    bool faultInside() const { return inside_; }

private:
    /// Calls of the failed operation since the run began: the fault is call number `occurrence`.
    int callsInRun() const { return fault_ ? faults_.calls(fault_->operation) - before_ : 0; }

    // Also when a step ends the process (ProcessExit passes through).
    struct Watch {
        explicit Watch(WatchedAutoUpdate& watched) : owner(watched), from(watched.callsInRun()) {}
        ~Watch() {
            if (owner.fault_ && from <= owner.fault_->occurrence && owner.fault_->occurrence < owner.callsInRun()) {
                owner.inside_ = true;
            }
        }
        WatchedAutoUpdate& owner;
        int from;
    };

    sim::Faults& faults_;
    const std::optional<Fault>& fault_;
    int before_;
    bool inside_ = false;
};

}  // namespace

Outcome runOnce(const Scenario& scenario, const std::optional<Fault>& fault, std::chrono::seconds deadline) {
    sim::MachineScope scope;
    driver::processValues() = driver::ProcessValues{};
    SysInfo::initialize();
    scenario.prepare(scope.machine());
    scope->system().settings().commandLine = u"\"C:\\Users\\test\\Downloads\\kobuoffline.exe\"" + scenario.arguments;
    const std::string arguments = tstrings::toUtf8(scenario.arguments);

    scope->faults().startTrace();
    WatchedAutoUpdate component(scope->faults(), fault);
    driver::Phases& production = driver::productionPhases();
    driver::Phases phases{production.system,
                          production.startup,
                          production.files,
                          production.configuration,
                          production.localization,
                          production.runtimes,
                          production.metrics,
                          production.payload,
                          production.wizard,
                          production.progress,
                          production.removal,
                          production.completion,
                          component,
                          production.ping};
    if (fault) scope->faults().fail(fault->operation, fault->error, 1, fault->occurrence);
    auto run = std::async(std::launch::async, [&] { return driver::RunInstaller(phases, arguments); });
    if (run.wait_for(deadline) != std::future_status::ready) {
        const std::string log = scope.log();
        std::fprintf(stderr, "%s: the run with %s did not end within %lld s; its log ends:\n%s\n", scenario.name.c_str(),
                     fault ? describe(*fault).c_str() : "no fault", static_cast<long long>(deadline.count()),
                     log.substr(log.size() > 3000 ? log.size() - 3000 : 0).c_str());
        std::abort();
    }
    Outcome outcome;
    outcome.exitCode = run.get();
    outcome.faultInComponent = component.faultInside();
    scope->faults().clear();
    outcome.trace = scope->faults().stopTrace();
    outcome.log = scope.log();
    if (scope->fileSystem().exists(runtimeFilePath)) outcome.runtimeFile = scope->fileSystem().readAll(runtimeFilePath);
    return outcome;
}

std::vector<platform::ErrorCode> errorsFor(const std::string& operation) {
    static const std::map<std::string, std::vector<platform::ErrorCode>, std::less<>> specific = {
        {"FileSystem.createFile", {sharingViolation, accessDenied, notFound, diskFull}},
        {"FileSystem.writeFile", {diskFull, accessDenied}},
        {"FileSystem.flushFile", {diskFull}},
        {"FileSystem.createDirectory", {accessDenied, diskFull}},
        {"FileSystem.moveFile", {sharingViolation, accessDenied, diskFull}},
        {"FileSystem.deleteFile", {sharingViolation, accessDenied, notFound}},
        {"FileSystem.removeDirectory", {sharingViolation, accessDenied}},
        {"FileSystem.readFile", {sharingViolation}},
        {"FileSystem.getFileAttributes", {notFound, accessDenied}},
        {"FileSystem.setFileAttributes", {accessDenied}},
        {"FileSystem.listDirectory", {notFound, accessDenied}},
        {"Registry.openKey", {notFound, accessDenied}},
        {"Registry.createKey", {accessDenied}},
        {"Registry.queryValue", {notFound}},
        {"Registry.setValue", {accessDenied}},
        {"Registry.deleteKey", {notFound, accessDenied}},
        {"Registry.deleteTree", {notFound, accessDenied}},
        {"Registry.deleteValue", {notFound, accessDenied}},
        {"Kernel.createFileMapping", {accessDenied}},
        {"Kernel.createMutex", {accessDenied}},
        {"Processes.createProcess", {notFound, accessDenied}},
    };
    std::vector<platform::ErrorCode> errors{generic};
    if (const auto found = specific.find(operation); found != specific.end()) {
        errors.insert(errors.end(), found->second.begin(), found->second.end());
    }
    return errors;
}

// Releasing calls are not swept: Windows fails them only for a handle that is not valid or a mutex
// the caller does not own, and then nothing stays open or held, whereas a simulated failure keeps
// the object alive or the mutex held.
bool releases(const std::string& operation) {
    static const std::set<std::string, std::less<>> releasing = {
        "Kernel.closeHandle", "Kernel.releaseMutex", "Kernel.unmapViewOfFile", "Registry.closeKey",    "Internet.closeHandle",
        "System.freeLibrary", "Desktop.deleteFont",     "Desktop.deleteBitmap", "Desktop.destroyDialog",
        "Crypto.releaseContext", "Crypto.destroyHash",
    };
    return releasing.contains(operation);
}

std::vector<Fault> faultsOf(const std::vector<std::string>& trace) {
    std::map<std::string, int, std::less<>> seen;
    std::vector<Fault> faults;
    for (const auto& operation : trace) {
        const int occurrence = seen[operation]++;
        if (releases(operation)) continue;
        for (const auto error : errorsFor(operation)) faults.push_back(Fault{operation, occurrence, error});
    }
    return faults;
}

std::vector<Fault> stratifiedSample(const std::vector<Fault>& faults, std::size_t count) {
    if (faults.size() <= count) return faults;
    // Every operation's first call with each of its errors, then an even stride through the rest.
    std::vector<Fault> sample;
    std::vector<bool> taken(faults.size(), false);
    for (std::size_t i = 0; i < faults.size(); ++i) {
        if (faults[i].occurrence == 0) {
            sample.push_back(faults[i]);
            taken[i] = true;
        }
    }
    const std::size_t left = count > sample.size() ? count - sample.size() : 0;
    if (left == 0) return sample;
    const double stride = static_cast<double>(faults.size()) / static_cast<double>(left);
    for (std::size_t n = 0; n < left; ++n) {
        const auto i = static_cast<std::size_t>(static_cast<double>(n) * stride);
        if (!taken[i]) {
            sample.push_back(faults[i]);
            taken[i] = true;
        }
    }
    return sample;
}

std::set<int> documentedExitCodes(const std::string& readmePath) {
    std::ifstream in(readmePath);
    std::stringstream text;
    text << in.rdbuf();
    // Rows of the exit-code table: "| `-80` | ..." or "| `3`, `5` | ...": the codes of the first cell.
    static const std::regex row(R"(^\| (`-?[0-9]+`(, `-?[0-9]+`)*) \|)", std::regex::multiline);
    static const std::regex code(R"(`(-?[0-9]+)`)");
    std::set<int> codes;
    const std::string content = text.str();
    for (auto it = std::sregex_iterator(content.begin(), content.end(), row); it != std::sregex_iterator(); ++it) {
        const std::string cell = (*it)[1].str();
        for (auto c = std::sregex_iterator(cell.begin(), cell.end(), code); c != std::sregex_iterator(); ++c) {
            codes.insert(std::stoi((*c)[1].str()));
        }
    }
    return codes;
}

std::string lastLogMessage(const std::string& log) {
    if (log.empty() || log.back() != '\n') return {};
    const auto start = log.rfind("\n\t", log.size() - 2);
    if (start == std::string::npos) return {};
    const std::string line = log.substr(start + 2, log.size() - start - 3);
    const auto colon = line.find(": ");
    return colon == std::string::npos ? std::string() : line.substr(colon + 2);
}

}  // namespace sweep
