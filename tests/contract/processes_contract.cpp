#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "contract.h"
#include "foundation/auto_handle.h"
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

TEST(ProcessesContract, StartedChildEndsWithItsExitCodeAndAnUnusedIdOpensNone) {
    const struct {
        const char* name;
        std::string application;  // empty: the command line names the program, found on the path
        const char* commandLine;
        std::uint32_t flags;
        platform::StartupInfo startup;
        platform::ErrorCode started;
        std::uint32_t exitCode;
    } rows[] = {
        {"by its path", systemProgram("cmd.exe"), " /c exit 7", 0, {}, err::success, 7},
        {"found on the path, hidden", "", "cmd.exe /c exit 5", platform::proc::createNoWindow,
         {platform::proc::startfUseShowWindow, platform::proc::swHide}, err::success, 5},
        {"missing program", systemProgram("no-such-program-zarn.exe"), " /x", 0, {}, err::fileNotFound, 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Child child;
        ASSERT_EQ(child.start(row.application, row.commandLine, row.flags, row.startup), row.started);
        if (row.started != err::success) {
            EXPECT_EQ(child.info.process, platform::Handle::null);
            continue;
        }
        EXPECT_NE(child.info.processId, 0u);
        EXPECT_EQ(child.wait(kernel::infinite), kernel::waitObject0);
        EXPECT_EQ(child.exitCode(), row.exitCode);
        platform::ErrorCode error = 0;
        EXPECT_EQ(platform::machine().processes().msgWaitForObject(child.info.process, kernel::infinite,
                                                                   platform::proc::qsAllInput,
                                                                   platform::proc::mwmoInputAvailable, error),
                  kernel::waitObject0)
            << "waiting with messages sees the ended child";
        EXPECT_EQ(error, 0u);
        EXPECT_FALSE(platform::machine().processes().dispatchOneMessage());
    }
    // Process ids are multiples of four: this one names no process.
    AutoHandle opened;
    EXPECT_EQ(platform::machine().processes().openProcess(platform::proc::processTerminate, 0xFFFFFFF0u,
                                                          *opened.put()),
              err::invalidParameter);
}

bool listed(std::uint32_t processId) {
    std::vector<platform::ProcessEntry> running;
    EXPECT_EQ(platform::machine().processes().listProcesses(running), 0u);
    return std::find(running.begin(), running.end(),
                     platform::ProcessEntry{processId, contract::windowProgramName}) != running.end();
}

/// The process's top-level windows once it has shown its own: a started program needs a moment, and
/// Windows gives each of its windowed threads an input method window too, made while its first
/// window is, so the list is taken when it stays the same.
std::vector<platform::Window> windowsOf(std::uint32_t processId) {
    std::vector<platform::Window> previous;
    for (int tries = 0; tries < 200; ++tries) {
        std::vector<platform::Window> windows;
        EXPECT_EQ(platform::machine().desktop().topLevelWindows(processId, windows), 0u);
        if (!windows.empty() && windows == previous) return windows;
        previous = windows;
        platform::machine().kernel().sleep(50);
    }
    return previous;
}

TEST(ProcessWindowsContract, RunningProgramIsListedAndItsWindowsClosedOrItEnded) {
    enum class Ending { closeWindow, destroyWindowThenTerminate };
    struct Row {
        const char* name;
        Ending ending;
        std::uint32_t exitCode;
    };
    const Row rows[] = {
        {"WM_CLOSE ends it with its own code", Ending::closeWindow, contract::windowProgramExitCode},
        {"DestroyWindow from another process is refused", Ending::destroyWindowThenTerminate, 4},
    };
    auto& desktop = platform::machine().desktop();
    auto& processes = platform::machine().processes();
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Child child;
        const std::string program = contract::windowProgram();
        ASSERT_EQ(child.start(program, "\"" + program + "\""), 0u);
        const auto windows = windowsOf(child.info.processId);
        ASSERT_FALSE(windows.empty());
        EXPECT_TRUE(listed(child.info.processId));
        EXPECT_EQ(child.exitCode(), kernel::stillActive);

        AutoHandle opened;
        ASSERT_EQ(processes.openProcess(platform::proc::processTerminate | kernel::synchronize, child.info.processId,
                                        *opened.put()),
                  0u);
        switch (row.ending) {
        case Ending::closeWindow: {
            // Once the close of one window ends the program, its other windows are gone (1400).
            int delivered = 0;
            for (const auto window : windows) {
                const auto posted = desktop.postToWindow(window, platform::wm::close, 0, 0);
                EXPECT_TRUE(posted == 0u || (delivered > 0 && posted == err::invalidWindowHandle)) << posted;
                delivered += posted == 0u ? 1 : 0;
            }
            break;
        }
        case Ending::destroyWindowThenTerminate: {
            for (const auto window : windows) EXPECT_EQ(desktop.destroyWindow(window), err::accessDenied);
            std::vector<platform::Window> after;
            EXPECT_EQ(desktop.topLevelWindows(child.info.processId, after), 0u);
            EXPECT_EQ(after, windows);
            platform::ErrorCode error = 0;
            EXPECT_EQ(platform::machine().kernel().waitForSingleObject(opened.get(), 200, error), kernel::waitTimeout);
            EXPECT_EQ(processes.terminateProcess(opened.get(), row.exitCode), 0u);
            break;
        }
        }
        platform::ErrorCode error = 0;
        EXPECT_EQ(platform::machine().kernel().waitForSingleObject(opened.get(), 10000, error), kernel::waitObject0);
        EXPECT_EQ(child.exitCode(), row.exitCode);
        EXPECT_FALSE(listed(child.info.processId));
        for (const auto window : windows) {
            EXPECT_EQ(desktop.postToWindow(window, platform::wm::close, 0, 0), err::invalidWindowHandle);
        }
    }
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
