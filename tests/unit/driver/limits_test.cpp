// Inputs at and past their limits, through the whole run as the program binds it.
#include <gtest/gtest.h>

#include <string>

#include "driver/main_flow.h"
#include "driver/production_phases.h"
#include "driver/startup_phase.h"
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

// From the start of the run, libraries are looked for in the system directory only; a system without
// the call still runs, and says so.
TEST(LimitsTest, LibrariesAreSearchedInTheSystemDirectoryOnly) {
    sim::MachineScope scope;
    MachineStartup().removeCurrentDirectoryFromDllSearch();
    EXPECT_EQ(scope->system().dllDirectory(), "");
    EXPECT_EQ(scope->system().defaultDllDirectories(), 0x800u);

    sim::MachineScope older;
    older->faults().fail("System.setDefaultDllDirectories", 127);
    MachineStartup().removeCurrentDirectoryFromDllSearch();
    EXPECT_EQ(older->system().dllDirectory(), "");
    EXPECT_NE(older.log().find("WARNING: SetDefaultDllDirectories failed with 127"), std::string::npos);
}

}  // namespace
}  // namespace driver
