// The metrics store on the simulated registry (the counters of a run, the visitor id, the offered
// count, the browsers present and the newest runtime), the site rule, the country lookup and the file
// checksum.
#include <gtest/gtest.h>

#include <array>
#include <optional>

#include "foundation/registry_key.h"
#include "metrics/update_conf.h"
#include "metrics/update_utils.h"
#include "platform/registry.h"
#include "platform/sim/sim_machine.h"
#include "support/seed.h"

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
    EXPECT_EQ((std::array{texts.machineCounted, texts.installAttempts, texts.updateCount}),
              (std::array<std::string, 3>{"XX", "XX", "XX"}));
    EXPECT_NE(sim.log().find("\tINFO: GetUpdatedKobuMetrics() - RegCreateKeyEx failed: 5 Error Code: 5\n"),
              std::string::npos);
}

TEST(UpdateConfTest, VisitorIdAndPolicyValues) {
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

    EXPECT_TRUE(UpdateConf::WritePolicyValue("Country", "DEU"));
    EXPECT_EQ(UpdateConf::ReadPolicyValue("Country", 2), std::nullopt);
    EXPECT_NE(sim.log().find("\tINFO: RegQueryValueEx(Country): Error:234, ErrorCode:234\n"), std::string::npos);
}

TEST(UpdateConfTest, OfferedCountIsReadOnceBrowsersAndTheNewestRuntime) {
    sim::MachineScope sim;
    EXPECT_EQ(UpdateConf::GetOfferedCount(), -1);
    RegistryKey key;
    key.open(platform::RegKey::localMachine, metricsKey, true, true);
    key.setDwordValue("OfferedSPCnt", 7);
    EXPECT_EQ(UpdateConf::GetOfferedCount(), 7);
    EXPECT_EQ(UpdateConf::GetOfferedCount(), -1);
    key.setStringValue("OfferedSPCnt", "a text where a number belongs");
    EXPECT_EQ(UpdateConf::GetOfferedCount(), -2);

    EXPECT_EQ(UpdateConf::BrowserPresence(), "B00000");
    EXPECT_EQ(UpdateConf::GetLatestKobuKey(), "");
    key.open(platform::RegKey::localMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\IEXPLORE.EXE",
             true, true);
    key.setStringValue("", "C:\\Program Files\\Internet Explorer\\iexplore.exe");
    key.open(platform::RegKey::localMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\chrome.exe",
             true, true);
    key.setStringValue("path", "C:\\Program Files\\Google\\Chrome\\Application");
    EXPECT_EQ(UpdateConf::BrowserPresence(), "B10100");

    for (const char* name : {"1.7.0_80", "1.8.0_40"}) seed::runtime({name});
    EXPECT_EQ(UpdateConf::GetLatestKobuKey(), "1.8.0_40");
}

constexpr const char* lookup = "https://geo.zarn.example/country";

TEST(SiteRuleTest, OnlyTheProductsHostsAtALabelBoundary) {
    const struct {
        const char* url;
        bool allowed;
    } rows[] = {
        {"http://www.zarn.example/", true},
        {"https://metrics.mendara.example/b/ss", true},
        {"https://geo.zarn.example", true},
        // look-alikes
        {"https://www.evilzarn.example/", false},
        {"https://ping.notmendara.example/", false},
        {"https://zarn.example.evil.example/", false},
        {"https://evil.example/", false},
        // the exact domain
        {"https://zarn.example/", true},
        {"https://mendara.example/ping", true},
        // a port
        {"https://geo.zarn.example:8443/country", true},
        {"https://zarn.example:8443/", true},
        {"https://evilzarn.example:8443/", false},
        {"https://geo.zarn.example:84/country", false},
        // upper case
        {"HTTPS://GEO.ZARN.EXAMPLE/country", true},
        {"https://WWW.EVILZARN.EXAMPLE/", false},
        // the product's name in the path or the query, or before the real host
        {"https://evil.example/.zarn.example/", false},
        {"https://evil.example/?next=http://www.zarn.example/", false},
        {"https://evil.example?.zarn.example/", false},
        {"https://evil.example#.zarn.example/", false},
        {"https://www.zarn.example@evil.example/", false},
        {"https://evil.example\\.zarn.example/", false},
        // not a web address with a host
        {"dl.zarn.example/update/x.xml", false},
        {"ftp://dl.zarn.example/", false},
        {"https://.zarn.example/", false},
        {"", false},
    };
    for (const auto& row : rows) EXPECT_EQ(UpdateUtils::IsAllowedUrl(row.url), row.allowed) << row.url;
}

TEST(CountryTest, Rows) {
    const struct {
        const char* name;
        const char* stored;  // nullptr: none
        const char* header;  // nullptr: the lookup is not served
        const char* url;
        int result;
        const char* country;
        const char* storedAfter;
        std::size_t requests;
        const char* logged;
    } rows[] = {
        {"a stored value needs no request", "SE", "DE", lookup, 1, "SE", "SE", 0, ""},
        {"asked for and stored", nullptr, "DE", lookup, 1, "DE", "DE", 1, "\tINFO: Save Country Code DE after GetCountry()\n"},
        {"a stored value longer than two letters is replaced", "DEU", "AT", lookup, 1, "AT", "AT", 1, ""},
        {"a stored value shorter than two letters is replaced", "D", "AT", lookup, 1, "AT", "AT", 1, ""},
        {"an answer of three letters", nullptr, "DEU", lookup, 0, "YY", nullptr, 1, "Invalid country value : 'DEU'' caught"},
        {"not the product's site", nullptr, "DE", "https://evil.example/country", 0, "YY", nullptr, 0, ""},
        {"no answer", nullptr, nullptr, lookup, 0, "YY", nullptr, 1, ""},
    };
    for (const auto& row : rows) {
        sim::MachineScope sim;
        if (row.stored != nullptr) UpdateConf::WritePolicyValue("Country", row.stored);
        if (row.header != nullptr) {
            sim::SimResponse response;
            response.headers = {{"COUNTRY", row.header}};
            sim->internet().serve(lookup, response);
        }
        std::string country;
        EXPECT_EQ(UpdateUtils::GetCountry(row.url, country, false), row.result) << row.name;
        EXPECT_EQ(country, row.country) << row.name;
        EXPECT_EQ(UpdateConf::ReadPolicyValue("Country", 8),
                  row.storedAfter ? std::optional<std::string>(row.storedAfter) : std::nullopt)
            << row.name;
        const auto requests = sim->internet().requests();
        ASSERT_EQ(requests.size(), row.requests) << row.name;
        for (const auto& request : requests) {
            EXPECT_EQ(request.verb, "HEAD") << row.name;
            EXPECT_EQ(request.agent, "zucheck") << row.name;
        }
        EXPECT_NE(sim.log().find(row.logged), std::string::npos) << row.name;
    }
}

TEST(ChecksumTest, FailuresGiveNoDigest) {
    sim::MachineScope sim;
    EXPECT_EQ(UpdateUtils::getCheckSum("C:\\missing.jpg"), std::nullopt);
    EXPECT_NE(sim.log().find("\tERROR: Error opening file \"C:\\missing.jpg\" failed with system error 2 "),
              std::string::npos);
    sim->faults().fail("Crypto.hashData", 5);
    sim->fileSystem().writeAll("C:\\abc.jpg", "abc");
    EXPECT_EQ(UpdateUtils::getCheckSum("C:\\abc.jpg"), std::nullopt);
    EXPECT_NE(sim.log().find("\tERROR: CryptHashData failed with system error 5 "), std::string::npos);
}

}  // namespace
