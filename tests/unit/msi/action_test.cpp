#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

#include "foundation/errors.h"
#include "ipc/operation_mailbox.h"
#include "msi/action.h"
#include "msi/install_callback.h"
#include "msi/msi_error.h"
#include "platform/sim/sim_machine.h"
#include "platform/win_errors.h"

namespace {

using testing::HasSubstr;

constexpr const char* packagePath = "C:\\Users\\test\\AppData\\LocalLow\\Mendara\\kobu.msi";

struct Recorded {
    std::uint32_t type;
    std::uint32_t flags;
    std::string text;
    friend bool operator==(const Recorded&, const Recorded&) = default;
};

class RecordingCallback final : public msi::Callback {
public:
    void handleMessage(std::uint32_t type, std::uint32_t flags, const std::string& text) override {
        seen.push_back({type, flags, text});
        if (throws) throw std::runtime_error("handler broke");
    }
    std::vector<Recorded> seen;
    bool throws = false;
};

class ActionTest : public testing::Test {
protected:
    msi::action<msi::install> makeAction(msi::Callback* callback = nullptr, std::string logFile = {}) {
        msi::action<msi::install> a;
        a.callback = callback;
        a.logFile = std::move(logFile);
        a.properties = {{"STATIC", "1"}};
        a.commandLine = " REBOOT=ReallySuppress ";
        a.uiLevel = platform::installui::none;
        a.packagePath = packagePath;
        return a;
    }

    void expectStateLeft() {
        auto& installer = sim->installer();
        EXPECT_EQ(installer.uiLevel(), sim::SimInstaller::defaultUiLevel);
        EXPECT_EQ(installer.logMode(), 0u);
        EXPECT_EQ(installer.logPath(), "");
        EXPECT_FALSE(installer.externalUiInstalled());
    }

    sim::MachineScope sim;
};

// Logging and the external handler are set for the call only, and only when asked for.
TEST_F(ActionTest, StateIsEnteredForTheCallAndLeftAfterIt) {
    sim->installer().addPackage(packagePath, {});
    RecordingCallback callback;
    for (const bool asked : {true, false}) {
        const std::string logFile = asked ? "C:\\Users\\test\\AppData\\Local\\Temp\\kobu.log" : "";
        makeAction(asked ? &callback : nullptr, logFile).execute();
        const auto run = sim->installer().installs().back();
        EXPECT_EQ(run.packagePath, packagePath);
        EXPECT_EQ(run.commandLine, "REBOOT=ReallySuppress STATIC=1");
        EXPECT_EQ(run.uiLevel, 2u);
        EXPECT_EQ(run.logMode, asked ? 0x1000u : 0u);
        EXPECT_EQ(run.logPath, logFile);
        EXPECT_EQ(run.externalUi, asked);
        EXPECT_EQ(run.filter, asked ? 0xFFFFFFFFu : 0u);
        expectStateLeft();
    }
    EXPECT_EQ(sim->faults().calls("Installer.setExternalUI"), 2) << "no handler installed, none removed";
}

TEST_F(ActionTest, StateIsLeftWhenTheInstallationFails) {
    struct Row {
        const char* name;
        platform::ErrorCode result;  // the package's own result
        platform::ErrorCode fault;   // injected into installProduct instead, when non-zero
    };
    const Row rows[] = {
        {"package fails", platform::err::installFailure, 0},
        {"call fails", 0, platform::err::installPackageOpenFailed},
    };
    for (const Row& row : rows) {
        sim->installer().addPackage(packagePath, {.result = row.result});
        if (row.fault != 0) sim->faults().fail("Installer.installProduct", row.fault);
        RecordingCallback callback;
        auto a = makeAction(&callback, "C:\\kobu.log");
        try {
            a.execute();
            ADD_FAILURE() << row.name << ": no error";
        } catch (const msi::Error& e) {
            EXPECT_EQ(e.code(), row.fault != 0 ? row.fault : row.result) << row.name;
            EXPECT_THAT(e.what(), HasSubstr("at msi::action<class msi::install>::execute(): MsiInstallProduct(" +
                                            std::string(packagePath) + ", REBOOT=ReallySuppress STATIC=1) failed"))
                << row.name;
        }
        expectStateLeft();
    }
}

TEST_F(ActionTest, StateCallsThatFailDoNotStopTheInstallation) {
    sim->installer().addPackage(packagePath, {});
    sim->faults().fail("Installer.setInternalUI", platform::err::invalidParameter);
    sim->faults().fail("Installer.enableLog", platform::err::invalidParameter);
    RecordingCallback callback;
    auto a = makeAction(&callback, "Q:\\nowhere\\kobu.log");
    EXPECT_NO_THROW(a.execute());
    EXPECT_EQ(sim->installer().installs().size(), 1u);
    EXPECT_EQ(sim->faults().calls("Installer.setInternalUI"), 1) << "a level never set is not restored";
    EXPECT_THAT(sim.log(), HasSubstr("MsiEnableLog failed with system error 87"));
    expectStateLeft();
}

TEST_F(ActionTest, MessagesReachTheCallbackSplitAndInUtf8) {
    sim->installer().addPackage(packagePath, {.messages = {{0x08000000u, u"Action 10:20:30: CostInitialize. Kosten"},
                                                           {0x0B000043u, u"Ordner \u00c4nderung"}}});
    RecordingCallback callback;
    makeAction(&callback).execute();
    const std::vector<Recorded> expected = {{0x08000000u, 0, "Action 10:20:30: CostInitialize. Kosten"},
                                            {0x0B000000u, 0x43, "Ordner \xC3\x84nderung"}};
    EXPECT_EQ(callback.seen, expected);
}

TEST_F(ActionTest, ACallbackThatThrowsIsLoggedAndTheInstallationGoesOn) {
    bool effectsRan = false;
    sim->installer().addPackage(packagePath, {.messages = {{0x08000000u, u"one"}, {0x08000000u, u"two"}},
                                              .effects = [&] { effectsRan = true; }});
    RecordingCallback callback;
    callback.throws = true;
    EXPECT_NO_THROW(makeAction(&callback).execute());
    EXPECT_EQ(callback.seen.size(), 2u);
    EXPECT_TRUE(effectsRan);
    EXPECT_THAT(sim.log(), HasSubstr("handler broke"));
}

TEST(Adapter, NullContextOrTextIsIgnored) {
    RecordingCallback callback;
    EXPECT_EQ(msi::CallbackTrigger::adapter(nullptr, 0x08000000u, u"x"), 0);
    EXPECT_EQ(msi::CallbackTrigger::adapter(&callback, 0x08000000u, nullptr), 0);
    EXPECT_TRUE(callback.seen.empty());
}

class ErrorTextTest : public testing::Test {
protected:
    sim::MachineScope sim;
};

TEST_F(ErrorTextTest, Rows) {
    struct Row {
        const char* name;
        bool library;
        std::uint32_t code;
        const char* text;
        std::string expected;
    };
    const Row rows[] = {
        {"1603 with the library", true, 1603, "MsiInstallProduct(C:\\p.msi, ) failed",
         "MsiInstallProduct(C:\\p.msi, ) failed. MSI error [1603](Fatal error during installation.)"},
        {"1603 without the library", false, 1603, "MsiInstallProduct(C:\\p.msi, ) failed",
         "MsiInstallProduct(C:\\p.msi, ) failed. MSI error [1603]"},
        {"code the library lacks", true, 1619, "failed", "failed. MSI error [1619]"},
        {"string id is the low 16 bits", true, 0x10000u + 1603, "failed",
         "failed. MSI error [67139](Fatal error during installation.)"},
    };
    sim->resources().addString(1033, 1603, "Fatal error during installation.");
    for (const Row& row : rows) {
        sim->system().settings().libraries.clear();
        if (row.library) sim->system().settings().libraries[msi::messageLibrary] = {};
        EXPECT_EQ(msi::makeMessage(row.text, row.code), row.expected) << row.name;
        EXPECT_EQ(sim->system().loadedLibraries(), 0u) << row.name << ": the library is freed";
    }
    EXPECT_THAT(sim.log(), HasSubstr("LoadLibraryExW(msimsg.dll) failed with system error 126"));
}

struct CommandLineRow {
    const char* name;
    std::string base;
    std::map<std::string, std::string> properties;
    std::string expected;
};

TEST(CommandLine, Rows) {
    const CommandLineRow rows[] = {
        {"blank base, no properties", " \t ", {}, ""},
        {"base trimmed at both ends", "  \tREBOOT=ReallySuppress /l*v x \t ", {}, "REBOOT=ReallySuppress /l*v x"},
        {"value with a blank enclosed", "", {{"DIR", "C:\\Program Files\\Zarn"}}, "DIR=\"C:\\Program Files\\Zarn\""},
        {"value with a tab enclosed", "", {{"A", "x\ty"}}, "A=\"x\ty\""},
        {"empty value as two quotes", "", {{"A", ""}}, "A=\"\""},
        {"quote doubled, not enclosed", "", {{"A", "say\"x"}}, "A=say\"\"x"},
        {"quote doubled and enclosed with a blank", "", {{"A", "a \"b\""}}, "A=\"a \"\"b\"\"\""},
    };
    for (const CommandLineRow& row : rows) {
        EXPECT_EQ(msi::buildCommandLine(row.base, row.properties), row.expected) << row.name;
    }
}

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
        {"CreateFolders posts 3", actionStart, u"Action 10:20:30: CreateFolders. Creating folders", {3, Operation::Started}},
        {"name alone as third token", actionStart, u"Action 10:20:30: InstallInitialize.", {2, Operation::Started}},
        {"name without full stop", actionStart, u"Action 10:20:30: InstallInitialize", {}},
        {"two blanks after the first word", actionStart, u"Action  10:20:30: InstallInitialize. x", {}},
        {"name in other case", actionStart, u"Action 10:20:30: installinitialize. x", {}},
        {"fewer than three tokens", actionStart, u"Action InstallInitialize.", {}},
        {"not an action start", 0x04000000u, u"Action 10:20:30: InstallInitialize. x", {}},
    };
    for (const Row& row : rows) {
        mailbox.write(Operation());
        EXPECT_EQ(msi::CallbackTrigger::adapter(&callback, row.code, row.text), 0) << row.name;
        EXPECT_EQ(mailbox.read(), row.expected) << row.name;
    }
}

TEST_F(InstallCallbackTest, AMailboxFailureNeverReachesWindowsInstaller) {
    sim->faults().fail("Kernel.mapViewOfFile", platform::err::notEnoughMemory, -1);
    EXPECT_EQ(msi::CallbackTrigger::adapter(&callback, actionStart, u"Action 1: InstallInitialize. x"), 0);
    sim->faults().clear();
    EXPECT_EQ(mailbox.read(), Operation());
    EXPECT_THAT(sim.log(), testing::HasSubstr("ipc error"));
}

}  // namespace
