// Threads, locks, conditions, waits and timers on the simulated kernel.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>
#include <stdexcept>
#include <thread>
#include <vector>

#include "foundation/auto_handle.h"
#include "ipc/conditional.h"
#include "ipc/errors.h"
#include "ipc/mutex.h"
#include "ipc/thread.h"
#include "ipc/timer.h"
#include "ipc/wait.h"
#include "platform/sim/sim_machine.h"
#include "platform/win_errors.h"

namespace {

using ipc::Mutex;
using ipc::Thread;

std::atomic<bool> unwatched{false};  // the end of a probe no test looks at

/// Runs a function and reports its own destruction.
class Probe final : public ipc::Runnable {
public:
    explicit Probe(std::function<void()> body, std::atomic<bool>& destroyed = unwatched)
        : body_(std::move(body)), destroyed_(destroyed) {}
    ~Probe() override { destroyed_ = true; }
    void run() override { body_(); }

private:
    std::function<void()> body_;
    std::atomic<bool>& destroyed_;
};

class ThreadTest : public testing::Test {
protected:
    sim::MachineScope sim;
};

TEST_F(ThreadTest, ExitCodeAndLogTellHowTheRunEnded) {
    const struct {
        const char* name;
        std::function<void()> body;
        std::uint32_t exitCode;
        const char* logged;
    } rows[] = {
        {"returns", [] {}, 0, nullptr},
        {"throws anything else", [] { throw 42; }, 1, "\tERROR: Unknown exception caught\n"},
    };
    auto& kernel = sim->kernel();
    for (const auto& row : rows) {
        std::atomic<bool> release{false}, destroyed{false};
        auto* probe = new Probe(
            [&] {
                while (!release) kernel.sleep(1);
                row.body();
            },
            destroyed);
        const auto id = Thread::start(probe, true);
        platform::Handle raw{};
        ASSERT_EQ(kernel.openThread(platform::kernel::synchronize, id, raw), 0u) << row.name;
        const AutoHandle thread(raw);
        release = true;
        std::uint32_t code = 0;
        platform::ErrorCode error = 0;
        EXPECT_EQ(kernel.waitForSingleObject(thread.get(), platform::kernel::infinite, error), 0u);
        EXPECT_EQ(kernel.exitCodeThread(thread.get(), code), 0u);
        EXPECT_EQ(code, row.exitCode) << row.name;
        EXPECT_TRUE(destroyed) << row.name << ": an owned runnable is destroyed however its run ends";
        if (row.logged) {
            EXPECT_NE(sim.log().find(row.logged), std::string::npos) << row.name;
        }
    }
}

// A wait, a signal or an event that fails once anywhere in start, run and join strands no thread:
// the hand-over is tried again, a failed condition wait is a spurious wake-up, and join looks again.
TEST_F(ThreadTest, OneFailedWaitOrSignalStrandsNoThread) {
    for (const char* operation : {"Kernel.waitForSingleObject", "Kernel.setEvent", "Kernel.createEvent"}) {
        for (int skip = 0; skip < 6; ++skip) {
            std::atomic<bool> ran{false}, destroyed{false};
            sim->faults().fail(operation, platform::err::invalidHandle, 1, skip);
            const auto id = Thread::start(new Probe([&] { ran = true; }, destroyed), true);
            Thread::join(id);
            sim->faults().clear();
            EXPECT_TRUE(ran) << operation << " #" << skip;
            EXPECT_TRUE(destroyed) << operation << " #" << skip;
        }
    }
}

TEST_F(ThreadTest, NoRunnableStartsNothingAndAThreadThatIsGoneIsJoinedAtOnce) {
    EXPECT_EQ(Thread::start(nullptr, true), Thread::noThread);
    EXPECT_EQ(sim->faults().calls("Kernel.createThread"), 0);
    std::atomic<bool> destroyed{false};
    const auto id = Thread::start(new Probe([] {}, destroyed), true);
    Thread::join(id);
    const int looked = sim->faults().calls("Kernel.exitCodeThread");
    Thread::join(id);
    EXPECT_EQ(sim->faults().calls("Kernel.exitCodeThread"), looked) << "open failed with 87, nothing else asked";
    Thread::join(Thread::noThread);
}

TEST_F(ThreadTest, JoinWithALimitRethrowsTheTimeout) {
    std::atomic<bool> release{false}, destroyed{false};
    const auto id = Thread::start(new Probe([&] { while (!release) sim->kernel().sleep(1); }, destroyed), true);
    EXPECT_THROW(Thread::join(id, 0), ipc::TimeoutExpiredError);
    release = true;
    Thread::join(id);
    EXPECT_TRUE(destroyed);
}

TEST_F(ThreadTest, KernelFailuresBecomePlatformErrors) {
    std::atomic<bool> unused{false};
    sim->faults().fail("Kernel.createThread", platform::err::notEnoughMemory);
    try {
        Thread::start(new Probe([] {}, unused), true);
        ADD_FAILURE() << "started";
    } catch (const ipc::PlatformError& e) {
        EXPECT_EQ(e.code(), platform::err::notEnoughMemory);
        EXPECT_NE(std::string(e.what()).find("ipc error"), std::string::npos);
    }
    EXPECT_TRUE(unused) << "the owned runnable is not leaked";

    for (const char* operation : {"Kernel.openThread", "Kernel.exitCodeThread"}) {
        // One failure makes join look again: it still returns only once the thread has ended, because
        // callers free what the thread uses. A failure that persists is thrown.
        std::atomic<bool> release{false}, destroyed{false};
        const auto id = Thread::start(new Probe([&] { while (!release) sim->kernel().sleep(1); }, destroyed), true);
        sim->faults().fail(operation, platform::err::accessDenied);
        std::thread releaser([&] {
            sim->kernel().sleep(50);
            release = true;
        });
        Thread::join(id);
        EXPECT_TRUE(destroyed) << operation;
        releaser.join();

        std::atomic<bool> stop{false}, gone{false};
        const auto running = Thread::start(new Probe([&] { while (!stop) sim->kernel().sleep(1); }, gone), true);
        sim->faults().fail(operation, platform::err::accessDenied, -1);
        EXPECT_THROW(Thread::join(running), ipc::PlatformError) << operation;
        sim->faults().clear();
        stop = true;
        Thread::join(running);
    }
}

using SyncTest = ThreadTest;

std::uint32_t startOwned(std::function<void()> body) { return Thread::start(new Probe(std::move(body)), true); }

TEST_F(SyncTest, LocksNestOnOneThreadAndExcludeOthers) {
    Mutex m;
    std::atomic<int> inside{0};
    {
        Mutex::Lock outer(m);
        {
            const Mutex::Lock inner(m);
        }
        const auto id = startOwned([&] {
            const Mutex::Lock other(m);
            inside = 1;
        });
        sim->kernel().sleep(20);
        EXPECT_EQ(inside.load(), 0) << "another thread waits while the outer lock still holds";
        {
            const Mutex::Unlock unlock(outer);
            Thread::join(id);
            EXPECT_EQ(inside.load(), 1) << "Unlock lets the other thread in";
        }
    }
}

TEST_F(SyncTest, MutexDestroyedUnderALockIsClosedByTheLock) {
    const auto before = sim->handles().size();
    auto m = std::make_unique<Mutex>();
    {
        const Mutex::Lock lock(*m);
        m.reset();
        EXPECT_EQ(sim->handles().size(), before + 1) << "the handle stays open for the lock";
    }
    EXPECT_EQ(sim->handles().size(), before);
    EXPECT_EQ(sim.log().find("ERROR"), std::string::npos) << sim.log();
}

TEST_F(SyncTest, MutexFailures) {
    sim->faults().fail("Kernel.createMutex", platform::err::notEnoughMemory);
    EXPECT_THROW(Mutex(), ipc::PlatformError);
    Mutex m;
    sim->faults().fail("Kernel.releaseMutex", platform::err::notOwner);
    { const Mutex::Lock lock(m); }
    EXPECT_NE(sim.log().find("ipc::Mutex::release(): ipc error' caught"), std::string::npos) << sim.log();
}

TEST_F(SyncTest, NotifyWakesNothingWithoutWaitersAndOneWakesTheOldest) {
    ipc::Conditional c;
    c.notify(false);
    c.notify(true);
    EXPECT_EQ(sim->faults().calls("Kernel.setEvent"), 0);
    int arrived = 0;             // guarded by c.mutex()
    std::vector<int> woken;      // guarded by c.mutex()
    std::vector<std::uint32_t> threads;
    for (int i = 1; i <= 3; ++i) {
        threads.push_back(startOwned([&, i] {
            Mutex::Lock lock(c.mutex());
            arrived = i;
            c.wait(lock);
            woken.push_back(i);
        }));
        // Seeing `arrived` under the lock means waiter i has queued itself and let go.
        for (;;) {
            Mutex::Lock lock(c.mutex());
            if (arrived == i) break;
            const Mutex::Unlock unlock(lock);
            sim->kernel().sleep(1);
        }
    }
    c.notify(false);
    for (int tries = 0; tries < 2000; ++tries) {
        Mutex::Lock lock(c.mutex());
        if (!woken.empty()) break;
        const Mutex::Unlock unlock(lock);
        sim->kernel().sleep(1);
    }
    sim->kernel().sleep(30);
    {
        const Mutex::Lock lock(c.mutex());
        EXPECT_EQ(woken, std::vector<int>{1});
    }
    c.notify(true);
    for (const auto id : threads) Thread::join(id);
    EXPECT_EQ(woken.size(), 3u);
}

/// Counts ticks and stops its timer after `limit` of them.
class Ticker final : public ipc::Timer::Runnable {
public:
    explicit Ticker(int limit, bool throwAtLimit = false) : limit_(limit), throwAtLimit_(throwAtLimit) {}
    void run(ipc::Timer& timer) override {
        if (++ticks == limit_) {
            if (throwAtLimit_) throw std::runtime_error("tick failed");
            timer.stop(false);
        }
    }
    std::atomic<int> ticks{0};

private:
    int limit_;
    bool throwAtLimit_;
};

TEST_F(SyncTest, TimerTicksUntilItsRunnableStopsIt) {
    Ticker ticker(3);
    ipc::Timer timer(1);
    const auto idle = sim->handles().size();
    timer.start(&ticker, false);
    for (int i = 0; i < 5000 && !timer.stopRequested(); ++i) sim->kernel().sleep(1);
    timer.stop(true);  // returns only once the worker has seen the flag and ended
    EXPECT_EQ(ticker.ticks.load(), 3);
    EXPECT_EQ(sim->handles().size(), idle) << "the worker's thread has ended and closed its handle";
}

TEST_F(SyncTest, TimerWorkerThatThrowsStillFinishes) {
    auto* ticker = new Ticker(2, true);
    {
        ipc::Timer timer(1);
        timer.start(ticker, true);
        for (int i = 0; i < 2000 && sim.log().find("tick failed") == std::string::npos; ++i) sim->kernel().sleep(1);
    }  // the destructor waits for the finished worker and returns
    EXPECT_NE(sim.log().find("Exception with message 'tick failed' caught"), std::string::npos);
}

}  // namespace
