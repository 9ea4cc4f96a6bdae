// The removal report of the install ping.
#include "scrub/scrub_ping_data.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>

#include "platform/sim/sim_machine.h"

namespace zscrub {
namespace {

ScrubVersion runtime(const char* version, std::uint32_t bitness) {
    return ScrubVersion{ZarnVersion(version), bitness, ScrubVersion::created};
}

const ScrubVersion current = runtime("1.8.0_45", 64);
const ScrubVersion v16 = runtime("1.6.0_45", 32);
const ScrubVersion v1745 = runtime("1.7.0_45-b18", 64);
const ScrubVersion v1751 = runtime("1.7.0_51", 64);
const std::vector<ScrubVersion> installed = {v16, current, v1745, v1751};

TEST(ScrubPingDataTest, RemovalListRows) {
    const struct {
        const char* name;
        std::vector<ScrubVersion> installed;
        std::function<void(ZarnScrubPingData&)> run;
        const char* list;
    } rows[] = {
        {"no other runtime", {current}, [](ZarnScrubPingData&) {}, ""},
        {"deployment rule set", installed, [](ZarnScrubPingData& d) { d.setIsDRS(true); }, "uninstaller~ua102~XX"},
        {"one uninstalled, one kept", installed,
         [](ZarnScrubPingData& d) {
             d.addKeptVersion(v16);
             d.addUninstalledVersion(v1745, 0);
         },
         "unkobu~-22~1.7.0_51:64;unkobu~-20~1.6.0_45:32;unkobu~0~1.7.0_45:64;uninstaller~ua100~XX"},
        {"the uninstall failed", installed,
         [](ZarnScrubPingData& d) {
             d.addKeptVersion(v16);
             d.addUninstalledVersion(v1745, 1605);
         },
         "unkobu~-22~1.7.0_51:64;unkobu~-20~1.6.0_45:32;unkobu~1605~1.7.0_45:64;uninstaller~ua500~XX"},
        {"a reboot is not a plain success", installed,
         [](ZarnScrubPingData& d) { d.addUninstalledVersion(v1745, 3010); },
         "unkobu~-22~1.6.0_45:32;unkobu~-22~1.7.0_51:64;unkobu~3010~1.7.0_45:64;uninstaller~ua500~XX"},
        {"the user closed the first page", installed,
         [](ZarnScrubPingData& d) {
             d.addKeptVersion(v16);
             d.addKeptVersion(v1745);
             d.setIsIgnoredByUser(true);
         },
         "unkobu~-22~1.7.0_51:64;unkobu~-20~1.6.0_45:32;unkobu~-20~1.7.0_45:64;uninstaller~ua101~XX"},
        {"everything up to date", installed, [](ZarnScrubPingData&) {},
         "unkobu~-22~1.6.0_45:32;unkobu~-22~1.7.0_45:64;unkobu~-22~1.7.0_51:64;uninstaller~ua100~XX"},
    };
    for (const auto& row : rows) {
        sim::MachineScope sim;
        ZarnScrubPingData data(row.installed, current);
        row.run(data);
        EXPECT_EQ(data.createUninstallPing(), row.list) << row.name;
    }
}

TEST(ScrubPingDataTest, LogLines) {
    sim::MachineScope sim;
    ZarnScrubPingData data(installed, current);
    data.addKeptVersion(v16);
    data.addUninstalledVersion(v1745, 0);
    data.createUninstallPing();
    const std::string log = sim.log();
    for (const char* line : {"ZarnScrubPingData: excluding current version Zarn 8 Update 45 (64-bit)\n",
                             "ZarnScrubPingData: Adding available Version: Zarn(TM) 6 Update 45\n",
                             "ZarnScrubPingData: Adding kept Version: Zarn(TM) 6 Update 45\n",
                             "ZarnScrubPingData: Adding Uninstall result for Version: Zarn 7 Update 45 (64-bit); "
                             "exitCode is 0\n",
                             "ZarnScrubPingData: Adding secure Version: Zarn 7 Update 51 (64-bit)\n", "1: 1\n",
                             "Some KOBUs were uninstalled\n"}) {
        EXPECT_THAT(log, testing::HasSubstr(line));
    }
}

}  // namespace
}  // namespace zscrub
