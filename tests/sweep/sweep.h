// The fault sweep: a whole run is recorded once, then rerun with exactly one of its port calls failing,
// for every call and every failure that call can report.
#pragma once

#include <chrono>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/sim/sim_machine.h"
#include "platform/types.h"

namespace sweep {

/// A run to sweep: how its machine looks before the run, and its command line.
struct Scenario {
    std::string name;
    std::function<void(sim::Machine&)> prepare;
    std::u16string arguments;
};

/// The n-th call (from 0) of one operation, failed with one error.
struct Fault {
    std::string operation;
    int occurrence = 0;
    platform::ErrorCode error = 0;
};

/// What a run left behind.
struct Outcome {
    int exitCode = 0;
    std::string log;
    std::optional<std::string> runtimeFile;
    std::vector<std::string> trace;
    /// The failed call was made by the auto-update component's steps, which run only after the
    /// product installed.
    bool faultInComponent = false;
};

inline constexpr const char* runtimeFilePath = "C:\\ProgramData\\Corvane\\Zarn\\zarn.settings.cfg";

/// Runs `scenario` on a fresh simulated machine with `fault` injected; a run that outlives `deadline`
/// ends the test program, naming the fault.
Outcome runOnce(const Scenario& scenario, const std::optional<Fault>& fault, std::chrono::seconds deadline);

/// The errors worth injecting into `operation`: a generic failure always, and those the operation
/// really reports (sharing violation, access denied, not found, disk full) where they apply.
std::vector<platform::ErrorCode> errorsFor(const std::string& operation);

/// One fault per recorded call and error, in call order.
std::vector<Fault> faultsOf(const std::vector<std::string>& trace);

/// A fixed, evenly spread sample of `faults` of at most `count`, keeping every operation represented.
std::vector<Fault> stratifiedSample(const std::vector<Fault>& faults, std::size_t count);

/// The exit codes the README's table documents, read from the README itself.
std::set<int> documentedExitCodes(const std::string& readmePath);

/// The text of the log's last record ("" when there is none or it is cut short).
std::string lastLogMessage(const std::string& log);

}  // namespace sweep
