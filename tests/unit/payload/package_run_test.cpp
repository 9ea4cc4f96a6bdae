#include <gtest/gtest.h>

#include "driver/mendara_registry.h"
#include "driver/package_run.h"
#include "platform/sim/sim_machine.h"

namespace driver {
namespace {

class PackageRunTest : public testing::Test {
protected:
    PackageRunTest() {
        action.packagePath = "C:\\pkg\\kobu1.8.0_45.msi";
        action.extraCommandLine = "AUTO_UPDATE=1 ";
        action.properties = {{"SKIPLICENSE", "1"}, {"INSTALLDIR", "C:\\Program Files\\Zarn\\"}};
    }
    sim::MachineScope sim;
    PackageAction action;
};

TEST_F(PackageRunTest, CommandLineOfTheRun) {
    EXPECT_EQ(ComposeCommandLine(action), "AUTO_UPDATE=1 INSTALLDIR=\"C:\\Program Files\\Zarn\\\" SKIPLICENSE=1");
    EXPECT_EQ(ComposeCommandLine(PackageAction{}), "");
}

TEST_F(PackageRunTest, OutcomesBecomeOneNumber) {
    const struct {
        const char* name;
        bool known;
        platform::ErrorCode result;
        int expected;
    } rows[] = {
        {"installed", true, 0, 0},
        {"Windows Installer failure keeps its code", true, 1603, 1603},
        {"reboot needed is still a failure", true, 3010, 3010},
        {"package Windows Installer cannot open", false, 0, 1619},
    };
    for (const auto& row : rows) {
        sim::MachineScope fresh;
        if (row.known) {
            sim::ScriptedPackage package;
            package.result = row.result;
            fresh->installer().addPackage(action.packagePath, package);
        }
        WritePolicyValue("PostStatusUrl", std::string("https://status.example/"));
        EXPECT_EQ(ExecCommand(action), row.expected) << row.name;
        EXPECT_FALSE(WritePolicyValue("PostStatusUrl", std::nullopt)) << row.name << ": deleted before the run";
        if (row.expected != 0) {
            EXPECT_NE(fresh.log().find("\tERROR: Exception with message '"), std::string::npos) << row.name;
        }
    }
}

}  // namespace
}  // namespace driver
