#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "foundation/process_closer.h"
#include "platform/sim/sim_machine.h"

namespace {

namespace kernel = platform::kernel;
using processes::CloseRequest;
using std::chrono::milliseconds;

constexpr std::uint32_t ownExitCode = 7;

class ProcessCloserTest : public testing::Test {
protected:
    void install(const std::string& path, bool closesOnRequest) {
        sim->processes().install(path, sim::Program{[](const sim::StartedProcess&) { return ownExitCode; },
                                                    sim::Program::forever, 2, closesOnRequest});
    }
    platform::Handle start(const std::string& path) {
        platform::ProcessInformation info;
        EXPECT_EQ(sim->processes().createProcess(path, "\"" + path + "\"", 0, {}, info), 0u);
        sim->kernel().closeHandle(info.thread);
        return info.process;
    }
    std::uint32_t exitCode(platform::Handle process) {
        std::uint32_t code = 0;
        EXPECT_EQ(sim->processes().exitCodeProcess(process, code), 0u);
        return code;
    }

    sim::MachineScope sim;
    const std::string browser = "C:\\Program Files\\Browser\\firefox.exe";
    const std::string other = "C:\\Program Files\\Other\\other.exe";
};

TEST_F(ProcessCloserTest, EveryCopyIsAskedToCloseAndOneThatIgnoresItIsTerminatedAfterTheGrace) {
    struct Row {
        const char* name;
        bool closesOnRequest;
        CloseRequest how;
        int copies;
        std::uint32_t exitCode;
        const char* logged;
    };
    const Row rows[] = {
        {"WM_CLOSE honoured within the grace", true, CloseRequest::postClose, 2, ownExitCode, "has closed"},
        // Another process's windows cannot be destroyed: they are asked to close instead.
        {"DestroyWindow refused, WM_CLOSE honoured", true, CloseRequest::destroy, 2, ownExitCode,
         "DestroyWindow("},
        // One copy: each waits out the grace in real time.
        {"WM_CLOSE ignored: terminated with 0", false, CloseRequest::postClose, 1, 0,
         "is still running, terminating it"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        install(browser, row.closesOnRequest);
        install(other, true);
        std::vector<platform::Handle> copies;
        for (int i = 0; i < row.copies; ++i) copies.push_back(start(browser));
        const platform::Handle untouched = start(other);

        const auto before = std::chrono::steady_clock::now();
        EXPECT_EQ(processes::closeByName("FireFox.EXE", row.how), row.copies);
        const auto took = std::chrono::steady_clock::now() - before;

        for (const auto copy : copies) EXPECT_EQ(exitCode(copy), row.exitCode);
        EXPECT_EQ(exitCode(untouched), kernel::stillActive);
        if (row.closesOnRequest) {
            EXPECT_LT(took, milliseconds(1000));
        } else {
            EXPECT_GE(took, milliseconds(5000));
        }
        const std::string log = sim.log();
        EXPECT_NE(log.find("Closing firefox.exe (PID: "), std::string::npos) << log;
        EXPECT_NE(log.find(row.logged), std::string::npos) << log;
        sim->processes().terminateProcess(untouched, 0);
    }
}

TEST_F(ProcessCloserTest, NothingRunningUnderTheNameIsNothingFound) {
    install(other, true);
    const auto untouched = start(other);
    EXPECT_EQ(processes::closeByName("firefox.exe", CloseRequest::postClose), 0);
    EXPECT_EQ(exitCode(untouched), kernel::stillActive);

    sim->faults().fail("Processes.listProcesses", 5);
    EXPECT_EQ(processes::closeByName("other.exe", CloseRequest::postClose), 0);
    EXPECT_EQ(exitCode(untouched), kernel::stillActive);
    EXPECT_NE(sim.log().find("CreateToolhelp32Snapshot failed with "), std::string::npos);
}

}  // namespace
