// The timer tick of a running chunk: feeds the time elapsed since the chunk started into the
// chunked progress, and stops its timer once the chunk is no longer current.
#pragma once

#include <cstdint>

#include "ipc/timer.h"
#include "progress/chunked_progress.h"

namespace progress {

class ProgressUpdaterRunnable final : public ipc::Timer::Runnable {
public:
    /// Remembers the start time now; a failing counter throws MevError<ipc::PlatformError>.
    ProgressUpdaterRunnable(ChunkedProgress& progress, std::uint32_t chunkId);

    void run(ipc::Timer& timer) override;

private:
    ChunkedProgress& progress_;
    std::uint32_t chunkId_;
    std::int64_t start_;
    double frequency_;
};

}  // namespace progress
