#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "foundation/sys_info.h"
#include "foundation/zarn_environment.h"
#include "platform/sim/sim_machine.h"
#include "seed.h"
#include "support/error_of.h"

namespace {

std::string describe(const std::vector<InstalledProduct>& products) {
    std::string out;
    for (const auto& p : products) {
        out += p.prefix + ":" + p.versionText + "/" + std::to_string(p.architecture) + (p.isStatic ? "/static" : "") + " ";
    }
    return out;
}

class ZarnEnvironmentTest : public testing::Test {
public:
    sim::MachineScope sim;
};

TEST_F(ZarnEnvironmentTest, DetectionRows) {
    const struct {
        const char* name;
        std::vector<seed::Runtime> installed;
        std::uint32_t flags;
        const char* found;
    } rows[] = {
        {"nothing installed", {}, 51, ""},
        {"views in order, runtimes before kits",
         {{.name = "1.8.0_40", .view = seed::view64},
          {.name = "1.7.0_45", .view = seed::view32},
          {.name = "1.8.0_20", .view = seed::view32, .developmentKit = true}},
         51, "kobu:1.7.0_45/32 tulk:1.8.0_20/32/static kobu:1.8.0_40/64 "},
        {"runtimes of the 64-bit view only", {{.name = "1.8.0_40"}, {.name = "1.7.0_45", .view = seed::view32}}, 33,
         "kobu:1.8.0_40/64 "},
        {"short names are ignored", {{.name = "1.8"}, {.name = "abc"}, {.name = "1.8.0_40"}}, 33, "kobu:1.8.0_40/64 "},
        {"full version replaces the name", {{.name = "1.8.0_40", .fullVersion = "1.8.0_40-b26"}}, 33,
         "kobu:1.8.0_40-b26/64 "},
        {"empty full version keeps the name", {{.name = "1.8.0_40", .fullVersion = ""}}, 33, "kobu:1.8.0_40/64 "},
        {"mode s in any case is static", {{.name = "1.8.0_40", .mode = "s"}, {.name = "1.8.0_31", .mode = "S"}}, 33,
         "kobu:1.8.0_31/64/static kobu:1.8.0_40/64/static "},
        {"other modes are not static", {{.name = "1.8.0_40", .mode = "x"}}, 33, "kobu:1.8.0_40/64 "},
        {"entry without a home is skipped", {{.name = "1.8.0_40", .withHome = false}, {.name = "1.8.0_31"}}, 33,
         "kobu:1.8.0_31/64 "},
        {"name that does not parse is skipped", {{.name = "latest"}, {.name = "1.8.0_31"}}, 33, "kobu:1.8.0_31/64 "},
    };
    for (const auto& row : rows) {
        sim::MachineScope scope;
        for (const auto& r : row.installed) seed::runtime(r);
        EXPECT_EQ(describe(ZarnEnvironment::detect(row.flags)), row.found) << row.name;
    }
}

TEST_F(ZarnEnvironmentTest, UnreadableEntryIsLoggedAtTheDetectionSite) {
    seed::runtime({.name = "1.8.0_40", .withHome = false});
    EXPECT_TRUE(ZarnEnvironment::detect(33).empty());
    EXPECT_NE(sim.log().find("(ZarnEnvironment::detectZarn)]\n\tERROR: Exception with message '"), std::string::npos);
}

TEST_F(ZarnEnvironmentTest, ThirtyTwoBitSystemHasNoSixtyFourBitView) {
    sim->system().settings().nativeArchitecture = platform::arch::x86;
    SysInfo::initialize();
    seed::runtime({.name = "1.8.0_40", .view = seed::view64});
    EXPECT_TRUE(ZarnEnvironment::detect(33).empty());
}

TEST_F(ZarnEnvironmentTest, InstalledKobuKnowsOnlyTwoArchitectures) {
    EXPECT_NE(test_support::errorOf([] { ZarnEnvironment::installedKobu(16); }).find("unexpected arch: 16"),
              std::string::npos);
}

TEST_F(ZarnEnvironmentTest, LatestAndFind) {
    seed::runtime({.name = "1.8.0_40", .view = seed::view64});
    seed::runtime({.name = "1.8.0_40", .view = seed::view32});
    seed::runtime({.name = "1.8.0_5", .view = seed::view32});
    const auto all = ZarnEnvironment::detect(49);
    const auto latest = ZarnEnvironment::latest(all);
    ASSERT_TRUE(latest);
    EXPECT_EQ(latest->architecture, 32) << "of equal versions the smaller architecture counts as newer";
    EXPECT_FALSE(ZarnEnvironment::latest({}));
    EXPECT_EQ(ZarnEnvironment::findByVersion(all, "1.8.0_05")->versionText, "1.8.0_5");
    EXPECT_FALSE(ZarnEnvironment::findByVersion(all, "1.8.0_41"));
    EXPECT_EQ(ZarnEnvironment::latestInstalledKobu(64)->versionText, "1.8.0_40");

    seed::runtime({.name = "1.8.0_45", .fullVersion = "1.8.0_45-b15"});
    const auto withBuild = ZarnEnvironment::detect(49);
    EXPECT_EQ(ZarnEnvironment::findByVersion(withBuild, "1.8.0_45")->versionText, "1.8.0_45-b15") << "any build";
    EXPECT_TRUE(ZarnEnvironment::findByVersion(withBuild, "1.8.0_45-b15"));
    EXPECT_FALSE(ZarnEnvironment::findByVersion(withBuild, "1.8.0_45-b14"));
}

}  // namespace
