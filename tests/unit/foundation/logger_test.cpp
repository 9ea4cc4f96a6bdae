#include <gtest/gtest.h>
#include <unistd.h>

#include <regex>
#include <sstream>
#include <thread>
#include <vector>

#include "foundation/function_tracer.h"
#include "foundation/logger.h"
#include "platform/sim/sim_machine.h"
#include "platform/win_errors.h"

namespace {

const platform::SystemTime fixedTime{2026, 12, 6, 6, 9, 5, 3, 7};

class LoggerTest : public testing::Test {
protected:
    LoggerTest() { sim->system().settings().fixedLocalTime = fixedTime; }

    std::string pid() const { return std::to_string(::getpid()); }
    std::string tid() { return std::to_string(sim->kernel().currentThreadId()); }

    sim::MachineScope sim;
};

TEST_F(LoggerTest, RecordIsTwoLinesInTheExactFormat) {
    logger().write(logInfo, "C:\\src\\driver\\main_flow.cpp", 42, "RunInstaller", "Wrapper begin...");
    EXPECT_EQ(sim.log(), "[2026/12/06 09:05:03.007, kobuoffline.exe (PID: " + pid() + ", TID: " + tid() +
                             "), main_flow.cpp:42 (RunInstaller)]\n\tINFO: Wrapper begin...\n");
}

TEST_F(LoggerTest, TracerLogsEntryAndExitWithLineZero) {
    {
        const FunctionTracer tracer(logger(), logTrace, "/src/ipc/thread.cpp", 17, "ipc::Thread::start", "start()");
    }
    const std::string header = "[2026/12/06 09:05:03.007, kobuoffline.exe (PID: " + pid() + ", TID: " + tid() + "), ";
    EXPECT_EQ(sim.log(), header + "thread.cpp:17 (ipc::Thread::start)]\n\tTRACE: Entering start()\n" + header +
                             "thread.cpp:0 (ipc::Thread::start)]\n\tTRACE: Exiting start() (entered at thread.cpp:17)\n");
}

// A log another writer holds is waited for, up to 1000 attempts; any other failure drops the record after
// 10. Neither reaches the caller.
TEST_F(LoggerTest, OpenRetries) {
    const struct {
        platform::ErrorCode error;
        int times;
        int attempts;
        bool kept;
    } rows[] = {
        {platform::err::accessDenied, -1, 10, false},
        {platform::err::sharingViolation, 60, 61, true},
        {platform::err::sharingViolation, -1, 1000, false},
    };
    for (const auto& row : rows) {
        sim->fileSystem().deleteFile(logger().path());
        sim->faults().fail("FileSystem.createFile", row.error, row.times);
        const int before = sim->faults().calls("FileSystem.createFile");
        EXPECT_NO_THROW(logger().write(logInfo, "a.cpp", 1, "f", "kept"));
        EXPECT_EQ(sim->faults().calls("FileSystem.createFile") - before, row.attempts) << row.error;
        sim->faults().clear();
        const std::string log = sim.log();
        EXPECT_TRUE(row.kept ? log.ends_with("\tINFO: kept\n") : log.empty()) << row.error << ": " << log;
    }
}

TEST_F(LoggerTest, LogIsInTheTempFolderAndLoggingSurvivesWithoutItOrTheModuleName) {
    EXPECT_EQ(logger().path(), "C:\\Users\\test\\AppData\\Local\\Temp\\zusched.log");
    sim->faults().fail("FileSystem.tempPath", platform::err::pathNotFound);
    sim->faults().fail("System.moduleFileName", platform::err::insufficientBuffer);
    startLogging();
    EXPECT_EQ(logger().path(), "");
    EXPECT_EQ(logger().moduleName(), "Unknown");
    const int opened = sim->faults().calls("FileSystem.createFile");
    EXPECT_NO_THROW(LOG_ERROR("nowhere"));
    EXPECT_EQ(sim->faults().calls("FileSystem.createFile"), opened) << "an empty path writes nothing";
}

// Every record is whole: the log splits into exactly the records written, each header followed by its
// message line.
void expectWholeRecords(const std::string& log, std::size_t expected) {
    static const std::regex record(R"(\[[^\n]*\]\n\tINFO: writer \d+ record \d+ [x]{200}\n)");
    std::size_t count = 0;
    for (auto it = std::sregex_iterator(log.begin(), log.end(), record); it != std::sregex_iterator(); ++it) ++count;
    EXPECT_EQ(count, expected);
    EXPECT_EQ(std::regex_replace(log, record, ""), "");
}

void writeRecords(int writer, int count) {
    for (int i = 0; i < count; ++i) {
        LOG_INFO("writer " << writer << " record " << i << " " << std::string(200, 'x'));
    }
}

TEST_F(LoggerTest, ThreadsLoseNoRecord) {
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) threads.emplace_back(writeRecords, t, 50);
    for (auto& t : threads) t.join();
    expectWholeRecords(sim.log(), 200);
}

}  // namespace
