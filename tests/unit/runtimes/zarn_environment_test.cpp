#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "foundation/sys_info.h"
#include "foundation/zarn_environment.h"
#include "platform/sim/sim_machine.h"
#include "support/seed.h"

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
        bool x86 = false;
        const char* logged = "";
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
        {"entry without a home is skipped, logged where the detection catches it",
         {{.name = "1.8.0_40", .withHome = false}, {.name = "1.8.0_31"}}, 33, "kobu:1.8.0_31/64 ", false,
         "(ZarnEnvironment::detectZarn)]\n\tERROR: Exception with message '"},
        {"a 32-bit system has no 64-bit view", {{.name = "1.8.0_40"}}, 33, "", true},
    };
    for (const auto& row : rows) {
        sim::MachineScope scope;
        if (row.x86) scope->system().settings().nativeArchitecture = platform::arch::x86;
        SysInfo::initialize();
        for (const auto& r : row.installed) seed::runtime(r);
        EXPECT_EQ(describe(ZarnEnvironment::detect(row.flags)), row.found) << row.name;
        EXPECT_NE(scope.log().find(row.logged), std::string::npos) << row.name;
    }
}

TEST_F(ZarnEnvironmentTest, LatestAndFind) {
    seed::runtime({.name = "1.8.0_40", .view = seed::view64});
    seed::runtime({.name = "1.8.0_40", .view = seed::view32});
    seed::runtime({.name = "1.8.0_5", .view = seed::view32});
    const auto all = ZarnEnvironment::detect(49);
    const auto latest = ZarnEnvironment::latest(all);
    ASSERT_TRUE(latest);
    EXPECT_EQ(latest->architecture, 32) << "of equal versions the smaller architecture counts as newer";
    EXPECT_EQ(ZarnEnvironment::findByVersion(all, "1.8.0_05")->versionText, "1.8.0_5");
    EXPECT_FALSE(ZarnEnvironment::findByVersion(all, "1.8.0_41"));

    seed::runtime({.name = "1.8.0_45", .fullVersion = "1.8.0_45-b15"});
    const auto withBuild = ZarnEnvironment::detect(49);
    EXPECT_EQ(ZarnEnvironment::findByVersion(withBuild, "1.8.0_45")->versionText, "1.8.0_45-b15") << "any build";
    EXPECT_TRUE(ZarnEnvironment::findByVersion(withBuild, "1.8.0_45-b15"));
    EXPECT_FALSE(ZarnEnvironment::findByVersion(withBuild, "1.8.0_45-b14"));
}

}  // namespace
