// The operation mailbox between real processes: a child copy of this program posts operations by
// the section's name and the parent reads them in order, then drives the progress model with them.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string>

#include "ipc/operation_mailbox.h"
#include "ipc/thread.h"
#include "platform/win32/win32_machine.h"
#include "progress/operation_sequence.h"
#include "support/mailbox_exchange.h"
#include "support/progress_bar.h"

namespace {

constexpr const wchar_t* childVariable = L"ZARN_IPC_CHILD_SECTION";

class Win32Environment : public testing::Environment {
public:
    void SetUp() override { platform::installMachine(&machine_); }
    void TearDown() override { platform::installMachine(nullptr); }

private:
    platform::win32::Win32Machine machine_;
};

const auto* const registered = testing::AddGlobalTestEnvironment(new Win32Environment);

using test_support::Bar;

// Runs only in the child that the test below starts.
TEST(IpcWineChild, PostsOperations) {
    char name[256] = {};
    if (GetEnvironmentVariableA("ZARN_IPC_CHILD_SECTION", name, sizeof name) == 0) GTEST_SKIP();
    EXPECT_TRUE(mailbox_exchange::writeAll(name));
}

TEST(IpcWine, ChildProcessPostsOperationsInOrder) {
    const auto mailbox = ipc::SharedMemoryUnsafe::createUnique();

    wchar_t self[MAX_PATH] = {};
    ASSERT_NE(GetModuleFileNameW(nullptr, self, MAX_PATH), 0u);
    std::wstring commandLine = L"\"" + std::wstring(self) + L"\" --gtest_filter=IpcWineChild.PostsOperations";
    ASSERT_TRUE(SetEnvironmentVariableW(childVariable, std::wstring(mailbox.getName().begin(),
                                                                    mailbox.getName().end()).c_str()));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION child{};
    const BOOL started = CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                        &startup, &child);
    SetEnvironmentVariableW(childVariable, nullptr);
    ASSERT_TRUE(started) << GetLastError();

    const auto seen = mailbox_exchange::readAll(mailbox, mailbox_exchange::expected().size());
    EXPECT_EQ(WaitForSingleObject(child.hProcess, 60000), WAIT_OBJECT_0);
    DWORD code = 1;
    GetExitCodeProcess(child.hProcess, &code);
    CloseHandle(child.hThread);
    CloseHandle(child.hProcess);
    EXPECT_EQ(code, 0u);
    EXPECT_EQ(seen, mailbox_exchange::expected());

    Bar bar;
    progress::OperationSequence sequence(mailbox, progress::installationChunks(), bar);
    for (const ipc::Operation& op : seen) sequence.process(op);
    EXPECT_TRUE(sequence.isFinished());
    EXPECT_TRUE(bar.finished());
}

TEST(IpcWine, TimerDrivenChunkMovesTheBar) {
    const auto mailbox = ipc::SharedMemoryUnsafe::createUnique();
    Bar bar;
    progress::OperationSequence sequence(mailbox, progress::installationChunks(), bar, 10, 10);
    ipc::OperationMailbox(mailbox).post(7);  // the last chunk lasts 5 s: 963 to finished
    sequence.poll();
    EXPECT_TRUE(sequence.timerRunning());
    Sleep(300);
    EXPECT_GE(bar.getPosition(), 963u);
    EXPECT_FALSE(bar.finished());
    sequence.process(ipc::Operation(7, ipc::Operation::Completed));
    EXPECT_TRUE(bar.finished());
    EXPECT_TRUE(sequence.isFinished());
}

}  // namespace
