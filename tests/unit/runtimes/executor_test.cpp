#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>

#include "foundation/executor.h"
#include "platform/sim/sim_machine.h"
#include "platform/win_errors.h"
#include "support/error_of.h"

namespace {

namespace err = platform::err;

constexpr const char* cmd = "C:\\Windows\\system32\\cmd.exe";
constexpr const char* ping = "C:\\Windows\\system32\\ping.exe";

class ExecutorTest : public testing::Test {
public:
    bool logged(const std::string& text) { return sim.log().find(text) != std::string::npos; }
    sim::MachineScope sim;
};

TEST_F(ExecutorTest, CommandLineRows) {
    const struct {
        const char* name;
        const char* application;
        const char* args;
        const char* expected;
    } rows[] = {
        {"blank arguments", "C:\\a.exe", " \t ", ""},
        {"padded arguments", "C:\\a.exe", "  /q /x  ", " /q /x"},
        {"arguments starting with the path", "C:\\a.exe", "C:\\a.exe /q", " /q"},
        {"arguments starting with the quoted path", "C:\\a b.exe", "\"C:\\a b.exe\" /q", "\"C:\\a b.exe\" /q"},
        {"path later in the arguments", "C:\\a.exe", "/run C:\\a.exe", " /run C:\\a.exe"},
        {"quote without the path behind it", "C:\\a.exe", "\"x\" C:\\a.exe", " \"x\" C:\\a.exe"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(Executor::commandLineFor(row.application, row.args), row.expected) << row.name;
    }
}

TEST_F(ExecutorTest, ApplicationPathRows) {
    const struct {
        const char* name;
        const char* given;
        const char* kept;
    } rows[] = {
        {"padded with blanks and tabs", " \tC:\\a.exe\t ", "C:\\a.exe"},
        {"quoted and padded", "  \"C:\\Program Files\\a.exe\" ", "C:\\Program Files\\a.exe"},
        {"opening quote only", "\"C:\\a.exe", "\"C:\\a.exe"},
    };
    for (const auto& row : rows) EXPECT_EQ(Executor(row.given).applicationPath(), row.kept) << row.name;

    EXPECT_NE(test_support::errorOf([] { Executor(" \t "); }).find("applicationPath is empty"), std::string::npos);
    EXPECT_TRUE(logged("ERROR: Executor: applicationPath is empty"));
}

TEST_F(ExecutorTest, EntryPointResultRows) {
    const struct {
        const char* name;
        std::function<std::uint32_t()> call;
        std::uint32_t expected;
        const char* line;
        const char* fault = nullptr;  // the step that fails with `expected`
    } rows[] = {
        {"waited child gives its exit code", [] { return ExecProcessWaitForFinish(cmd, "/c exit 7"); }, 7,
         "Executor.finishExecution(): ExitCode = 7"},
        {"started child without waiting gives 0", [] { return ExecProcess(cmd, "/c exit 7"); }, 0,
         "Executor.exec():  /c exit 7"},
        {"message loop gives the exit code", [] { return ExecProcessWithAtlMessageLoop(cmd, "/c exit 3"); }, 3,
         "Executor.finishExecution(): ExitCode = 3"},
        {"missing program is a system error, not 1627",
         [] { return ExecProcessWaitForFinish("C:\\missing.exe", "/x"); }, err::fileNotFound,
         "Executor.exec(): CreateProcess failed with system error 2"},
        {"empty path is 1627", [] { return ExecProcessWaitForFinish("", "/x"); }, 1627,
         "ExecutorError in Executor::ExecProcessWaitForFinish "},
        {"empty path without waiting is 1627", [] { return ExecProcess("  ", "/x"); }, 1627,
         "ExecutorError in Executor::ExecProcess "},
        {"empty path with the message loop is 1627", [] { return ExecProcessWithAtlMessageLoop("", ""); }, 1627,
         "ExecutorError in Executor::ExecProcessWithAtlMessageLoop "},
        {"start refused", [] { return ExecProcessWaitForFinish(cmd, "/c exit 0"); }, err::accessDenied,
         "CreateProcess failed with system error 5", "Processes.createProcess"},
        {"exit code unreadable", [] { return ExecProcessWaitForFinish(cmd, "/c exit 0"); }, err::invalidHandle,
         "Executor.finishExecution(): GetExitCodeProcess() failed with system error 6", "Processes.exitCodeProcess"},
    };
    for (const auto& row : rows) {
        if (row.fault) sim->faults().fail(row.fault, row.expected);
        EXPECT_EQ(row.call(), row.expected) << row.name;
        EXPECT_TRUE(logged(row.line)) << row.name;
    }
    EXPECT_EQ(sim->handles().size(), 0u) << "every process and thread handle is closed";
}

TEST_F(ExecutorTest, WaitThatTimesOutTerminatesTheChildAndGives258) {
    Executor executor(ping);
    executor.setArgs("-n 30 127.0.0.1").setWait(true).setTimeout(50);
    EXPECT_EQ(executor.exec(), 258u);
    EXPECT_TRUE(logged("Executor.finishExecution(): WaitForSingleObject exited with code 258"));
    EXPECT_TRUE(logged("Executor.finishExecution(): The timeout is elapsed. Terminating Process."));
    EXPECT_EQ(sim->handles().size(), 0u);
}

TEST_F(ExecutorTest, HiddenChildGetsNoWindowAndTheLoopEndsWithTheChild) {
    EXPECT_EQ(ExecProcessWaitForFinish(cmd, "/c exit 0", 1), 0u);
    EXPECT_EQ(ExecProcessWaitForFinish(cmd, "/c exit 0", 0), 0u);
    const auto started = sim->processes().started();
    ASSERT_EQ(started.size(), 2u);
    EXPECT_EQ(started[0].creationFlags, platform::proc::createNoWindow);
    EXPECT_EQ(started[0].startup.flags, platform::proc::startfUseShowWindow);
    EXPECT_EQ(started[0].startup.showWindow, platform::proc::swHide);
    EXPECT_EQ(started[1].creationFlags, 0u);
    EXPECT_EQ(started[1].startup.flags, 0u);

    // The message loop stops pumping once the child has ended.
    sim->processes().postMessages(5);
    EXPECT_EQ(ExecProcessWithAtlMessageLoop(cmd, "/c exit 0"), 0u);
    EXPECT_EQ(sim->processes().dispatchedMessages(), 1);
}

class DesktopUserTest : public ExecutorTest {
public:
    static constexpr const char* link = "C:\\ProgramData\\Corvane\\tmpinstall\\zarntmp.lnk";
    static constexpr const char* explorer = "C:\\Windows\\explorer.exe";

    /// The shell sees the link while it runs; a busy desktop shell exits with 1.
    void recordLinkAtStart() {
        sim->processes().install(explorer, sim::Program{[this](const sim::StartedProcess&) -> std::uint32_t {
                                                            linkSeen = sim->fileSystem().readAll(link).value_or("");
                                                            return 1;
                                                        },
                                                        std::nullopt});
    }
    std::string linkSeen;
};

TEST_F(DesktopUserTest, ShellOpensTheLinkAndNothingStaysBehind) {
    recordLinkAtStart();
    EXPECT_EQ(ExecProcessAsDesktopUser(" \"C:\\Program Files\\Browser\\b.exe\" ", "-new http://a.example"), 0u);
    EXPECT_EQ(linkSeen, "C:\\Program Files\\Browser\\b.exe\n-new http://a.example");
    ASSERT_EQ(sim->processes().commandLines(), std::vector<std::string>{std::string(" ") + link});
    EXPECT_EQ(sim->processes().started()[0].application, explorer);
    EXPECT_FALSE(sim->fileSystem().exists(link));
    EXPECT_FALSE(sim->fileSystem().exists("C:\\ProgramData\\Corvane\\tmpinstall"));

    // Under WOW64 the shell comes from the system directory.
    sim->system().settings().wow64 = true;
    sim->processes().install("C:\\Windows\\system32\\explorer.exe", sim::Program::exitingWith(0));
    EXPECT_EQ(ExecProcessAsDesktopUser("C:\\b.exe", ""), 0u);
    EXPECT_EQ(sim->processes().started().at(1).application, "C:\\Windows\\system32\\explorer.exe");
}

TEST_F(DesktopUserTest, FailureRows) {
    using Step = platform::ShellLinkStep;
    const struct {
        const char* name;
        std::optional<Step> linkStep;  // the shell link step that fails with `hresult`
        std::uint32_t hresult;
        const char* app;
        std::uint32_t expected;
        const char* line;
    } rows[] = {
        {"empty path", std::nullopt, 0, " ", 1627, "ExecProcessAsDesktopUser: appPath is empty"},
        {"link object unavailable", Step::createInstance, 0x80040154u, "C:\\b.exe", 0x80040154u,
         "CreateShortCutItem() - pZarnShortCutItem.CoCreateInstance call failed"},
        {"path refused", Step::setPath, 0x80070057u, "C:\\b.exe", err::invalidParameter,
         "ExecProcessAsDesktopUser: pZarnShortCutItem->SetPath(C:\\b.exe) call failed with"},
        {"link cannot be saved", Step::save, 0x80070005u, "C:\\b.exe", err::accessDenied,
         "ExecProcessAsDesktopUser failed to create temporary shortcut failed with system error 5"},
        {"shell cannot start", std::nullopt, err::accessDenied, "C:\\b.exe", err::accessDenied,
         "ExecProcessAsDesktopUser: Executor.exec() failed with system error 5"},
    };
    for (const auto& row : rows) {
        if (row.linkStep) {
            sim->processes().failShellLink(*row.linkStep, static_cast<std::int32_t>(row.hresult));
        } else if (row.hresult != 0) {
            sim->faults().fail("Processes.createProcess", row.hresult);
        }
        EXPECT_EQ(ExecProcessAsDesktopUser(row.app, "x"), row.expected) << row.name;
        EXPECT_TRUE(logged(row.line)) << row.name;
        EXPECT_FALSE(sim->fileSystem().exists("C:\\ProgramData\\Corvane\\tmpinstall")) << row.name;
        sim->faults().clear();
    }
}

}  // namespace
