#include "progress/operation_sequence.h"

#include <algorithm>

#include "foundation/catch_handlers.h"
#include "foundation/logger.h"
#include "ipc/contract.h"
#include "platform/machine.h"

namespace progress {

using ipc::Operation;

OperationSequence::OperationSequence(const ipc::SharedMemoryUnsafe& mailbox, const ChunkList& chunks,
                                     Progress& target, std::uint32_t timerPeriod, std::uint32_t pollInterval)
    : timerPeriod_(timerPeriod),
      pollInterval_(pollInterval),
      mailbox_(mailbox),
      progress_(std::make_unique<ChunkedProgress>(chunks, target)) {}

OperationSequence::~OperationSequence() {
    try {
        stopTimer();
    }
    ZARN_CATCH_ALL
}

void OperationSequence::stopTimer() {
    if (currentTimer_) currentTimer_->stop(true);
    currentTimer_.reset();
    currentRunnable_.reset();
}

void OperationSequence::completeChunk() {
    ZARN_CONTRACT_TEXT(!currentTimer_, "!currentTimer.get()");
    progress_->nextChunk();
    if (progress_->getCurrentChunkId() == 0) finished_.store(true);
}

void OperationSequence::startTiming() {
    const std::uint32_t id = progress_->getCurrentChunkId();
    ZARN_CONTRACT_TEXT(id != 0, "progress->getCurrentChunkId()");
    currentOperationId_ = id;
    auto runnable = std::make_unique<ProgressUpdaterRunnable>(*progress_, id);
    auto timer = std::make_unique<ipc::Timer>(timerPeriod_);
    timer->start(runnable.get(), false);
    currentRunnable_ = std::move(runnable);
    currentTimer_ = std::move(timer);
}

void OperationSequence::process(const Operation& op) {
    ZARN_CONTRACT_TEXT(op.getState() != Operation::Invalid, "op.getState() != Operation::Invalid");
    ZARN_CONTRACT_TEXT(op.getId() != 0, "op.getId()");
    LOG_TRACE("Operation {" << op.getId() << ", " << op.getState() << "}");

    if (op.getId() == currentOperationId_) {
        if (op.getState() == Operation::Completed || op.getState() == Operation::Terminated) {
            stopTimer();
            if (op.getState() == Operation::Terminated) {
                finished_.store(true);
            } else if (progress_->getCurrentChunkId() != 0 && progress_->getCurrentChunkId() == op.getId()) {
                completeChunk();
            }
            return;
        }
        if (currentTimer_) return;  // a repeated report of the chunk being timed
    }

    stopTimer();
    currentOperationId_ = 0;

    const auto& remaining = progress_->remainingChunks();
    const auto found = std::find_if(remaining.begin(), remaining.end(),
                                    [&](const Chunk& c) { return c.id == op.getId(); });
    if (found == remaining.end()) return;
    // Chunks passed over count as done.
    for (auto skipped = found - remaining.begin(); skipped > 0; --skipped) progress_->nextChunk();

    switch (op.getState()) {
        case Operation::Completed: completeChunk(); return;
        case Operation::Terminated: finished_.store(true); return;
        case Operation::Started: startTiming(); return;
        case Operation::Invalid: return;
    }
}

void OperationSequence::poll() {
    const Operation op = ipc::SharedMemory<Operation>(mailbox_).read();
    if (op.getState() == Operation::Invalid) return;
    if (op.getId() == 0 || op.getState() > Operation::Terminated) {
        LOG_WARNING("Ignoring malformed operation {" << op.getId() << ", " << op.getState() << "}");
        return;
    }
    process(op);
}

void OperationSequence::run(const std::atomic<bool>& cancel) {
    auto& kernel = platform::machine().kernel();
    while (!isFinished() && !cancel.load()) {
        poll();
        if (isFinished()) return;
        kernel.sleep(pollInterval_);
    }
}

}  // namespace progress
