#include <gtest/gtest.h>

#include <string>

#include "contract.h"
#include "foundation/path.h"
#include "platform/win_errors.h"

namespace {

namespace kernel = platform::kernel;
namespace err = platform::err;

std::string systemProgram(const char* name) {
    std::string system;
    EXPECT_EQ(platform::machine().system().systemDirectory(system), 0u);
    return path::join(system, name);
}

/// A started child whose handles close with the scope.
struct Child {
    platform::ProcessInformation info;
    ~Child() {
        if (info.process != platform::Handle::null) platform::machine().kernel().closeHandle(info.process);
        if (info.thread != platform::Handle::null) platform::machine().kernel().closeHandle(info.thread);
    }
    platform::ErrorCode start(const std::string& application, const std::string& commandLine,
                              std::uint32_t flags = 0, platform::StartupInfo startup = {}) {
        return platform::machine().processes().createProcess(application, commandLine, flags, startup, info);
    }
    std::uint32_t wait(std::uint32_t ms) {
        platform::ErrorCode error = 0;
        return platform::machine().kernel().waitForSingleObject(info.process, ms, error);
    }
    std::uint32_t exitCode() {
        std::uint32_t code = 0;
        EXPECT_EQ(platform::machine().processes().exitCodeProcess(info.process, code), 0u);
        return code;
    }
};

TEST(ProcessesContract, ChildExitCodeReachesTheParent) {
    Child child;
    ASSERT_EQ(child.start(systemProgram("cmd.exe"), " /c exit 7"), 0u);
    EXPECT_NE(child.info.processId, 0u);
    EXPECT_EQ(child.wait(kernel::infinite), kernel::waitObject0);
    EXPECT_EQ(child.exitCode(), 7u);
}

TEST(ProcessesContract, ProgramNamedByTheCommandLineIsFoundOnThePath) {
    Child child;
    ASSERT_EQ(child.start("", "cmd.exe /c exit 5", platform::proc::createNoWindow,
                          {platform::proc::startfUseShowWindow, platform::proc::swHide}),
              0u);
    EXPECT_EQ(child.wait(kernel::infinite), kernel::waitObject0);
    EXPECT_EQ(child.exitCode(), 5u);
}

TEST(ProcessesContract, MissingProgramIsFileNotFound) {
    Child child;
    EXPECT_EQ(child.start(systemProgram("no-such-program-zarn.exe"), " /x"), err::fileNotFound);
    EXPECT_EQ(child.info.process, platform::Handle::null);
}

TEST(ProcessesContract, BusyChildTimesOutAndEndsWhenTerminated) {
    Child child;
    ASSERT_EQ(child.start(systemProgram("ping.exe"), " -n 30 127.0.0.1", platform::proc::createNoWindow), 0u);
    EXPECT_EQ(child.exitCode(), kernel::stillActive);
    EXPECT_EQ(child.wait(200), kernel::waitTimeout);
    EXPECT_EQ(platform::machine().processes().terminateProcess(child.info.process, 1), 0u);
    EXPECT_EQ(child.wait(10000), kernel::waitObject0);
    EXPECT_EQ(child.exitCode(), 1u);
}

TEST(ProcessesContract, WaitingWithMessagesSeesTheEndedChild) {
    Child child;
    ASSERT_EQ(child.start(systemProgram("cmd.exe"), " /c exit 0"), 0u);
    ASSERT_EQ(child.wait(kernel::infinite), kernel::waitObject0);
    platform::ErrorCode error = 0;
    EXPECT_EQ(platform::machine().processes().msgWaitForObject(child.info.process, kernel::infinite,
                                                               platform::proc::qsAllInput,
                                                               platform::proc::mwmoInputAvailable, error),
              kernel::waitObject0);
    EXPECT_EQ(error, 0u);
    EXPECT_FALSE(platform::machine().processes().dispatchOneMessage());
}

TEST(ProcessesContract, ShellLinkIsSavedWhereAsked) {
    const std::string directory = contract::freshDirectory("links");
    const std::string link = path::join(directory, "contract.lnk");
    platform::ShellLinkStep failed = platform::ShellLinkStep::createInstance;
    EXPECT_EQ(platform::machine().processes().createShellLink(systemProgram("cmd.exe"), "/c exit 3", link, failed),
              0);
    EXPECT_EQ(failed, platform::ShellLinkStep::none);
    std::uint32_t attributes = 0;
    EXPECT_EQ(platform::machine().fileSystem().getFileAttributes(link, attributes), 0u);
    EXPECT_EQ(platform::machine().fileSystem().deleteFile(link), 0u);

    const std::string nowhere = path::join(directory, "missing\\contract.lnk");
    EXPECT_LT(platform::machine().processes().createShellLink(systemProgram("cmd.exe"), "", nowhere, failed), 0);
    EXPECT_EQ(failed, platform::ShellLinkStep::save);
}

}  // namespace
