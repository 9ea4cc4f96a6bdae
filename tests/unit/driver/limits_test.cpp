// Inputs at and past their limits, through the whole run as the program binds it.
#include <gtest/gtest.h>

#include <string>

#include "driver/main_flow.h"
#include "driver/stand_ins.h"
#include "platform/sim/sim_machine.h"

namespace driver {
namespace {

constexpr const char* runtimeFile = "C:\\ProgramData\\Corvane\\Zarn\\zarn.settings.cfg";

// A runtime configuration file of 10 MB is refused as too large: a configuration error, and the file
// is left exactly as it was.
TEST(LimitsTest, HugeRuntimeConfigurationFileIsAConfigurationError) {
    sim::MachineScope scope;
    scope->system().settings().commandLine = u"\"C:\\Users\\test\\Downloads\\kobuoffline.exe\" /s";
    std::string huge;
    while (huge.size() < 10 * 1024 * 1024) huge += "EULA=Enable\r\n";
    scope->fileSystem().makeDirectories("C:\\ProgramData\\Corvane\\Zarn");
    scope->fileSystem().writeAll(runtimeFile, huge);
    EXPECT_EQ(RunInstaller(productionPhases(), "/s"), -80);
    EXPECT_NE(scope.log().find("Runtime configuration file import failed with 315"), std::string::npos) << scope.log();
    EXPECT_EQ(scope->fileSystem().readAll(runtimeFile), huge);
    EXPECT_TRUE(scope->installer().installs().empty());
}

}  // namespace
}  // namespace driver
