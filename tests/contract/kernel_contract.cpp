#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>

#include "contract.h"
#include "foundation/auto_handle.h"
#include "platform/win_errors.h"

namespace {

TEST(KernelContract, IdsAndClocks) {
    auto& kernel = platform::machine().kernel();
    EXPECT_NE(kernel.currentProcessId(), 0u);
    const auto mainThread = kernel.currentThreadId();
    std::uint32_t other = 0;
    std::thread([&] { other = kernel.currentThreadId(); }).join();
    EXPECT_NE(other, mainThread);

    const auto before = kernel.tickCount64();
    std::int64_t counter0 = 0, counter1 = 0, frequency = 0;
    EXPECT_EQ(kernel.performanceCounter(counter0), platform::err::success);
    kernel.sleep(60);
    EXPECT_EQ(kernel.performanceCounter(counter1), platform::err::success);
    EXPECT_EQ(kernel.performanceFrequency(frequency), platform::err::success);
    EXPECT_GE(kernel.tickCount64() - before, 30u);  // the tick advances in steps of 10 to 16 ms
    EXPECT_GT(frequency, 0);
    EXPECT_GE((counter1 - counter0) * 1000 / frequency, 50);
    EXPECT_EQ(static_cast<std::uint32_t>(kernel.tickCount64()) - kernel.tickCount() < 1000u, true);
}

namespace kernel = platform::kernel;

std::uint32_t waitOn(platform::Handle h, std::uint32_t ms) {
    platform::ErrorCode error = 0;
    return platform::machine().kernel().waitForSingleObject(h, ms, error);
}

struct ThreadBox {
    std::atomic<bool> release{false};
    std::atomic<std::uint32_t> ranOn{0};
};

std::uint32_t boxEntry(void* argument) {
    auto& box = *static_cast<ThreadBox*>(argument);
    box.ranOn = platform::machine().kernel().currentThreadId();
    while (!box.release) platform::machine().kernel().sleep(1);
    return 42;
}

TEST(KernelContract, ThreadsRunReportTheirExitCodeAndCanBeOpenedById) {
    auto& k = platform::machine().kernel();
    ThreadBox box;
    AutoHandle thread;
    std::uint32_t id = 0;
    ASSERT_EQ(k.createThread(&boxEntry, &box, *thread.put(), id), platform::err::success);
    std::uint32_t code = 0;
    EXPECT_EQ(k.exitCodeThread(thread.get(), code), platform::err::success);
    EXPECT_EQ(code, kernel::stillActive);
    EXPECT_EQ(waitOn(thread.get(), 0), kernel::waitTimeout);

    AutoHandle opened;
    ASSERT_EQ(k.openThread(kernel::synchronize | kernel::threadQueryInformation, id, *opened.put()),
              platform::err::success);
    box.release = true;
    EXPECT_EQ(waitOn(opened.get(), 10000), kernel::waitObject0);
    EXPECT_EQ(box.ranOn.load(), id);
    EXPECT_EQ(k.exitCodeThread(thread.get(), code), platform::err::success);
    EXPECT_EQ(code, 42u);

    // Once every handle is closed the thread is gone and its id opens nothing.
    thread.reset();
    opened.reset();
    platform::Handle none{};
    EXPECT_EQ(k.openThread(kernel::synchronize, id, none), platform::err::invalidParameter);
}

TEST(KernelContract, EventsSignalAndReset) {
    auto& k = platform::machine().kernel();
    AutoHandle manual, automatic;
    ASSERT_EQ(k.createEvent(true, false, *manual.put()), platform::err::success);
    ASSERT_EQ(k.createEvent(false, true, *automatic.put()), platform::err::success);
    EXPECT_EQ(waitOn(manual.get(), 0), kernel::waitTimeout);
    EXPECT_EQ(k.setEvent(manual.get()), platform::err::success);
    EXPECT_EQ(waitOn(manual.get(), 0), kernel::waitObject0);
    EXPECT_EQ(waitOn(manual.get(), 0), kernel::waitObject0) << "a manual-reset event stays signalled";
    EXPECT_EQ(k.resetEvent(manual.get()), platform::err::success);
    EXPECT_EQ(waitOn(manual.get(), 10), kernel::waitTimeout);
    EXPECT_EQ(waitOn(automatic.get(), 0), kernel::waitObject0);
    EXPECT_EQ(waitOn(automatic.get(), 0), kernel::waitTimeout) << "an auto-reset event resets on release";

    std::thread setter([&] {
        k.sleep(20);
        k.setEvent(manual.get());
    });
    EXPECT_EQ(waitOn(manual.get(), 10000), kernel::waitObject0);
    setter.join();
}

TEST(KernelContract, MutexesAreReentrantOwnedAndAbandoned) {
    auto& k = platform::machine().kernel();
    AutoHandle m;
    ASSERT_EQ(k.createMutex(true, *m.put()), platform::err::success);
    EXPECT_EQ(waitOn(m.get(), 0), kernel::waitObject0) << "the owner takes it again";
    std::uint32_t otherWait = 0;
    platform::ErrorCode otherRelease = 0;
    std::thread([&] {
        otherWait = waitOn(m.get(), 0);
        otherRelease = k.releaseMutex(m.get());
    }).join();
    EXPECT_EQ(otherWait, kernel::waitTimeout);
    EXPECT_EQ(otherRelease, platform::err::notOwner);
    EXPECT_EQ(k.releaseMutex(m.get()), platform::err::success);
    EXPECT_EQ(k.releaseMutex(m.get()), platform::err::success);
    EXPECT_EQ(k.releaseMutex(m.get()), platform::err::notOwner);

    // A thread that ends holding it abandons it to the next waiter.
    platform::Handle mutex = m.get();
    AutoHandle holder;
    std::uint32_t id = 0;
    ASSERT_EQ(k.createThread(
                  [](void* h) -> std::uint32_t {
                      platform::ErrorCode error = 0;
                      return platform::machine().kernel().waitForSingleObject(*static_cast<platform::Handle*>(h), 0,
                                                                              error);
                  },
                  &mutex, *holder.put(), id),
              platform::err::success);
    EXPECT_EQ(waitOn(holder.get(), 10000), kernel::waitObject0);
    EXPECT_EQ(waitOn(m.get(), 10000), kernel::waitAbandoned);
    EXPECT_EQ(k.releaseMutex(m.get()), platform::err::success);
}

TEST(KernelContract, NamedSectionIsSharedBetweenMappings) {
    auto& k = platform::machine().kernel();
    const std::string name = contract::runId() + "-Section";
    AutoHandle created, again, opened;
    bool existed = true;
    ASSERT_EQ(k.createFileMapping(kernel::pageReadWrite, 8, name, *created.put(), existed), platform::err::success);
    EXPECT_FALSE(existed);
    ASSERT_EQ(k.createFileMapping(kernel::pageReadWrite, 8, name, *again.put(), existed), platform::err::success);
    EXPECT_TRUE(existed);
    ASSERT_EQ(k.openFileMapping(kernel::fileMapRead | kernel::fileMapWrite, name, *opened.put()),
              platform::err::success);

    void* writer = nullptr;
    void* reader = nullptr;
    ASSERT_EQ(k.mapViewOfFile(created.get(), kernel::fileMapAllAccess, 0, 8, writer), platform::err::success);
    ASSERT_EQ(k.mapViewOfFile(opened.get(), kernel::fileMapAllAccess, 0, 8, reader), platform::err::success);
    EXPECT_NE(writer, reader);
    std::uint64_t zero = 1;
    std::memcpy(&zero, reader, 8);
    EXPECT_EQ(zero, 0u) << "a new section is zeroed";
    const std::uint64_t record = 0x0000000100000004ull;
    std::memcpy(writer, &record, 8);
    EXPECT_EQ(k.flushViewOfFile(writer, 8), platform::err::success);
    std::uint64_t seen = 0;
    std::memcpy(&seen, reader, 8);
    EXPECT_EQ(seen, record);
    EXPECT_EQ(k.unmapViewOfFile(writer), platform::err::success);
    EXPECT_EQ(k.unmapViewOfFile(reader), platform::err::success);

    // The section goes with its last handle.
    created.reset();
    again.reset();
    opened.reset();
    platform::Handle none{};
    EXPECT_EQ(k.openFileMapping(kernel::fileMapRead, name, none), platform::err::fileNotFound);
}

TEST(KernelContract, BadHandlesSectionErrorsAndGuids) {
    auto& k = platform::machine().kernel();
    EXPECT_EQ(k.closeHandle(static_cast<platform::Handle>(0x7FFC)), platform::err::invalidHandle);
    platform::ErrorCode error = 0;
    EXPECT_EQ(k.waitForSingleObject(static_cast<platform::Handle>(0x7FF0), 0, error), kernel::waitFailed);
    EXPECT_EQ(error, platform::err::invalidHandle);

    platform::Handle none{};
    bool existed = false;
    EXPECT_EQ(k.createFileMapping(kernel::pageReadWrite, 0, contract::runId() + "-Empty", none, existed),
              platform::err::invalidParameter);
    int local = 0;
    EXPECT_EQ(k.unmapViewOfFile(&local), platform::err::invalidAddress);

    std::string a, b;
    ASSERT_EQ(k.createGuid(a), platform::err::success);
    ASSERT_EQ(k.createGuid(b), platform::err::success);
    EXPECT_NE(a, b);
    ASSERT_EQ(a.size(), 36u);
    for (const std::size_t dash : {8u, 13u, 18u, 23u}) EXPECT_EQ(a[dash], '-') << a;
    EXPECT_EQ(a.find_first_not_of("0123456789abcdef-"), std::string::npos) << a;
}

}  // namespace
