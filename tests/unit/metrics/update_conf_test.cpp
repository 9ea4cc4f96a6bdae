// The metrics store on the simulated registry: the counters of a run, the visitor id, the offered
// count, the browsers present and the newest runtime.
#include "metrics/update_conf.h"

#include <gtest/gtest.h>

#include <functional>

#include "foundation/registry_key.h"
#include "platform/registry.h"
#include "platform/sim/sim_machine.h"

namespace {

namespace reg = platform::reg;
using UpdateConf::MetricsTexts;

constexpr const char* metricsKey = "Software\\KobuMetrics";
constexpr const char* thisBuild = "1.8.0_45-b15";

/// The metrics key in the 32-bit view, where the update keeps the counters.
RegistryKey metrics(bool write = true) {
    RegistryKey key(reg::wow64_32Key);
    key.open(platform::RegKey::localMachine, metricsKey, write, write);
    return key;
}

std::optional<std::uint32_t> counter(const char* name) {
    try {
        return metrics(false).queryDwordValue(name);
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

std::optional<std::string> text(const char* name) {
    try {
        return metrics(false).queryStringValue(name);
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

TEST(UpdateConfTest, CountersOfARun) {
    const struct {
        const char* name;
        std::function<void()> before;
        int result;
        MetricsTexts texts;
        std::optional<std::uint32_t> attemptsAfter;
        std::optional<std::uint32_t> updatesAfter;
    } rows[] = {
        {"first success on a clean machine", [] {}, 0, {"false", "1", "0"}, std::nullopt, 0},
        {"second failed attempt of a counted machine",
         [] {
             auto key = metrics();
             key.setDwordValue("MachineCount", 1);
             key.setDwordValue("InstallAttempts", 1);
             key.setStringValue("NewKobuVersion", thisBuild);
         },
         1603,
         {"YY", "2", "0"},
         2,
         std::nullopt},
        {"second failed attempt of an uncounted machine",
         [] {
             auto key = metrics();
             key.setDwordValue("InstallAttempts", 1);
             key.setStringValue("NewKobuVersion", thisBuild);
         },
         1603,
         {"ZZ", "2", "0"},
         2,
         std::nullopt},
        {"failed attempts at another build start again",
         [] {
             auto key = metrics();
             key.setDwordValue("InstallAttempts", 4);
             key.setStringValue("NewKobuVersion", "1.8.0_40-b26");
         },
         1603,
         {"ZZ", "1", "0"},
         1,
         std::nullopt},
        {"an unreadable stored build counts as another",
         [] {
             auto key = metrics();
             key.setDwordValue("InstallAttempts", 4);
             key.setStringValue("NewKobuVersion", "garbage");
         },
         1603,
         {"ZZ", "1", "0"},
         1,
         std::nullopt},
        {"same build installed again",
         [] {
             auto key = metrics();
             key.setDwordValue("MachineCount", 1);
             key.setStringValue("KobuVersion", thisBuild);
             key.setDwordValue("UpdateCount", 3);
             key.setDwordValue("InstallAttempts", 1);
             key.setStringValue("NewKobuVersion", thisBuild);
         },
         0,
         {"true", "2", "3"},
         std::nullopt,
         3},
        {"a newer build raises the count",
         [] {
             auto key = metrics();
             key.setDwordValue("MachineCount", 1);
             key.setStringValue("KobuVersion", "1.8.0_40-b26");
             key.setDwordValue("UpdateCount", 3);
         },
         0,
         {"true", "1", "4"},
         std::nullopt,
         4},
        {"the same build existed: only the attempts go",
         [] {
             auto key = metrics();
             key.setDwordValue("InstallAttempts", 2);
             key.setStringValue("NewKobuVersion", thisBuild);
         },
         -128,
         {"ZZ", "3", "0"},
         std::nullopt,
         std::nullopt},
    };
    for (const auto& row : rows) {
        sim::MachineScope sim;
        row.before();
        const MetricsTexts texts = UpdateConf::GetUpdatedKobuMetrics(row.result);
        EXPECT_EQ(texts.machineCounted, row.texts.machineCounted) << row.name;
        EXPECT_EQ(texts.installAttempts, row.texts.installAttempts) << row.name;
        EXPECT_EQ(texts.updateCount, row.texts.updateCount) << row.name;
        EXPECT_EQ(counter("InstallAttempts"), row.attemptsAfter) << row.name;
        EXPECT_EQ(text("NewKobuVersion").has_value(), row.attemptsAfter.has_value()) << row.name;
        EXPECT_EQ(counter("UpdateCount"), row.updatesAfter) << row.name;
        if (row.result == 0) {
            EXPECT_EQ(counter("MachineCount"), 1u) << row.name;
            EXPECT_EQ(text("KobuVersion"), thisBuild) << row.name;
        }
        const std::string summary = "GetUpdatedKobuMetrics() - MachineCounted: " + row.texts.machineCounted +
                                    ", InstallAttempts: " + row.texts.installAttempts +
                                    ", UpdateCount: " + row.texts.updateCount + "\n";
        EXPECT_NE(sim.log().find("AllUtils:177 (logit)]\n\tINFO: " + summary), std::string::npos) << row.name;
    }
}

TEST(UpdateConfTest, CountersWithoutTheirKey) {
    sim::MachineScope sim;
    sim->faults().fail("Registry.createKey", 5);
    const MetricsTexts texts = UpdateConf::GetUpdatedKobuMetrics(0);
    EXPECT_EQ(texts.machineCounted, "XX");
    EXPECT_EQ(texts.installAttempts, "XX");
    EXPECT_EQ(texts.updateCount, "XX");
    EXPECT_NE(sim.log().find("\tINFO: GetUpdatedKobuMetrics() - RegCreateKeyEx failed: 5 Error Code: 5\n"),
              std::string::npos);
}

TEST(UpdateConfTest, VisitorId) {
    EXPECT_EQ(UpdateConf::MakeVisitorId(0x1A2B, 0x5F00, 0x10), "1a2b5f00-10ffffff");
    EXPECT_EQ(UpdateConf::MakeVisitorId(0x12345678, 0x6789ABCD, 0x1F4), "123456786-789abcd1f4");

    sim::MachineScope sim;
    sim->system().settings().fixedSecondsSince1970 = 0x5F00;
    UpdateConf::WritePolicyValue("VisitorId", "short-id");
    const std::string made = UpdateConf::GetVisitorId();
    EXPECT_NE(made, "short-id") << "fewer than 16 bytes are replaced";
    EXPECT_EQ(made.size(), 17u);
    EXPECT_EQ(UpdateConf::ReadPolicyValue("VisitorId", 32), made);
    EXPECT_EQ(UpdateConf::GetVisitorId(), made) << "kept once it is long enough";
}

TEST(UpdateConfTest, PolicyValues) {
    sim::MachineScope sim;
    EXPECT_EQ(UpdateConf::ReadPolicyValue("Country", 8), std::nullopt);
    EXPECT_TRUE(UpdateConf::WritePolicyValue("Country", "DE"));
    EXPECT_EQ(UpdateConf::ReadPolicyValue("Country", 8), "DE");
    EXPECT_TRUE(UpdateConf::WritePolicyValue("Country", "DEU"));
    EXPECT_EQ(UpdateConf::ReadPolicyValue("Country", 2), std::nullopt);
    EXPECT_NE(sim.log().find("\tINFO: RegQueryValueEx(Country): Error:234, ErrorCode:234\n"), std::string::npos);
    EXPECT_TRUE(UpdateConf::WritePolicyValue("Country", std::nullopt));
    EXPECT_EQ(UpdateConf::ReadPolicyValue("Country", 8), std::nullopt);
    EXPECT_FALSE(UpdateConf::WritePolicyValue("Country", std::nullopt)) << "nothing to delete";
}

TEST(UpdateConfTest, OfferedCountIsReadOnce) {
    sim::MachineScope sim;
    EXPECT_EQ(UpdateConf::GetOfferedCount(), -1);
    RegistryKey key;
    key.open(platform::RegKey::localMachine, metricsKey, true, true);
    key.setDwordValue("OfferedSPCnt", 7);
    EXPECT_EQ(UpdateConf::GetOfferedCount(), 7);
    EXPECT_EQ(UpdateConf::GetOfferedCount(), -1);
    key.setStringValue("OfferedSPCnt", "a text where a number belongs");
    EXPECT_EQ(UpdateConf::GetOfferedCount(), -2);
}

TEST(UpdateConfTest, BrowsersAndTheNewestRuntime) {
    sim::MachineScope sim;
    EXPECT_EQ(UpdateConf::BrowserPresence(), "B00000");
    EXPECT_EQ(UpdateConf::GetLatestKobuKey(), "");
    RegistryKey key;
    key.open(platform::RegKey::localMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\IEXPLORE.EXE",
             true, true);
    key.setStringValue("", "C:\\Program Files\\Internet Explorer\\iexplore.exe");
    key.open(platform::RegKey::localMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\chrome.exe",
             true, true);
    key.setStringValue("path", "C:\\Program Files\\Google\\Chrome\\Application");
    EXPECT_EQ(UpdateConf::BrowserPresence(), "B10100");

    for (const char* name : {"1.7.0_80", "1.8.0_40"}) {
        RegistryKey runtime(reg::wow64_64Key);
        runtime.open(platform::RegKey::localMachine,
                     std::string("SOFTWARE\\Mendara\\Zarn Runtime Environment\\") + name, true, true);
        runtime.setStringValue("ZarnHome", std::string("C:\\Program Files\\Zarn\\") + name);
    }
    EXPECT_EQ(UpdateConf::GetLatestKobuKey(), "1.8.0_40");
}

}  // namespace
