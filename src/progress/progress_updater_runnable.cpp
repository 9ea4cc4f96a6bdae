#include "progress/progress_updater_runnable.h"

#include <algorithm>
#include <limits>

#include "ipc/wait.h"

namespace progress {

ProgressUpdaterRunnable::ProgressUpdaterRunnable(ChunkedProgress& progress, std::uint32_t chunkId)
    : progress_(progress),
      chunkId_(chunkId),
      start_(ipc::performanceCounter()),
      frequency_(static_cast<double>(ipc::performanceFrequency())) {}

void ProgressUpdaterRunnable::run(ipc::Timer& timer) {
    const std::uint32_t current = progress_.getCurrentChunkId();
    if (current == 0 || current != chunkId_) {
        timer.stop(false);  // finished by time or by a later report
        return;
    }
    const double elapsed = static_cast<double>(ipc::performanceCounter() - start_) * 1000.0 / frequency_;
    // A counter that reads earlier than the start, or a chunk running for more than 49 days, must not
    // wrap the position round.
    const double clamped = std::clamp(elapsed, 0.0, static_cast<double>(std::numeric_limits<std::uint32_t>::max()));
    progress_.setPosition(static_cast<unsigned>(static_cast<std::int64_t>(clamped)));
}

}  // namespace progress
