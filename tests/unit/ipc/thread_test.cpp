#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <stdexcept>
#include <thread>

#include "foundation/auto_handle.h"
#include "ipc/errors.h"
#include "ipc/thread.h"
#include "platform/sim/sim_machine.h"
#include "platform/win_errors.h"

namespace {

using ipc::Thread;

/// Runs a function and reports its own destruction.
class Probe final : public ipc::Runnable {
public:
    Probe(std::function<void()> body, std::atomic<bool>& destroyed) : body_(std::move(body)), destroyed_(destroyed) {}
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

TEST_F(ThreadTest, StartWithoutRunnableStartsNothing) {
    EXPECT_EQ(Thread::start(nullptr, true), Thread::noThread);
    EXPECT_EQ(sim->faults().calls("Kernel.createThread"), 0);
}

TEST_F(ThreadTest, RunsOnItsOwnThreadAndClosesItsHandle) {
    std::atomic<std::uint32_t> ranOn{0};
    std::atomic<bool> destroyed{false};
    Probe probe([&] { ranOn = Thread::getCurrent().getId(); }, destroyed);
    const auto id = Thread::start(&probe, false);
    Thread::join(id);
    EXPECT_EQ(ranOn.load(), id);
    EXPECT_NE(id, Thread::getCurrent().getId());
    EXPECT_FALSE(destroyed) << "a runnable that is not owned outlives its thread";
    EXPECT_EQ(sim->handles().size(), 0u) << "the thread closes its own handle";
}

TEST_F(ThreadTest, ExitCodeAndLogTellHowTheRunEnded) {
    const struct {
        const char* name;
        std::function<void()> body;
        std::uint32_t exitCode;
        const char* logged;
    } rows[] = {
        {"returns", [] {}, 0, nullptr},
        {"throws std::exception", [] { throw std::runtime_error("boom"); }, 1,
         "ERROR: Exception with message 'boom' caught"},
        {"throws anything else", [] { throw 42; }, 1, "ERROR: Unknown exception caught"},
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

TEST_F(ThreadTest, JoiningAThreadThatIsGoneReturnsAtOnce) {
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
    const struct {
        const char* operation;
        bool whileRunning;  // the failure is due in join rather than in start
    } rows[] = {
        {"Kernel.createThread", false},
        {"Kernel.openThread", true},
        {"Kernel.exitCodeThread", true},
    };
    for (const auto& row : rows) {
        std::atomic<bool> release{false}, destroyed{false};
        auto* probe = new Probe([&] { while (!release) sim->kernel().sleep(1); }, destroyed);
        if (!row.whileRunning) {
            sim->faults().fail(row.operation, platform::err::notEnoughMemory);
            try {
                Thread::start(probe, true);
                ADD_FAILURE() << row.operation;
            } catch (const ipc::PlatformError& e) {
                EXPECT_EQ(e.code(), platform::err::notEnoughMemory);
                EXPECT_NE(std::string(e.what()).find("ipc error"), std::string::npos);
            }
            EXPECT_TRUE(destroyed) << row.operation << ": the owned runnable is not leaked";
            continue;
        }
        const auto id = Thread::start(probe, true);
        // One failure makes join look again: it still returns only once the thread has ended, because
        // callers free what the thread uses. A failure that persists is thrown.
        sim->faults().fail(row.operation, platform::err::accessDenied);
        std::thread releaser([&] {
            sim->kernel().sleep(50);
            release = true;
        });
        Thread::join(id);
        EXPECT_TRUE(destroyed) << row.operation;
        releaser.join();

        std::atomic<bool> stop{false}, gone{false};
        const auto running = Thread::start(new Probe([&] { while (!stop) sim->kernel().sleep(1); }, gone), true);
        sim->faults().fail(row.operation, platform::err::accessDenied, -1);
        EXPECT_THROW(Thread::join(running), ipc::PlatformError) << row.operation;
        sim->faults().clear();
        stop = true;
        Thread::join(running);
    }
}

}  // namespace
