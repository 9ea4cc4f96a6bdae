// The metrics store on the simulated registry: the counters of a run, the visitor id, the offered
// count, the browsers present and the newest runtime.
#include "metrics/update_conf.h"

#include <gtest/gtest.h>

#include <optional>

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

/// The stored counters a row starts from; absent values are not written.
struct Stored {
    std::optional<std::uint32_t> machineCount, installAttempts, updateCount;
    const char* newKobuVersion = nullptr;
    const char* kobuVersion = nullptr;
};

TEST(UpdateConfTest, CountersOfARun) {
    constexpr std::nullopt_t none = std::nullopt;
    const struct {
        const char* name;
        Stored before;
        int result;
        MetricsTexts texts;
        std::optional<std::uint32_t> attemptsAfter;
        std::optional<std::uint32_t> updatesAfter;
    } rows[] = {
        {"first success on a clean machine", {}, 0, {"false", "1", "0"}, none, 0},
        {"second failed attempt, counted machine", {1, 1, {}, thisBuild}, 1603, {"YY", "2", "0"}, 2, none},
        {"second failed attempt, uncounted machine", {{}, 1, {}, thisBuild}, 1603, {"ZZ", "2", "0"}, 2, none},
        {"failed attempts at another build restart", {{}, 4, {}, "1.8.0_40-b26"}, 1603, {"ZZ", "1", "0"}, 1, none},
        {"an unreadable stored build is another", {{}, 4, {}, "garbage"}, 1603, {"ZZ", "1", "0"}, 1, none},
        {"same build installed again", {1, 1, 3, thisBuild, thisBuild}, 0, {"true", "2", "3"}, none, 3},
        {"a newer build raises the count", {1, {}, 3, nullptr, "1.8.0_40-b26"}, 0, {"true", "1", "4"}, none, 4},
        {"the same build existed: only attempts go", {{}, 2, {}, thisBuild}, -128, {"ZZ", "3", "0"}, none, none},
    };
    for (const auto& row : rows) {
        sim::MachineScope sim;
        const Stored& b = row.before;
        if (b.machineCount || b.installAttempts || b.updateCount || b.kobuVersion) {  // a clean machine has no key
            auto key = metrics();
            if (b.machineCount) key.setDwordValue("MachineCount", *b.machineCount);
            if (b.installAttempts) key.setDwordValue("InstallAttempts", *b.installAttempts);
            if (b.updateCount) key.setDwordValue("UpdateCount", *b.updateCount);
            if (b.newKobuVersion) key.setStringValue("NewKobuVersion", b.newKobuVersion);
            if (b.kobuVersion) key.setStringValue("KobuVersion", b.kobuVersion);
        }
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
