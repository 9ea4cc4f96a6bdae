// The options document and the banner: the document's language rule, and the whole online step on the
// simulated machine against a scripted server at the product's own addresses.
#include "driver/options_document.h"

#include <gtest/gtest.h>

#include <chrono>

#include "driver/process_values.h"
#include "foundation/registry_key.h"
#include "foundation/sha256.h"
#include "foundation/sys_info.h"
#include "metrics/update_conf.h"
#include "platform/sim/sim_machine.h"

namespace driver {
namespace {

std::string document(const std::string& informations, const std::string& root = "zarn-update") {
    return "<?xml version=\"1.0\"?>\n<" + root + ">" + informations + "</" + root + ">";
}

std::string information(const std::string& lang, const std::string& postStatus, const std::string& more = "",
                        const std::string& version = "1.0") {
    return "<information version=\"" + version + "\" xml:lang=\"" + lang + "\"><post-status>" + postStatus +
           "</post-status>" + more + "</information>";
}

TEST(OptionsDocumentTest, LanguageRule) {
    const struct {
        const char* name;
        std::string text;
        const char* language;
        int postStatus;
        const char* postStatusUrl;
        const char* countryLookup;
    } rows[] = {
        {"French only, read by an English user", document(information("fr", "https://fr.zarn.example/ping")), "en", 0,
         "", ""},
        {"German and English for a German user",
         document(information("de", "https://de.zarn.example/ping",
                              "<cntry-lookup>https://geo.zarn.example/de</cntry-lookup>") +
                  information("en", "https://en.zarn.example/ping")),
         "de", 1, "https://de.zarn.example/ping", "https://geo.zarn.example/de"},
        {"English stands in until the user's language comes",
         document(information("en", "https://en.zarn.example/ping",
                              "<cntry-lookup>https://geo.zarn.example/en</cntry-lookup>") +
                  information("de", "https://de.zarn.example/ping")),
         "de", 1, "https://de.zarn.example/ping", "https://geo.zarn.example/en"},
        {"English alone", document(information("en", "https://en.zarn.example/ping")), "sv", 1,
         "https://en.zarn.example/ping", ""},
        {"another version is passed over", document(information("en", "https://x.zarn.example/", "", "2.0")), "en", 0,
         "", ""},
        {"another root gives nothing", document(information("en", "https://en.zarn.example/ping"), "other-root"), "en",
         0, "", ""},
    };
    for (const auto& row : rows) {
        const Options options = ParseOptionsDocument(row.text, row.language);
        EXPECT_EQ(options.postStatus, row.postStatus) << row.name;
        EXPECT_EQ(options.postStatusUrl, row.postStatusUrl) << row.name;
        EXPECT_EQ(options.countryLookup, row.countryLookup) << row.name;
    }
}

const std::string banner = "published banner bytes";
const std::string bannerFile = "C:\\Users\\test\\AppData\\LocalLow\\Pellam\\Zarn\\kobu1.8.0_45\\ZarnBanner.jpg";

class OnlineStepTest : public testing::Test {
protected:
    void SetUp() override {
        SysInfo::initialize();
        const auto digest = sha256Of(std::span(reinterpret_cast<const std::uint8_t*>(banner.data()), banner.size()));
        sim->resources().addString(1033, 4008, toLowerHex(digest));
        setCountryCode("YY");
    }

    void serve(const std::string& url, std::string body) {
        sim::SimResponse response;
        response.body = {std::move(body)};
        sim->internet().serve(url, response);
    }
    void serveDocument(const std::string& url = "https://dl.zarn.example/update/1.8.0/1.8.0_45-b15.xml") {
        serve(url, document(information("en", "https://metrics.mendara.example/ping",
                                        "<cntry-lookup>https://geo.zarn.example/country</cntry-lookup>"
                                        "<msi-url>https://dl.zarn.example/images</msi-url>")));
        sim::SimResponse country;
        country.headers = {{"COUNTRY", "NL"}};
        sim->internet().serve("https://geo.zarn.example/country", country);
    }
    bool logged(const std::string& text) { return sim.log().find(text) != std::string::npos; }

    sim::MachineScope sim;
    std::string offline;
};

// A stored country needs no lookup; a banner unlike the published one is deleted.
TEST_F(OnlineStepTest, DocumentCountryAndBanner) {
    const struct {
        const char* stored;
        std::string banner;
        const char* country;
        std::size_t requests;
    } rows[] = {{nullptr, banner, "NL", 3}, {"FR", "some other picture", "FR", 2}};
    serveDocument();
    for (const auto& row : rows) {
        serve("https://dl.zarn.example/images/ZarnBanner_en.jpg", row.banner);
        if (row.stored != nullptr) UpdateConf::WritePolicyValue("Country", row.stored);
        const std::size_t before = sim->internet().requests().size();
        EXPECT_EQ(GetOptionsFromXmlIfOnline(offline, false), 1);
        EXPECT_EQ(processValues().postStatusUrl, "https://metrics.mendara.example/ping");
        EXPECT_EQ(processValues().countryCode, row.country);
        EXPECT_EQ(UpdateConf::ReadPolicyValue("Country", 8), row.country);
        EXPECT_EQ(sim->internet().requests().size() - before, row.requests) << "the document, the country, the banner";
        EXPECT_EQ(sim->fileSystem().readAll(bannerFile),
                  row.banner == banner ? std::optional<std::string>(banner) : std::nullopt);
    }
    EXPECT_TRUE(logged("(driver::verifyCheckSum)]\n\tERROR: Checksum verification for \"" + bannerFile +
                       "\" file failed: expected=["));
    EXPECT_TRUE(logged("]; algorithm=32780.\n"));
}

// The registry's address wins when it fits its 2048-byte buffer with the terminator; a longer one is
// refused whole, not cut.
TEST_F(OnlineStepTest, TheRegistrysAddressWinsWhenItFits) {
    const std::string base = "https://test.zarn.example/options.xml?";
    const std::string builtIn = "https://dl.zarn.example/update/1.8.0/1.8.0_45-b15.xml";
    const struct {
        const char* name;
        std::string address;
        std::string fetched;
    } rows[] = {
        {"2047 bytes", base + std::string(2047 - base.size(), 'x'), base + std::string(2047 - base.size(), 'x')},
        {"2048 bytes", base + std::string(2048 - base.size(), 'x'), builtIn},
    };
    for (const auto& row : rows) {
        RegistryKey key;
        key.open(platform::RegKey::localMachine, "Software\\Mendara", true, true);
        key.setStringValue("InstallerXmlURL", row.address);
        serveDocument(row.fetched);
        const std::size_t before = sim->internet().requests().size();
        EXPECT_EQ(GetOptionsFromXmlIfOnline(offline, false), 1) << row.name;
        ASSERT_GT(sim->internet().requests().size(), before) << row.name;
        EXPECT_EQ(sim->internet().requests()[before].url, row.fetched) << row.name;
        EXPECT_EQ(logged("WARNING: InstallerXmlURL of 2048 bytes does not fit its 2048-byte buffer; the built-in "
                         "address is used\n"),
                  row.fetched == builtIn)
            << row.name;
    }
}

// "en" stands in for what the user's own element does not give, and "0" gives no address: the English
// address stays, though the indicator, and with it the country lookup, follows the German element.
TEST_F(OnlineStepTest, AnEnglishAddressOutlivesALaterZero) {
    sim->system().settings().preferredUILanguages = std::vector<std::string>{"0407", "0007"};
    serve("https://dl.zarn.example/update/1.8.0/1.8.0_45-b15.xml",
          document(information("en", "https://metrics.mendara.example/ping",
                               "<cntry-lookup>https://geo.zarn.example/country</cntry-lookup>") +
                   information("de", "0")));
    EXPECT_EQ(GetOptionsFromXmlIfOnline(offline, false), 0);
    EXPECT_EQ(processValues().postStatusUrl, "https://metrics.mendara.example/ping");
    EXPECT_EQ(processValues().countryCode, "YY");
    EXPECT_EQ(sim->internet().requests().size(), 1u) << "the document only";
}

// The user's languages are asked inside the caught step: a system that cannot list them costs the
// document and the banner, not the run.
TEST_F(OnlineStepTest, LanguagesThatCannotBeListedCostOnlyTheDocument) {
    serveDocument();
    sim->faults().fail("System.threadPreferredUILanguages", 5, -1);
    int result = -1;
    EXPECT_NO_THROW(result = GetOptionsFromXmlIfOnline(offline, false));
    EXPECT_EQ(result, 0);
    EXPECT_EQ(processValues().postStatusUrl, "");
    EXPECT_TRUE(logged("GetThreadPreferredUILanguages (detect size) failed"));
}

TEST_F(OnlineStepTest, WithoutANetworkNothingIsWaitedFor) {
    sim->fileSystem().makeDirectories("C:\\Users\\test\\AppData\\LocalLow\\Pellam\\Zarn\\kobu1.8.0_45");
    sim->fileSystem().writeAll(bannerFile, "a banner left behind by someone");
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(GetOptionsFromXmlIfOnline(offline, false), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    EXPECT_EQ(processValues().postStatusUrl, "");
    EXPECT_EQ(processValues().countryCode, "YY");
    EXPECT_EQ(sim->internet().requests().size(), 1u) << "the document only";
    EXPECT_FALSE(sim->fileSystem().exists(bannerFile)) << "a file that is not the published banner goes";
}

TEST_F(OnlineStepTest, ASilentServerCostsTheFirstContactDeadline) {
    sim::SimResponse silent;
    silent.silent = true;
    sim->internet().serve("https://dl.zarn.example/update/1.8.0/1.8.0_45-b15.xml", silent);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(GetOptionsFromXmlIfOnline(offline, false), 0);
    const auto waited = std::chrono::steady_clock::now() - start;
    // Only the first contact's 600 ms: a later request's 3000 ms would pass the upper bound, which leaves
    // room for a loaded machine.
    EXPECT_GE(waited, std::chrono::milliseconds(600));
    EXPECT_LT(waited, std::chrono::milliseconds(2000));
    EXPECT_TRUE(logged("request deadline passed' caught"));
}

}  // namespace
}  // namespace driver
