#include <gtest/gtest.h>

#include <atomic>
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

class SyncTest : public testing::Test {
protected:
    AutoHandle event(bool signalled) {
        platform::Handle h{};
        EXPECT_EQ(sim->kernel().createEvent(true, signalled, h), 0u);
        return AutoHandle(h);
    }
    sim::MachineScope sim;
};

/// Runs a lambda on an ipc thread.
template <class Body>
class Lambda final : public ipc::Runnable {
public:
    explicit Lambda(Body body) : body_(std::move(body)) {}
    void run() override { body_(); }

private:
    Body body_;
};
template <class Body>
std::uint32_t startLambda(Body body) {
    return Thread::start(new Lambda<Body>(std::move(body)), true);
}

TEST_F(SyncTest, WaitResultsAndErrors) {
    const AutoHandle signalled = event(true);
    const AutoHandle quiet = event(false);
    platform::Handle rawMutex{};
    ASSERT_EQ(sim->kernel().createMutex(false, rawMutex), 0u);
    const AutoHandle abandoned(rawMutex);
    std::thread([&] {
        platform::ErrorCode error = 0;
        sim->kernel().waitForSingleObject(abandoned.get(), 0, error);  // takes it and ends holding it
    }).join();

    EXPECT_EQ(ipc::waitForSingleObject(signalled.get(), 0), platform::kernel::waitObject0);
    EXPECT_EQ(ipc::waitForSingleObject(abandoned.get(), ipc::infinite), platform::kernel::waitAbandoned);
    sim->kernel().releaseMutex(abandoned.get());
    try {
        ipc::waitForSingleObject(quiet.get(), 0);
        ADD_FAILURE() << "a zero time-out on a quiet event";
    } catch (const ipc::TimeoutExpiredError& e) {
        EXPECT_NE(std::string(e.what()).find("(): ipc error"), std::string::npos) << e.what();
    }
    try {
        ipc::waitForSingleObject(static_cast<platform::Handle>(0x7FF0), 0);
        ADD_FAILURE() << "a wait on no object";
    } catch (const ipc::PlatformError& e) {
        EXPECT_EQ(e.code(), platform::err::invalidHandle);
    }
}

TEST_F(SyncTest, LocksNestOnOneThreadAndExcludeOthers) {
    Mutex m;
    std::atomic<int> inside{0};
    {
        Mutex::Lock outer(m);
        {
            const Mutex::Lock inner(m);
        }
        const auto id = startLambda([&] {
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

TEST_F(SyncTest, MutexFailuresNameTheirOperation) {
    sim->faults().fail("Kernel.createMutex", platform::err::notEnoughMemory);
    try {
        Mutex m;
        ADD_FAILURE();
    } catch (const ipc::PlatformError& e) {
        EXPECT_NE(std::string(e.what()).find("ipc::Mutex::create(): ipc error"), std::string::npos) << e.what();
    }
    {
        Mutex m;
        sim->faults().fail("Kernel.releaseMutex", platform::err::notOwner);
        { const Mutex::Lock lock(m); }
        EXPECT_NE(sim.log().find("ipc::Mutex::release(): ipc error' caught"), std::string::npos) << sim.log();
    }
}

TEST_F(SyncTest, NotifyWithoutWaitersDoesNothing) {
    ipc::Conditional c;
    c.notify(false);
    c.notify(true);
    EXPECT_EQ(sim->faults().calls("Kernel.setEvent"), 0);
}

TEST_F(SyncTest, NotifyOneWakesTheOldestWaiter) {
    ipc::Conditional c;
    int arrived = 0;             // guarded by c.mutex()
    std::vector<int> woken;      // guarded by c.mutex()
    std::vector<std::uint32_t> threads;
    for (int i = 1; i <= 3; ++i) {
        threads.push_back(startLambda([&, i] {
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

TEST_F(SyncTest, StoppingATimerThatNeverStartedReturns) {
    ipc::Timer timer(100);
    timer.stop(true);
    EXPECT_TRUE(timer.stopRequested());
}

}  // namespace
