#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>


#include "ipc/errors.h"
#include "ipc/operation_mailbox.h"
#include "platform/sim/sim_machine.h"
#include "platform/win_errors.h"
#include "support/mailbox_exchange.h"

namespace {

using ipc::Operation;
using ipc::SharedMemory;
using ipc::SharedMemoryUnsafe;

class SharedMemoryTest : public testing::Test {
protected:
    sim::MachineScope sim;
};

TEST_F(SharedMemoryTest, CreatedAndOpenedSectionsShareTheRecord) {
    const auto created = SharedMemoryUnsafe::create("Mailbox");
    const auto opened = SharedMemoryUnsafe::open("Mailbox");
    SharedMemory<Operation>(opened).write(Operation(4, Operation::Started));
    EXPECT_EQ(SharedMemory<Operation>(created).read(), Operation(4, Operation::Started));
    EXPECT_EQ(sim->kernel().viewCount(), 0u) << "every access unmaps its view";
}

TEST_F(SharedMemoryTest, SectionFailuresThrowExceptUnmapping) {
    const auto section = SharedMemoryUnsafe::create("Faulty");
    const SharedMemory<Operation> mailbox(section);
    const struct {
        const char* operation;
        std::function<void()> call;
    } throwing[] = {
        {"Kernel.createFileMapping", [] { SharedMemoryUnsafe::create("Other"); }},
        {"Kernel.openFileMapping", [] { SharedMemoryUnsafe::open("Faulty"); }},
        {"Kernel.mapViewOfFile", [&] { mailbox.read(); }},
        {"Kernel.flushViewOfFile", [&] { mailbox.write(Operation(1, Operation::Started)); }},
    };
    for (const auto& row : throwing) {
        sim->faults().fail(row.operation, platform::err::accessDenied);
        EXPECT_THROW(row.call(), ipc::PlatformError) << row.operation;
    }
    EXPECT_THROW(SharedMemoryUnsafe::open("Missing"), ipc::PlatformError);

    sim->faults().fail("Kernel.unmapViewOfFile", platform::err::invalidAddress);
    EXPECT_NO_THROW(mailbox.read());
    EXPECT_NE(sim.log().find("ERROR: UnmapViewOfFile failed with system error 487"), std::string::npos) << sim.log();
}

TEST_F(SharedMemoryTest, WriterWithoutReaderPostsIntoItsOwnSection) {
    ipc::OperationMailbox::postOperation(3, "Unread");
    EXPECT_THROW(SharedMemoryUnsafe::open("Unread"), ipc::PlatformError) << "the section went with its writer";

    const auto reader = SharedMemoryUnsafe::create("Read");
    EXPECT_TRUE(ipc::ClientOperation("Read").foundReader());
    EXPECT_FALSE(ipc::ClientOperation("Unread").foundReader());
}

/// Runs `child` in a forked copy of this process; true when it exited with 0.
template <class Child>
bool inChild(Child child) {
    const pid_t pid = ::fork();
    if (pid == 0) ::_exit(child() ? 0 : 1);
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

TEST_F(SharedMemoryTest, SectionLivesWhileAnyProcessHoldsIt) {
    const auto kept = SharedMemoryUnsafe::create("Kept");
    EXPECT_TRUE(inChild([] {
        const auto section = SharedMemoryUnsafe::open("Kept");
        SharedMemory<Operation>(section).write(Operation(6, Operation::Completed));
        const auto own = SharedMemoryUnsafe::create("ChildOnly");
        return true;
    }));
    EXPECT_EQ(SharedMemory<Operation>(SharedMemoryUnsafe::open("Kept")).read(), Operation(6, Operation::Completed));
    EXPECT_THROW(SharedMemoryUnsafe::open("ChildOnly"), ipc::PlatformError) << "its last holder has ended";
}

TEST_F(SharedMemoryTest, ChildProcessPostsOperationsInOrder) {
    const auto mailbox = SharedMemoryUnsafe::create(ipc::operationSequenceSectionName);
    const pid_t pid = ::fork();
    if (pid == 0) ::_exit(mailbox_exchange::writeAll(ipc::operationSequenceSectionName) ? 0 : 1);

    const auto seen = mailbox_exchange::readAll(mailbox, mailbox_exchange::expected().size());
    int status = 0;
    ::waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(seen, mailbox_exchange::expected());
}

}  // namespace
