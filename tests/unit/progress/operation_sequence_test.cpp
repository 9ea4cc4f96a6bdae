#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

#include "ipc/operation_mailbox.h"
#include "platform/sim/sim_machine.h"
#include "progress/operation_sequence.h"
#include "support/progress_bar.h"

namespace {

using ipc::Operation;
using progress::OperationSequence;

constexpr auto S = Operation::Started;
constexpr auto C = Operation::Completed;
constexpr auto T = Operation::Terminated;

using test_support::Bar;

class OperationSequenceTest : public testing::Test {
protected:
    OperationSequenceTest() { sim->kernel().setPerformanceCounter(0); }

    sim::MachineScope sim;
    const ipc::SharedMemoryUnsafe mailbox = ipc::SharedMemoryUnsafe::create(ipc::operationSequenceSectionName);
    Bar bar;
};

TEST_F(OperationSequenceTest, Records) {
    const struct {
        const char* name;
        std::vector<Operation> records;
        std::uint32_t currentChunk;
        std::uint32_t currentOperation;
        bool timed;
        bool finished;
        unsigned shown;
    } rows[] = {
        {"Started times its chunk", {{1, S}}, 1, 1, true, false, 0},
        {"{3,1} during chunk 1 completes 1 and 2 and times 3", {{1, S}, {3, S}}, 3, 3, true, false, 222},
        {"{9,1} only stops the timing", {{1, S}, {9, S}}, 1, 0, false, false, 0},
        {"{1,1} after chunk 1 has passed only stops the timing", {{2, S}, {1, S}}, 2, 0, false, false, 148},
        {"Completed for the current id ends its chunk", {{1, S}, {1, C}}, 2, 1, false, false, 148},
        {"Terminated for the current id ends the sequence", {{1, S}, {1, T}}, 1, 1, false, true, 0},
        {"Completed ahead skips to the chunk and ends it", {{2, C}}, 3, 0, false, false, 222},
        {"Terminated ahead skips to the chunk and ends the sequence", {{3, T}}, 3, 0, false, true, 222},
        {"completing the last chunk finishes", {{7, S}, {7, C}}, 0, 7, false, true, 963},
        {"a Started after the timing stopped times again", {{1, S}, {9, S}, {1, S}}, 1, 1, true, false, 0},
    };
    for (const auto& row : rows) {
        Bar shown;
        OperationSequence sequence(mailbox, progress::installationChunks(), shown, 1, 1);
        for (const Operation& op : row.records) sequence.process(op);
        EXPECT_EQ(sequence.chunkedProgress().getCurrentChunkId(), row.currentChunk) << row.name;
        EXPECT_EQ(sequence.currentOperationId(), row.currentOperation) << row.name;
        EXPECT_EQ(sequence.timerRunning(), row.timed) << row.name;
        EXPECT_EQ(sequence.isFinished(), row.finished) << row.name;
        EXPECT_EQ(shown.getPosition(), row.shown) << row.name;
    }
}

TEST_F(OperationSequenceTest, RepeatedStartedIsIgnoredWhileItsTimerRuns) {
    OperationSequence sequence(mailbox, progress::installationChunks(), bar, 1, 1);
    ipc::SharedMemory<Operation>(mailbox).write(Operation(2, S));
    sequence.poll();
    const int threads = sim->faults().calls("Kernel.createThread");
    for (int i = 0; i < 5; ++i) sequence.poll();
    EXPECT_EQ(sim->faults().calls("Kernel.createThread"), threads) << "no new timer";
    EXPECT_TRUE(sequence.timerRunning());
    EXPECT_EQ(sequence.chunkedProgress().getCurrentChunkId(), 2u);
}

TEST_F(OperationSequenceTest, MalformedRecordsFromOtherProcessesArePassedOver) {
    OperationSequence sequence(mailbox, progress::installationChunks(), bar, 1, 1);
    for (const Operation& op : {Operation(), Operation(0, S), Operation(5, static_cast<Operation::State>(9))}) {
        ipc::SharedMemory<Operation>(mailbox).write(op);
        sequence.poll();
        EXPECT_EQ(sequence.chunkedProgress().getCurrentChunkId(), 1u);
        EXPECT_FALSE(sequence.timerRunning());
    }
    EXPECT_NE(sim.log().find("WARNING: Ignoring malformed operation {0, 1}"), std::string::npos) << sim.log();
}

TEST_F(OperationSequenceTest, TheTimerMovesTheBarWithTheDrivenCounter) {
    constexpr std::int64_t ticksPerMs = 10'000;
    OperationSequence sequence(mailbox, progress::installationChunks(), bar, 1, 1);
    sequence.process(Operation(1, S));
    const auto waitFor = [&](auto ready) {
        for (int i = 0; i < 5000 && !ready(); ++i) sim->kernel().sleep(1);
        return ready();
    };
    sim->kernel().setPerformanceCounter(10'000 * ticksPerMs);
    EXPECT_TRUE(waitFor([&] { return bar.getPosition() == 74; })) << bar.getPosition();
    sim->kernel().setPerformanceCounter(25'000 * ticksPerMs);
    EXPECT_TRUE(waitFor([&] { return bar.getPosition() == 148; })) << bar.getPosition();
    EXPECT_TRUE(waitFor([&] { return sequence.chunkedProgress().getCurrentChunkId() == 2; }));
    const int updates = bar.updates();
    sim->kernel().setPerformanceCounter(40'000 * ticksPerMs);
    sim->kernel().sleep(20);
    EXPECT_EQ(bar.updates(), updates) << "the bar halts at the end of a chunk whose time has passed";
    sequence.process(Operation(2, S));
    EXPECT_TRUE(sequence.timerRunning());
    EXPECT_EQ(sequence.currentOperationId(), 2u);
}

TEST_F(OperationSequenceTest, RunStopsWhenFinishedOrCancelled) {
    std::atomic<bool> cancel{false};
    {
        OperationSequence sequence(mailbox, progress::installationChunks(), bar, 1, 1);
        ipc::SharedMemory<Operation>(mailbox).write(Operation(4, T));
        sequence.run(cancel);
        EXPECT_TRUE(sequence.isFinished());
    }
    ipc::SharedMemory<Operation>(mailbox).write(Operation());
    OperationSequence sequence(mailbox, progress::installationChunks(), bar, 1, 1);
    std::thread canceller([&] {
        sim->kernel().sleep(10);
        cancel = true;
    });
    sequence.run(cancel);
    canceller.join();
    EXPECT_FALSE(sequence.isFinished());
}

TEST(OperationSequenceDeathTest, ContractViolationsStopTheProcess) {
    sim::MachineScope sim;
    const auto mailbox = ipc::SharedMemoryUnsafe::create("Contract");
    Bar bar;
    OperationSequence sequence(mailbox, progress::installationChunks(), bar, 1, 1);
    EXPECT_DEATH(sequence.process(Operation(0, S)), "Contract violated: op.getId\\(\\)");
    EXPECT_DEATH(sequence.process(Operation(1, Operation::Invalid)),
                 "Contract violated: op.getState\\(\\) != Operation::Invalid");
    EXPECT_DEATH(progress::ChunkList().update(0, 1), "Contract violated: id");
}

}  // namespace
