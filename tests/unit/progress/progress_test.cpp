#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "ipc/operation_mailbox.h"
#include "ipc/timer.h"
#include "platform/sim/sim_machine.h"
#include "progress/chunked_progress.h"
#include "progress/operation_sequence.h"
#include "progress/progress_updater_runnable.h"
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
        {"Completed for the current id ends its chunk", {{1, S}, {1, C}}, 2, 1, false, false, 148},
        {"Terminated for the current id ends the sequence", {{1, S}, {1, T}}, 1, 1, false, true, 0},
        {"Completed ahead skips to the chunk and ends it", {{2, C}}, 3, 0, false, false, 222},
        {"Terminated ahead skips to the chunk and ends the sequence", {{3, T}}, 3, 0, false, true, 222},
        {"completing the last chunk finishes", {{7, S}, {7, C}}, 0, 7, false, true, 963},
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

using progress::Chunk;
using progress::ChunkedProgress;
using progress::ChunkList;

TEST(ChunkList, UpdateRule) {
    const struct {
        const char* name;
        std::vector<std::pair<std::uint32_t, std::uint32_t>> updates;
        std::vector<Chunk> expected;
    } rows[] = {
        {"new ids are appended in order", {{2, 5}, {1, 7}}, {{2, 5}, {1, 7}}},
        {"an existing id takes the new weight", {{2, 5}, {1, 7}, {2, 9}}, {{2, 9}, {1, 7}}},
        {"weight 0 removes a chunk", {{2, 5}, {1, 7}, {2, 0}}, {{1, 7}}},
        {"a new id with weight 0 is ignored", {{2, 5}, {3, 0}}, {{2, 5}}},
    };
    for (const auto& row : rows) {
        ChunkList list;
        for (const auto& [id, weight] : row.updates) list.update(id, weight);
        EXPECT_EQ(list.chunks(), row.expected) << row.name;
    }
}

// The installation's chunks and their weights (135000 in all) are pinned by the positions shown.
TEST(ChunkedProgress, MapsChunkPositionsOntoTheTarget) {
    const struct {
        const char* name;
        std::vector<unsigned> positions;  // set one after another, in chunk 1 and on
        unsigned shown;
        int updates;
        std::uint32_t currentChunk;
    } rows[] = {
        {"25000 ms completes chunk 1 at its end", {25000}, 148, 1, 2},
        {"exactly the weight completes it too", {20000}, 148, 1, 2},
        {"an equal position updates once", {5000, 5000}, 37, 1, 1},
        {"position 0 is no change", {0}, 0, 0, 1},
        {"a position going back is shown", {10000, 5000}, 37, 2, 1},
    };
    for (const auto& row : rows) {
        Bar bar;
        ChunkedProgress chunked(progress::installationChunks(), bar);
        for (const unsigned p : row.positions) chunked.setPosition(p);
        EXPECT_EQ(bar.getPosition(), row.shown) << row.name;
        EXPECT_EQ(bar.updates(), row.updates) << row.name;
        EXPECT_EQ(chunked.getCurrentChunkId(), row.currentChunk) << row.name;
        EXPECT_EQ(chunked.getPosition(), row.currentChunk == 1 && !row.positions.empty() ? row.positions.back() : 0u)
            << row.name;
    }
}

TEST(ChunkedProgress, TheLastChunkFinishesTheTarget) {
    Bar bar;
    ChunkedProgress chunked(progress::installationChunks(), bar);
    for (const unsigned shown : {148u, 222u, 444u, 741u, 889u, 963u}) {
        chunked.nextChunk();
        EXPECT_EQ(bar.getPosition(), shown);
    }
    chunked.finish();
    EXPECT_TRUE(bar.finished());
    EXPECT_EQ(chunked.getCurrentChunkId(), 0u);
    chunked.setPosition(10);
    chunked.nextChunk();
    EXPECT_EQ(bar.updates(), 6) << "finish sets no position, and nothing remains to update";
}

TEST(ChunkedProgress, UpdaterFeedsElapsedTimeFromTheCounter) {
    sim::MachineScope sim;
    auto& kernel = sim->kernel();
    constexpr std::int64_t ticksPerMs = 10'000;
    kernel.setPerformanceCounter(1'000'000 * ticksPerMs);
    Bar bar;
    ChunkedProgress chunked(progress::installationChunks(), bar);
    progress::ProgressUpdaterRunnable runnable(chunked, 1);
    ipc::Timer timer(100);

    kernel.setPerformanceCounter(999'000 * ticksPerMs);  // before the start: stays at 0
    runnable.run(timer);
    kernel.setPerformanceCounter(1'010'000 * ticksPerMs);
    runnable.run(timer);
    EXPECT_EQ(bar.getPosition(), 74u);
    EXPECT_EQ(bar.updates(), 1);
    EXPECT_FALSE(timer.stopRequested());

    kernel.setPerformanceCounter(1'025'000 * ticksPerMs);  // past chunk 1's 20 s
    runnable.run(timer);
    EXPECT_EQ(chunked.getCurrentChunkId(), 2u);
    runnable.run(timer);
    EXPECT_TRUE(timer.stopRequested()) << "its chunk is over, so the timer stops";
    EXPECT_EQ(bar.getPosition(), 148u);
    EXPECT_EQ(bar.updates(), 2);
}

}  // namespace
