// The reader side of the operation mailbox: turns reported operations into chunks of the progress
// model, timing the chunk that has started with a timer of its own.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "ipc/operation_mailbox.h"
#include "ipc/timer.h"
#include "progress/chunked_progress.h"
#include "progress/progress_updater_runnable.h"

namespace progress {

class OperationSequence {
public:
    static constexpr std::uint32_t defaultPeriod = 100;

    /// Reads `mailbox` (not owned) and drives `target` (not owned) through `chunks`.
    OperationSequence(const ipc::SharedMemoryUnsafe& mailbox, const ChunkList& chunks, Progress& target,
                      std::uint32_t timerPeriod = defaultPeriod, std::uint32_t pollInterval = defaultPeriod);
    /// Stops the running timer and waits for it.
    ~OperationSequence();
    OperationSequence(const OperationSequence&) = delete;
    OperationSequence& operator=(const OperationSequence&) = delete;

    /// Acts on one record read from the mailbox; its state must be set and its id non-zero.
    void process(const ipc::Operation& op);

    /// Reads the mailbox once and processes what it holds. Empty records, and records another
    /// process wrote with id 0 or an unknown state, are passed over.
    void poll();
    /// Polls every poll interval until the sequence has finished or `cancel` is set.
    void run(const std::atomic<bool>& cancel);

    bool isFinished() const { return finished_.load(); }
    /// Sets the finished flag: the running loop stops at its next poll.
    void finish() { finished_.store(true); }
    /// Stops the running timer, if any, and waits for it.
    void stopTimer();
    std::uint32_t currentOperationId() const { return currentOperationId_; }
    bool timerRunning() const { return currentTimer_ != nullptr; }
    const ChunkedProgress& chunkedProgress() const { return *progress_; }

private:
    void completeChunk();
    void startTiming();

    std::uint32_t timerPeriod_;
    std::uint32_t pollInterval_;
    const ipc::SharedMemoryUnsafe& mailbox_;
    std::unique_ptr<ChunkedProgress> progress_;
    std::unique_ptr<ProgressUpdaterRunnable> currentRunnable_;
    std::unique_ptr<ipc::Timer> currentTimer_;
    std::uint32_t currentOperationId_ = 0;
    std::atomic<bool> finished_{false};
};

}  // namespace progress
