#include "progress/chunked_progress.h"

#include <algorithm>

#include "ipc/contract.h"

namespace progress {

void ChunkList::update(std::uint32_t id, std::uint32_t weight) {
    ZARN_CONTRACT_TEXT(id != 0, "id");
    const auto found = std::find_if(chunks_.begin(), chunks_.end(), [&](const Chunk& c) { return c.id == id; });
    if (found == chunks_.end()) {
        if (weight != 0) chunks_.push_back(Chunk{id, weight});
    } else if (weight == 0) {
        chunks_.erase(found);
    } else {
        found->weight = weight;
    }
}

ChunkList installationChunks() {
    struct Row {
        std::uint32_t id;
        std::uint32_t seconds;
    };
    // Ids 1 to 3 are the Windows Installer actions CostInitialize, InstallInitialize and
    // CreateFolders; 4 to 7 are reported by the package's own actions.
    static constexpr Row table[] = {{1, 20}, {2, 10}, {3, 30}, {4, 40}, {5, 20}, {6, 10}, {7, 5}};
    ChunkList list;
    for (const Row& row : table) list.update(row.id, row.seconds * 1000);
    return list;
}

ChunkedProgress::ChunkedProgress(const ChunkList& chunks, Progress& target)
    : remaining_(chunks.chunks()), target_(target), targetMaximum_(target.getMaximum()) {
    for (const Chunk& c : remaining_) totalWeight_ += c.weight;
    if (!remaining_.empty()) currentWeight_ = remaining_.front().weight;
}

void ChunkedProgress::setPosition(unsigned position) {
    if (remaining_.empty()) return;
    if (position >= currentWeight_) {
        nextChunk();  // its expected time has run out
    } else if (position != position_) {
        position_ = position;
        updateTarget();
    }
}

void ChunkedProgress::nextChunk() {
    if (remaining_.empty()) return;
    const std::uint32_t finished = remaining_.front().weight;
    remaining_.erase(remaining_.begin());
    position_ = finished;
    updateTarget();  // the bar shows the end of the finished chunk
    completedWeight_ += finished;
    position_ = 0;
    currentWeight_ = remaining_.empty() ? 0 : remaining_.front().weight;
}

void ChunkedProgress::updateTarget() {
    const std::uint64_t position = completedWeight_ + position_;
    if (position == totalWeight_) {
        target_.finish();
        return;
    }
    const double scaled = static_cast<double>(position) / static_cast<double>(totalWeight_) * targetMaximum_ + 0.5;
    target_.setPosition(static_cast<unsigned>(scaled));
}

}  // namespace progress
