// The latest-version document, the choice of out-of-date runtimes and the removal report of the ping.
#include "scrub/latest_version.h"
#include "scrub/scrub_ping_data.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>

#include "platform/sim/sim_machine.h"

namespace zscrub {
namespace {

ScrubVersion runtime(const char* version, std::uint32_t bitness = 64) {
    return ScrubVersion{ZarnVersion(version), bitness, ScrubVersion::created};
}

std::string family(const char* id, const char* inner) {
    return std::string("<family id=\"") + id + "\">" + inner + "</family>";
}

std::string document(const std::string& families) {
    return "<?xml version=\"1.0\"?><kobuVersions>" + families + "</kobuVersions>";
}

// "1.7.0_45:64+8" for each candidate: version, bitness and the range flag.
std::vector<std::string> describe(const std::vector<ScrubVersion>& candidates) {
    std::vector<std::string> out;
    for (const auto& c : candidates) {
        out.push_back(c.version.text() + ":" + std::to_string(c.bitness) +
                      ((c.flags & ScrubVersion::inRange) != 0 ? "+8" : ""));
    }
    return out;
}

const std::string family170 =
    family("1.7.0",
           "<latestVersion>1.7.0_60</latestVersion><baselineVersion>1.7.0_51</baselineVersion>"
           "<ranges><range><minVersion>1.7.0_10</minVersion><maxVersion>1.7.0_51</maxVersion>"
           "</range><range><minVersion>1.7.0_01</minVersion><maxVersion>1.7.0_99</maxVersion>"
           "</range></ranges>");

TEST(LatestVersionTest, CandidateRows) {
    const struct {
        const char* name;
        std::string families;
        std::vector<ScrubVersion> installed;
        std::vector<std::string> candidates;
    } rows[] = {
        {"below the baseline, within the first range", family170, {runtime("1.7.0_45")}, {"1.7.0_45:64+8"}},
        {"the baseline itself is up to date", family170, {runtime("1.7.0_51")}, {}},
        {"only the first range counts", family170, {runtime("1.7.0_05")}, {"1.7.0_05:64"}},
        {"no family, however old", family170, {runtime("1.6.0_45")}, {}},
        {"no ranges: min is the id, max the latest version",
         family("1.7.0", "<latestVersion>1.7.0_20</latestVersion><baselineVersion>1.7.0_51</baselineVersion>"),
         {runtime("1.7.0_20"), runtime("1.7.0_21")},
         {"1.7.0_20:64+8", "1.7.0_21:64"}},
        {"no ranges nor latest version: only the id is in range",
         family("1.7.0", "<baselineVersion>1.7.0_51</baselineVersion>"),
         {runtime("1.7.0"), runtime("1.7.0_01")},
         {"1.7.0:64+8", "1.7.0_01:64"}},
        {"the version being installed, of either bitness",
         family("1.8.0", "<baselineVersion>1.8.0_60</baselineVersion>"),
         {runtime("1.8.0_45", 32), runtime("1.8.0_45"), runtime("1.8.0_45-b15")},
         {"1.8.0_45-b15:64"}},
        {"a baseline with a build",
         family("1.7.0", "<baselineVersion>1.7.0_51-b13</baselineVersion>"),
         {runtime("1.7.0_51")},
         {"1.7.0_51:64"}},
        {"sorted whatever the detection order",
         family170 + family("1.6.0", "<baselineVersion>1.6.0_30</baselineVersion>"),
         {runtime("1.7.0_45"), runtime("1.6.0_20", 32), runtime("1.7.0_21")},
         {"1.6.0_20:32", "1.7.0_21:64+8", "1.7.0_45:64+8"}},
        {"a family without id or without children is skipped",
         "<family><baselineVersion>1.7.0_51</baselineVersion></family><family id=\"1.7.0\"/>",
         {runtime("1.7.0_45")},
         {}},
        {"a later family of the same id replaces the earlier",
         family170 + family("1.7.0", "<baselineVersion>1.7.0_40</baselineVersion>"),
         {runtime("1.7.0_45")},
         {}},
    };
    for (const auto& row : rows) {
        FamilyTable table;
        EXPECT_TRUE(parseLatestVersionXml(document(row.families), table)) << row.name;
        EXPECT_EQ(describe(outOfDateVersions(table, "1.8.0_45", row.installed)), row.candidates) << row.name;
    }
}

TEST(LatestVersionTest, UnusableDocuments) {
    const struct {
        const char* name;
        std::string text;
        bool parsed;
    } rows[] = {
        {"not XML", "no markup here <", false},
        {"no kobuVersions", "<versions>" + family170 + "</versions>", true},
        {"no family", "<kobuVersions><other/></kobuVersions>", true},
    };
    for (const auto& row : rows) {
        FamilyTable table;
        EXPECT_EQ(parseLatestVersionXml(row.text, table), row.parsed) << row.name;
        EXPECT_TRUE(table.empty()) << row.name;
    }
    FamilyTable table;
    EXPECT_THROW(parseLatestVersionXml(document(family("1.7.0", "<baselineVersion>1.7</baselineVersion>")), table),
                 std::runtime_error);
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
        {"one uninstalled, one kept", installed,
         [](ZarnScrubPingData& d) {
             d.addKeptVersion(v16);
             d.addUninstalledVersion(v1745, 0);
         },
         "unkobu~-22~1.7.0_51:64;unkobu~-20~1.6.0_45:32;unkobu~0~1.7.0_45:64;uninstaller~ua100~XX"},
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
