#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <utility>

#include "contract.h"
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

/// Closes a handle of the port at the end of a scope.
struct Closer {
    platform::Handle handle{};
    ~Closer() {
        if (handle != platform::Handle::null) platform::machine().kernel().closeHandle(handle);
    }
};

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
    Closer thread;
    std::uint32_t id = 0;
    ASSERT_EQ(k.createThread(&boxEntry, &box, thread.handle, id), platform::err::success);
    std::uint32_t code = 0;
    EXPECT_EQ(k.exitCodeThread(thread.handle, code), platform::err::success);
    EXPECT_EQ(code, kernel::stillActive);
    EXPECT_EQ(waitOn(thread.handle, 0), kernel::waitTimeout);

    Closer opened;
    ASSERT_EQ(k.openThread(kernel::synchronize | kernel::threadQueryInformation, id, opened.handle),
              platform::err::success);
    box.release = true;
    EXPECT_EQ(waitOn(opened.handle, 10000), kernel::waitObject0);
    EXPECT_EQ(box.ranOn.load(), id);
    EXPECT_EQ(k.exitCodeThread(thread.handle, code), platform::err::success);
    EXPECT_EQ(code, 42u);

    // Once every handle is closed the thread is gone and its id opens nothing.
    k.closeHandle(std::exchange(thread.handle, platform::Handle::null));
    k.closeHandle(std::exchange(opened.handle, platform::Handle::null));
    platform::Handle none{};
    EXPECT_EQ(k.openThread(kernel::synchronize, id, none), platform::err::invalidParameter);
}

TEST(KernelContract, EventsSignalAndReset) {
    auto& k = platform::machine().kernel();
    Closer manual, automatic;
    ASSERT_EQ(k.createEvent(true, false, manual.handle), platform::err::success);
    ASSERT_EQ(k.createEvent(false, true, automatic.handle), platform::err::success);
    EXPECT_EQ(waitOn(manual.handle, 0), kernel::waitTimeout);
    EXPECT_EQ(k.setEvent(manual.handle), platform::err::success);
    EXPECT_EQ(waitOn(manual.handle, 0), kernel::waitObject0);
    EXPECT_EQ(waitOn(manual.handle, 0), kernel::waitObject0) << "a manual-reset event stays signalled";
    EXPECT_EQ(k.resetEvent(manual.handle), platform::err::success);
    EXPECT_EQ(waitOn(manual.handle, 10), kernel::waitTimeout);
    EXPECT_EQ(waitOn(automatic.handle, 0), kernel::waitObject0);
    EXPECT_EQ(waitOn(automatic.handle, 0), kernel::waitTimeout) << "an auto-reset event resets on release";

    std::thread setter([&] {
        k.sleep(20);
        k.setEvent(manual.handle);
    });
    EXPECT_EQ(waitOn(manual.handle, 10000), kernel::waitObject0);
    setter.join();
}

TEST(KernelContract, MutexesAreReentrantOwnedAndAbandoned) {
    auto& k = platform::machine().kernel();
    Closer m;
    ASSERT_EQ(k.createMutex(true, m.handle), platform::err::success);
    EXPECT_EQ(waitOn(m.handle, 0), kernel::waitObject0) << "the owner takes it again";
    std::uint32_t otherWait = 0;
    platform::ErrorCode otherRelease = 0;
    std::thread([&] {
        otherWait = waitOn(m.handle, 0);
        otherRelease = k.releaseMutex(m.handle);
    }).join();
    EXPECT_EQ(otherWait, kernel::waitTimeout);
    EXPECT_EQ(otherRelease, platform::err::notOwner);
    EXPECT_EQ(k.releaseMutex(m.handle), platform::err::success);
    EXPECT_EQ(k.releaseMutex(m.handle), platform::err::success);
    EXPECT_EQ(k.releaseMutex(m.handle), platform::err::notOwner);

    // A thread that ends holding it abandons it to the next waiter.
    Closer holder;
    std::uint32_t id = 0;
    ASSERT_EQ(k.createThread(
                  [](void* h) -> std::uint32_t {
                      platform::ErrorCode error = 0;
                      return platform::machine().kernel().waitForSingleObject(*static_cast<platform::Handle*>(h), 0,
                                                                              error);
                  },
                  &m.handle, holder.handle, id),
              platform::err::success);
    EXPECT_EQ(waitOn(holder.handle, 10000), kernel::waitObject0);
    EXPECT_EQ(waitOn(m.handle, 10000), kernel::waitAbandoned);
    EXPECT_EQ(k.releaseMutex(m.handle), platform::err::success);
}

TEST(KernelContract, UnknownHandlesCannotBeClosedOrWaitedOn) {
    EXPECT_EQ(platform::machine().kernel().closeHandle(static_cast<platform::Handle>(0x7FFC)),
              platform::err::invalidHandle);
    platform::ErrorCode error = 0;
    EXPECT_EQ(platform::machine().kernel().waitForSingleObject(static_cast<platform::Handle>(0x7FF0), 0, error),
              kernel::waitFailed);
    EXPECT_EQ(error, platform::err::invalidHandle);
}

TEST(KernelContract, NamedSectionIsSharedBetweenMappings) {
    auto& k = platform::machine().kernel();
    const std::string name = contract::runId() + "-Section";
    Closer created, again, opened;
    bool existed = true;
    ASSERT_EQ(k.createFileMapping(kernel::pageReadWrite, 8, name, created.handle, existed), platform::err::success);
    EXPECT_FALSE(existed);
    ASSERT_EQ(k.createFileMapping(kernel::pageReadWrite, 8, name, again.handle, existed), platform::err::success);
    EXPECT_TRUE(existed);
    ASSERT_EQ(k.openFileMapping(kernel::fileMapRead | kernel::fileMapWrite, name, opened.handle),
              platform::err::success);

    void* writer = nullptr;
    void* reader = nullptr;
    ASSERT_EQ(k.mapViewOfFile(created.handle, kernel::fileMapAllAccess, 0, 8, writer), platform::err::success);
    ASSERT_EQ(k.mapViewOfFile(opened.handle, kernel::fileMapAllAccess, 0, 8, reader), platform::err::success);
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
    k.closeHandle(std::exchange(created.handle, platform::Handle::null));
    k.closeHandle(std::exchange(again.handle, platform::Handle::null));
    k.closeHandle(std::exchange(opened.handle, platform::Handle::null));
    platform::Handle none{};
    EXPECT_EQ(k.openFileMapping(kernel::fileMapRead, name, none), platform::err::fileNotFound);
}

TEST(KernelContract, SectionErrorsAndGuids) {
    auto& k = platform::machine().kernel();
    platform::Handle none{};
    EXPECT_EQ(k.openFileMapping(kernel::fileMapRead, contract::runId() + "-NoSuchSection", none),
              platform::err::fileNotFound);
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
