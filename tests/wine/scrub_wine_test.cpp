// Removing installed runtimes with the real msiexec: the product code worked out from the version must
// be the one the package was installed under, in its first form or after the countdown.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "support/wine_paths.h"
#include "support/wine_runtime_key.h"

#include "foundation/executor.h"
#include "foundation/logger.h"
#include "foundation/path.h"
#include "platform/win32/win32_machine.h"
#include "scrub/zarn_scrub.h"
#include "scrub/zcleaner.h"

namespace {

platform::win32::Win32Machine machine;
std::string packages;  // the directory holding the test packages, as Wine sees it

void install(const std::string& package, const std::string& version, REGSAM view = KEY_WOW64_64KEY) {
    std::string system;
    ASSERT_EQ(machine.system().systemDirectory(system), 0u);
    ASSERT_EQ(Executor::ExecProcessWaitForFinish(path::join(system, "msiexec.exe"),
                                                 "/i \"" + packages + "\\" + package + "\" /qn", 1),
              0u)
        << package;
    ASSERT_TRUE(runtimeKeyExists(version, view)) << version;
}

// The 32-bit and 64-bit copies of one version live side by side; each is removed by the code of its
// width alone.
TEST(ScrubWine, FormACodeRemovesTheRuntimeOfItsWidth) {
    install("runtime_1_7_0_45.msi", "1.7.0_45");
    install("runtime_1_7_0_45_x86.msi", "1.7.0_45", KEY_WOW64_32KEY);
    struct Row {
        bool is64;
        REGSAM view;
    };
    for (const Row row : {Row{false, KEY_WOW64_32KEY}, Row{true, KEY_WOW64_64KEY}}) {
        SCOPED_TRACE(row.is64 ? "64-bit" : "32-bit");
        EXPECT_TRUE(runtimeKeyExists("1.7.0_45", row.view));
        std::uint32_t exitCode = 1;
        EXPECT_TRUE(zscrub::ZarnScrub::uninstallKobuVersion("1.7.0_45", row.is64, &exitCode));
        EXPECT_EQ(exitCode, 0u);
        EXPECT_FALSE(runtimeKeyExists("1.7.0_45", row.view));
    }
}

TEST(ScrubWine, CountdownFindsAnOlderUpdateCode) {
    install("runtime_1_6_0_45_as_43.msi", "1.6.0_45");
    std::uint32_t exitCode = 1;
    EXPECT_TRUE(zscrub::ZCleaner::uninstallVersion("1.6.0_45", 64, exitCode));
    EXPECT_EQ(exitCode, 0u);
    EXPECT_FALSE(runtimeKeyExists("1.6.0_45"));
}

}  // namespace

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    platform::installMachine(&machine);
    startLogging();
    packages = windowsPathOfHost(argc > 1 ? argv[1] : ".");
    return RUN_ALL_TESTS();
}
