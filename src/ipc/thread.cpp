#include "ipc/thread.h"

#include "foundation/auto_handle.h"
#include "foundation/errors.h"
#include "ipc/conditional.h"
#include "ipc/contract.h"
#include "ipc/errors.h"
#include "ipc/wait.h"
#include "foundation/catch_handlers.h"
#include "platform/machine.h"
#include "platform/win_errors.h"

namespace ipc {

namespace {

/// The hand-over between the creator and the new thread: the creator stores the thread's handle,
/// the thread takes it (and with it the duty to close it) and clears the field again.
struct StartRecord {
    Conditional ready;
    Runnable* runnable = nullptr;
    platform::Handle handle = platform::Handle::null;
};

// Both sides must finish the hand-over: the record lives on the creator's stack, so a side that left
// early would leave the other waiting for ever, or reading a record that is gone.
constexpr const char* handOver = "Thread start hand-over";

std::uint32_t threadEntry(void* argument) {
    auto& record = *static_cast<StartRecord*>(argument);
    Runnable* runnable = nullptr;
    AutoHandle self;
    bool taken = false;
    retried(handOver, untilDone, [&] {
        Mutex::Lock lock(record.ready.mutex());
        while (!taken && record.handle == platform::Handle::null) record.ready.wait(lock);
        if (!taken) {
            runnable = record.runnable;
            self.reset(std::exchange(record.handle, platform::Handle::null));
            taken = true;
        }
        record.ready.notify(false);
    });
    try {
        runnable->run();
        return 0;
    }
    ZARN_CATCH_ALL
    return 1;  // `self` closes the thread's own handle; a failure is logged
}

}  // namespace

void RunnableOwner::run() {
    const std::unique_ptr<RunnableOwner> self(this);
    inner_->run();
}

Thread Thread::getCurrent() { return Thread(platform::machine().kernel().currentThreadId()); }

std::uint32_t Thread::start(Runnable* runnable, bool owned) {
    if (runnable == nullptr) return noThread;
    std::unique_ptr<RunnableOwner> reply;
    if (owned) {
        std::unique_ptr<Runnable> inner(runnable);
        reply = std::make_unique<RunnableOwner>(std::move(inner));
        ZARN_CONTRACT_TEXT(reply.get(), "reply.get()");
        runnable = reply.get();
    }
    StartRecord record;
    record.runnable = runnable;
    platform::Handle handle = platform::Handle::null;
    std::uint32_t id = noThread;
    if (const auto e = platform::machine().kernel().createThread(&threadEntry, &record, handle, id)) {
        ZARN_THROW(PlatformError, e);
    }
    reply.release();  // the thread's run destroys it now
    bool stored = false;
    retried(handOver, untilDone, [&] {
        Mutex::Lock lock(record.ready.mutex());
        if (!stored) {
            record.handle = handle;
            stored = true;
        }
        record.ready.notify(false);
        while (record.handle != platform::Handle::null) record.ready.wait(lock);
    });
    return id;
}

void Thread::join(std::uint32_t id, std::uint32_t limitSeconds) {
    ZARN_CONTRACT_TEXT(id != getCurrent().getId(), "id != Thread::getCurrent().getId()");
    // Callers free what the thread uses once this returns, so a failed kernel call starts the join
    // over instead of ending it early.
    retried("Joining a thread", transientAttempts, [&] { joinOnce(id, limitSeconds); });
}

void Thread::joinOnce(std::uint32_t id, std::uint32_t limitSeconds) {
    auto& kernel = platform::machine().kernel();
    platform::Handle raw = platform::Handle::null;
    if (const auto e = kernel.openThread(platform::kernel::synchronize | platform::kernel::threadQueryInformation, id,
                                         raw)) {
        if (e == platform::err::invalidParameter) return;  // the thread is gone
        ZARN_THROW(PlatformError, e);
    }
    const AutoHandle thread(raw);
    const std::int64_t frequency = performanceFrequency();
    const std::int64_t started = performanceCounter();
    for (;;) {
        std::uint32_t code = 0;
        if (const auto e = kernel.exitCodeThread(thread.get(), code)) ZARN_THROW(PlatformError, e);
        if (code != platform::kernel::stillActive) return;
        try {
            waitForSingleObject(thread.get(), 100);
            return;  // signalled: the thread has ended, whatever code it left
        } catch (const TimeoutExpiredError&) {
            if (limitSeconds != infinite &&
                (performanceCounter() - started) / frequency >= static_cast<std::int64_t>(limitSeconds)) {
                throw;
            }
        }
    }
}

}  // namespace ipc
