#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "ipc/operation_mailbox.h"
#include "msi/action.h"
#include "msi/install_callback.h"
#include "platform/sim/sim_machine.h"
#include "platform/win_errors.h"

namespace {

using ipc::Operation;

constexpr std::uint32_t actionStart = 0x08000000u;

class InstallCallbackTest : public testing::Test {
protected:
    sim::MachineScope sim;
    ipc::SharedMemoryUnsafe section = ipc::SharedMemoryUnsafe::create(ipc::operationSequenceSectionName);
    ipc::SharedMemory<Operation> mailbox{section};
    InstallCallback callback;
};

TEST_F(InstallCallbackTest, ActionStartRows) {
    struct Row {
        const char* name;
        std::uint32_t code;
        const char16_t* text;
        Operation expected;
    };
    const Row rows[] = {
        {"CostInitialize posts 1", actionStart, u"Action 10:20:30: CostInitialize. Computing space", {1, Operation::Started}},
        {"InstallInitialize posts 2", actionStart, u"Action 10:20:30: InstallInitialize. ", {2, Operation::Started}},
        {"CreateFolders posts 3", actionStart, u"Action 10:20:30: CreateFolders. Creating folders", {3, Operation::Started}},
        {"name alone as third token", actionStart, u"Action 10:20:30: InstallInitialize.", {2, Operation::Started}},
        {"flags in the low bits", actionStart | 0x40u, u"Action 1: InstallInitialize. x", {2, Operation::Started}},
        {"other action", actionStart, u"Action 10:20:30: InstallFiles. Copying new files", {}},
        {"name without full stop", actionStart, u"Action 10:20:30: InstallInitialize", {}},
        {"two blanks after the first word", actionStart, u"Action  10:20:30: InstallInitialize. x", {}},
        {"name in other case", actionStart, u"Action 10:20:30: installinitialize. x", {}},
        {"fewer than three tokens", actionStart, u"Action InstallInitialize.", {}},
        {"not an action start", 0x04000000u, u"Action 10:20:30: InstallInitialize. x", {}},
        {"action data", 0x09000000u, u"Action 10:20:30: InstallInitialize. x", {}},
    };
    for (const Row& row : rows) {
        mailbox.write(Operation());
        EXPECT_EQ(msi::CallbackTrigger::adapter(&callback, row.code, row.text), 0) << row.name;
        EXPECT_EQ(mailbox.read(), row.expected) << row.name;
    }
}

TEST_F(InstallCallbackTest, StepsOfAScriptedPackageReachTheMailbox) {
    // The package's effects run after its messages, so they see the last step posted.
    Operation seen;
    sim->installer().addPackage("C:\\kobu.msi", {.messages = {{actionStart, u"Action 1:00:00: CostInitialize. a"},
                                                              {actionStart, u"Action 1:00:01: FileCost. b"},
                                                              {actionStart, u"Action 1:00:02: InstallInitialize. c"}},
                                                 .effects = [&] { seen = mailbox.read(); }});
    msi::action<msi::install> a;
    a.packagePath = "C:\\kobu.msi";
    a.callback = &callback;
    a.execute();
    EXPECT_EQ(seen, Operation(2, Operation::Started));
}

TEST_F(InstallCallbackTest, AMailboxFailureNeverReachesWindowsInstaller) {
    sim->faults().fail("Kernel.mapViewOfFile", platform::err::notEnoughMemory, -1);
    EXPECT_EQ(msi::CallbackTrigger::adapter(&callback, actionStart, u"Action 1: InstallInitialize. x"), 0);
    sim->faults().clear();
    EXPECT_EQ(mailbox.read(), Operation());
    EXPECT_THAT(sim.log(), testing::HasSubstr("ipc error"));
}

}  // namespace
