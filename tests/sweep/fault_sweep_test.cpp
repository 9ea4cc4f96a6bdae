// Every port call of a whole silent and a whole interactive install, failed one at a time. Each rerun
// must end within its deadline with an exit code the README documents, a log whose last record is the
// run's last line, and a runtime configuration file that is either untouched or what a good run writes;
// a fault in the auto-update component's steps, which run once the product is installed, must leave
// the run's exit code as the good run's.
// CI runs a fixed sample; ZARN_SWEEP=all (make sweep) runs every fault.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <iostream>
#include <map>

#include "foundation/product_sites.h"
#include "foundation/sha256.h"
#include "ipc/operation_mailbox.h"
#include "support/sim_dialogs.h"
#include "sweep.h"

namespace sweep {
namespace {

using namespace std::chrono_literals;

constexpr const char* packagePath =
    "C:\\Users\\test\\AppData\\LocalLow\\Pellam\\Zarn\\kobu1.8.0_45_x64\\kobu1.8.0_45.msi";
constexpr const char* configurationFile = "C:\\Users\\test\\Downloads\\zarn.cfg";
constexpr const char* runtimeFileBefore = "AUTO_UPDATE=Enable\r\nWEB_ANALYTICS=Disable\r\n";
constexpr std::size_t sampleSize = 300;

/// What both runs need: the carried package and its digest, the auto-update component, a runtime
/// configuration file from an earlier install, and the product's servers.
void commonMachine(sim::Machine& machine) {
    const std::vector<std::uint8_t> package(4096, 0x5A);
    const std::string digest = toLowerHex(sha256Of(package));
    auto& resources = machine.resources();
    resources.add(platform::ResourceId::of("ZARN_INSTALLER"), platform::ResourceId::of(103), 0, package);
    resources.add(platform::ResourceId::of("ZARN_INSTALLER_SHA256"), platform::ResourceId::of(103), 0,
                  std::vector<std::uint8_t>(digest.begin(), digest.end()));
    resources.add(platform::ResourceId::of("ZARN_INSTALLER"), platform::ResourceId::of(105), 0,
                  std::vector<std::uint8_t>{'a', 'u'});
    sim::ScriptedPackage scripted;
    scripted.effects = [] { ipc::OperationMailbox::postOperation(4); };
    machine.installer().addPackage(packagePath, scripted);

    machine.fileSystem().makeDirectories("C:\\ProgramData\\Corvane\\Zarn");
    machine.fileSystem().writeAll(runtimeFilePath, runtimeFileBefore);
    machine.fileSystem().writeAll(configurationFile, "INSTALL_SILENT=Enable\r\nEULA=Enable\r\nINSTALLDIR=C:\\Zarn\r\n");

    machine.internet().serve(product::sites::pingEndpoint, sim::SimResponse{});
    sim::SimResponse options;
    options.body = {"<?xml version=\"1.0\"?>\n<zarn-update><information version=\"1.0\" xml:lang=\"en\">"
                    "<post-status>https://metrics.mendara.example/ping</post-status>"
                    "<cntry-lookup>https://geo.zarn.example/country</cntry-lookup></information></zarn-update>"};
    machine.internet().serve(product::sites::optionsDocument, options);
    sim::SimResponse country;
    country.headers = {{"COUNTRY", "NL"}};
    machine.internet().serve("https://geo.zarn.example/country", country);
}

const Scenario silentInstall{"silent install", commonMachine, u" /s INSTALLCFG=C:\\Users\\test\\Downloads\\zarn.cfg"};

/// The person ticks the folder box on the welcome page, keeps the folder and answers every box with
/// its first button.
const Scenario interactiveInstall{"interactive install",
                                  [](sim::Machine& machine) {
                                      commonMachine(machine);
                                      sim_dialogs::install(machine);
                                      machine.desktop().onDialog(dialogs::welcomeTemplate, [](sim::SimDialog& d) {
                                          d.tick(dialogs::changeFolderBox, true);
                                          d.click(dialogs::idOk);
                                      });
                                  },
                                  u""};

/// A run's last line names its exit code ("Wrapper exit code: 0", "... Exit code: 3"), or is one of
/// the lines of the early ends.
bool endsTheRun(const std::string& message, int exitCode) {
    const std::string named = "xit code: " + std::to_string(exitCode);
    if (message.size() >= named.size() && message.compare(message.size() - named.size(), named.size(), named) == 0) {
        return true;
    }
    static const char* const earlyEnds[] = {
        "Error occurred while loading configuration settings. Exiting installer.",
        "Error occurred while exporting configuration settings. Exiting installer.",
        "initial ClearMSIStatus() failed.",
        "Fail to get the file path for Zarn install flag",
    };
    for (const char* end : earlyEnds) {
        if (message.rfind(end, 0) == 0) return true;
    }
    return false;
}

/// Windows Installer's own errors, and the system error a failed call passed on as the exit code,
/// are documented as a class rather than one by one.
bool documentedClass(int exitCode, const Fault& fault) {
    return (exitCode >= 1600 && exitCode <= 1699) || exitCode == static_cast<int>(fault.error);
}

struct Report {
    std::size_t runs = 0;
    std::map<int, std::size_t> byExitCode;
    std::vector<std::string> defects;
};

void sweep(const Scenario& scenario) {
    const auto documented = documentedExitCodes(ZARN_README);
    ASSERT_TRUE(documented.contains(0) && documented.contains(-80) && documented.contains(112))
        << "the README's exit-code table was not found whole";

    // The first run of the process initialises what a process keeps; the second is the one every
    // rerun repeats, call for call.
    runOnce(scenario, std::nullopt, 60s);
    const Outcome baseline = runOnce(scenario, std::nullopt, 60s);
    ASSERT_EQ(baseline.exitCode, 0) << baseline.log;
    ASSERT_TRUE(baseline.runtimeFile);
    const std::string written = *baseline.runtimeFile;

    const auto all = faultsOf(baseline.trace);
    const char* mode = std::getenv("ZARN_SWEEP");
    const bool whole = mode != nullptr && std::strcmp(mode, "all") == 0;
    auto faults = whole ? all : stratifiedSample(all, sampleSize);
    // ZARN_SWEEP_ONLY="Operation#occurrence#error" reruns one fault and prints its log.
    if (const char* only = std::getenv("ZARN_SWEEP_ONLY")) {
        const std::string text(only);
        const auto first = text.find('#');
        const auto second = text.find('#', first + 1);
        const Fault fault{text.substr(0, first), std::stoi(text.substr(first + 1, second - first - 1)),
                          static_cast<platform::ErrorCode>(std::stoul(text.substr(second + 1)))};
        const Outcome outcome = runOnce(scenario, fault, 30s);
        std::cout << outcome.log << "\nexit code " << outcome.exitCode << "\nruntime file: "
                  << outcome.runtimeFile.value_or("<missing>") << std::endl;
        return;
    }

    Report report;
    const bool verbose = std::getenv("ZARN_SWEEP_VERBOSE") != nullptr;  // names each fault before its run
    for (const auto& fault : faults) {
        if (verbose) std::cout << fault.operation << " #" << fault.occurrence << " / " << fault.error << std::endl;
        const Outcome outcome = runOnce(scenario, fault, 30s);
        ++report.runs;
        ++report.byExitCode[outcome.exitCode];
        const std::string what = fault.operation + " #" + std::to_string(fault.occurrence) + " failing with " +
                                 std::to_string(fault.error) + ": ";
        if (!documented.contains(outcome.exitCode) && !documentedClass(outcome.exitCode, fault)) {
            report.defects.push_back(what + "exit code " + std::to_string(outcome.exitCode) + " is not documented");
        }
        // A fault in writing the very last record loses that record, and only that one.
        const bool lastRecordFailed =
            outcome.trace.size() <= 6 ||
            std::find(outcome.trace.end() - 6, outcome.trace.end(), fault.operation) != outcome.trace.end();
        if (!endsTheRun(lastLogMessage(outcome.log), outcome.exitCode) && !lastRecordFailed) {
            report.defects.push_back(what + "the log ends with \"" + lastLogMessage(outcome.log) + "\"");
        }
        if (outcome.faultInComponent && outcome.exitCode != baseline.exitCode) {
            report.defects.push_back(what + "a fault of the auto-update component changed the exit code to " +
                                     std::to_string(outcome.exitCode));
        }
        if (outcome.runtimeFile != runtimeFileBefore && outcome.runtimeFile != written) {
            report.defects.push_back(what + "the runtime configuration file holds \"" +
                                     outcome.runtimeFile.value_or("<missing>") + "\"");
        }
    }

    std::cout << scenario.name << ": " << baseline.trace.size() << " calls, " << all.size() << " faults, "
              << report.runs << " runs" << (whole ? "" : " (sample)") << "\n  by exit code:";
    for (const auto& [code, count] : report.byExitCode) std::cout << ' ' << code << " x" << count;
    std::cout << std::endl;
    for (const auto& defect : report.defects) ADD_FAILURE() << scenario.name << ", " << defect;
}

TEST(FaultSweep, SilentInstall) { sweep(silentInstall); }

TEST(FaultSweep, InteractiveInstall) { sweep(interactiveInstall); }

}  // namespace
}  // namespace sweep
