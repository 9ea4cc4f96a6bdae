// The installation divided into chunks of expected duration: a position in milliseconds into the
// current chunk is mapped onto a target progress, and chunks end by time or by report.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "progress/progress.h"

namespace progress {

struct Chunk {
    std::uint32_t id = 0;      // non-zero
    std::uint32_t weight = 0;  // expected milliseconds

    friend bool operator==(const Chunk&, const Chunk&) = default;
};

/// An ordered list of chunks with unique ids.
class ChunkList {
public:
    /// An existing id takes the new weight, or leaves the list with weight 0; a new id is appended
    /// when its weight is not 0. `id` must be non-zero.
    void update(std::uint32_t id, std::uint32_t weight);

    const std::vector<Chunk>& chunks() const { return chunks_; }

private:
    std::vector<Chunk> chunks_;
};

class ChunkedProgress final : public ProgressUpdater {
public:
    /// `target` (not owned) receives the overall position; its maximum is read once, here.
    ChunkedProgress(const ChunkList& chunks, Progress& target);

    /// The position inside the current chunk.
    unsigned getPosition() const override { return position_; }
    /// The current chunk's weight.
    unsigned getMaximum() const override { return currentWeight_; }
    /// Milliseconds into the current chunk; reaching its weight completes it.
    void setPosition(unsigned position) override;
    /// Completes the current chunk.
    void finish() override { nextChunk(); }

    /// Ends the current chunk; the following one becomes current.
    void nextChunk();
    /// The current chunk's id, 0 when none remains.
    std::uint32_t getCurrentChunkId() const { return remaining_.empty() ? 0 : remaining_.front().id; }
    /// The chunks not yet finished, the current one first.
    const std::vector<Chunk>& remainingChunks() const { return remaining_; }

private:
    void updateTarget();

    std::vector<Chunk> remaining_;
    Progress& target_;
    unsigned targetMaximum_;
    std::uint64_t totalWeight_ = 0;
    std::uint64_t completedWeight_ = 0;
    std::uint32_t currentWeight_ = 0;
    std::uint32_t position_ = 0;
};

/// The installation's chunks: ids 1 to 7, 135 expected seconds in all.
ChunkList installationChunks();

}  // namespace progress
