#include <gtest/gtest.h>

#include <mutex>
#include <vector>

#include "ipc/timer.h"
#include "platform/sim/sim_machine.h"
#include "progress/chunked_progress.h"
#include "progress/progress_updater_runnable.h"

namespace {

using progress::Chunk;
using progress::ChunkedProgress;
using progress::ChunkList;

/// A progress bar of maximum 1000 that records every update; safe to read while a timer writes.
class RecordingBar final : public progress::Progress {
public:
    unsigned getPosition() const override { return positions().empty() ? 0 : positions().back(); }
    unsigned getMaximum() const override { return 1000; }
    void setPosition(unsigned p) override {
        const std::lock_guard lock(mutex_);
        positions_.push_back(p);
    }
    void finish() override {
        const std::lock_guard lock(mutex_);
        ++finishes_;
    }
    std::vector<unsigned> positions() const {
        const std::lock_guard lock(mutex_);
        return positions_;
    }
    int finishes() const {
        const std::lock_guard lock(mutex_);
        return finishes_;
    }

private:
    mutable std::mutex mutex_;
    std::vector<unsigned> positions_;
    int finishes_ = 0;
};

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

TEST(ChunkList, InstallationTable) {
    const auto chunks = progress::installationChunks().chunks();
    ASSERT_EQ(chunks.size(), 7u);
    std::uint32_t total = 0;
    for (std::size_t i = 0; i < chunks.size(); ++i) {
        EXPECT_EQ(chunks[i].id, i + 1);
        total += chunks[i].weight;
    }
    EXPECT_EQ(total, 135000u);
    EXPECT_EQ(chunks[3].weight, 40000u);
}

TEST(ChunkedProgress, MapsChunkPositionsOntoTheTarget) {
    const struct {
        const char* name;
        std::vector<unsigned> positions;  // set one after another, in chunk 1 and on
        std::vector<unsigned> shown;
        std::uint32_t currentChunk;
    } rows[] = {
        {"10000 ms into chunk 1", {10000}, {74}, 1},
        {"25000 ms completes chunk 1 at its end", {25000}, {148}, 2},
        {"exactly the weight completes it too", {20000}, {148}, 2},
        {"an equal position updates once", {5000, 5000}, {37}, 1},
        {"position 0 is no change", {0}, {}, 1},
        {"a position going back is shown", {10000, 5000}, {74, 37}, 1},
    };
    for (const auto& row : rows) {
        RecordingBar bar;
        ChunkedProgress chunked(progress::installationChunks(), bar);
        for (const unsigned p : row.positions) chunked.setPosition(p);
        EXPECT_EQ(bar.positions(), row.shown) << row.name;
        EXPECT_EQ(chunked.getCurrentChunkId(), row.currentChunk) << row.name;
        EXPECT_EQ(chunked.getPosition(), row.currentChunk == 1 && !row.positions.empty() ? row.positions.back() : 0u)
            << row.name;
    }
}

TEST(ChunkedProgress, TheLastChunkFinishesTheTarget) {
    RecordingBar bar;
    ChunkedProgress chunked(progress::installationChunks(), bar);
    for (int i = 0; i < 6; ++i) chunked.nextChunk();
    EXPECT_EQ(bar.positions(), (std::vector<unsigned>{148, 222, 444, 741, 889, 963}));
    EXPECT_EQ(chunked.getMaximum(), 5000u);
    chunked.finish();
    EXPECT_EQ(bar.finishes(), 1);
    EXPECT_EQ(bar.positions().size(), 6u) << "finish, and no position";
    EXPECT_EQ(chunked.getCurrentChunkId(), 0u);
    chunked.setPosition(10);
    chunked.nextChunk();
    EXPECT_EQ(bar.finishes(), 1) << "nothing remains to update";
}

TEST(ChunkedProgress, UpdaterFeedsElapsedTimeFromTheCounter) {
    sim::MachineScope sim;
    auto& kernel = sim->kernel();
    constexpr std::int64_t ticksPerMs = 10'000;
    kernel.setPerformanceCounter(1'000'000 * ticksPerMs);
    RecordingBar bar;
    ChunkedProgress chunked(progress::installationChunks(), bar);
    progress::ProgressUpdaterRunnable runnable(chunked, 1);
    ipc::Timer timer(100);

    kernel.setPerformanceCounter(999'000 * ticksPerMs);  // before the start: stays at 0
    runnable.run(timer);
    kernel.setPerformanceCounter(1'010'000 * ticksPerMs);
    runnable.run(timer);
    EXPECT_EQ(bar.positions(), std::vector<unsigned>{74});
    EXPECT_FALSE(timer.stopRequested());

    kernel.setPerformanceCounter(1'025'000 * ticksPerMs);  // past chunk 1's 20 s
    runnable.run(timer);
    EXPECT_EQ(chunked.getCurrentChunkId(), 2u);
    runnable.run(timer);
    EXPECT_TRUE(timer.stopRequested()) << "its chunk is over, so the timer stops";
    EXPECT_EQ(bar.positions(), (std::vector<unsigned>{74, 148}));
}

}  // namespace
