// The site rule, the country lookup and the file checksum on the simulated machine.
#include "metrics/update_utils.h"

#include <gtest/gtest.h>

#include "metrics/update_conf.h"
#include "platform/sim/sim_machine.h"

namespace {

constexpr const char* lookup = "https://geo.zarn.example/country";

TEST(SiteRuleTest, OnlyTheProductsHostsAtALabelBoundary) {
    const struct {
        const char* url;
        bool allowed;
    } rows[] = {
        {"http://www.zarn.example/", true},
        {"http://dl.zarn.example/update/x.xml", true},
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

class CountryTest : public testing::Test {
protected:
    void answer(const std::string& header) {
        sim::SimResponse response;
        response.headers = {{"COUNTRY", header}};
        sim->internet().serve(lookup, response);
    }
    sim::MachineScope sim;
    std::string country;
};

TEST_F(CountryTest, StoredValueNeedsNoRequest) {
    UpdateConf::WritePolicyValue("Country", "SE");
    EXPECT_EQ(UpdateUtils::GetCountry(lookup, country, false), 1);
    EXPECT_EQ(country, "SE");
    EXPECT_TRUE(sim->internet().requests().empty());
}

TEST_F(CountryTest, AskedForStoredAndLogged) {
    answer("DE");
    EXPECT_EQ(UpdateUtils::GetCountry(lookup, country, false), 1);
    EXPECT_EQ(country, "DE");
    EXPECT_EQ(UpdateConf::ReadPolicyValue("Country", 8), "DE");
    EXPECT_NE(sim.log().find("\tINFO: Save Country Code DE after GetCountry()\n"), std::string::npos);
    const auto request = sim->internet().requests().at(0);
    EXPECT_EQ(request.verb, "HEAD");
    EXPECT_EQ(request.agent, "zucheck");
}

TEST_F(CountryTest, AStoredValueLongerThanTwoLettersIsReplaced) {
    UpdateConf::WritePolicyValue("Country", "DEU");
    answer("AT");
    EXPECT_EQ(UpdateUtils::GetCountry(lookup, country, false), 1);
    EXPECT_EQ(country, "AT");
    EXPECT_EQ(UpdateConf::ReadPolicyValue("Country", 8), "AT");
}

TEST_F(CountryTest, FailuresLeaveYY) {
    answer("DEU");
    EXPECT_EQ(UpdateUtils::GetCountry(lookup, country, false), 0);
    EXPECT_EQ(country, "YY");
    EXPECT_NE(sim.log().find("Invalid country value : 'DEU'' caught"), std::string::npos);
    EXPECT_EQ(UpdateConf::ReadPolicyValue("Country", 8), std::nullopt);
    EXPECT_EQ(UpdateUtils::GetCountry("https://evil.example/country", country, false), 0) << "not the product's site";
    EXPECT_EQ(UpdateUtils::GetCountry("", country, false), 0);
    EXPECT_EQ(sim->internet().requests().size(), 1u);
    EXPECT_EQ(UpdateUtils::GetCountry("https://unreachable.zarn.example/", country, false), 0);
    EXPECT_EQ(country, "YY");
}

TEST(ChecksumTest, DigestsAndFailures) {
    sim::MachineScope sim;
    sim->fileSystem().writeAll("C:\\empty.jpg", "");
    sim->fileSystem().writeAll("C:\\abc.jpg", "abc");
    EXPECT_EQ(UpdateUtils::getCheckSum("C:\\empty.jpg"),
              "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(UpdateUtils::getCheckSum("C:\\abc.jpg"),
              "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(UpdateUtils::getCheckSum("C:\\missing.jpg"), std::nullopt);
    EXPECT_NE(sim.log().find("\tERROR: Error opening file \"C:\\missing.jpg\" failed with system error 2 "),
              std::string::npos);
    sim->faults().fail("Crypto.hashData", 5);
    EXPECT_EQ(UpdateUtils::getCheckSum("C:\\abc.jpg"), std::nullopt);
    EXPECT_NE(sim.log().find("\tERROR: CryptHashData failed with system error 5 "), std::string::npos);
}

}  // namespace
