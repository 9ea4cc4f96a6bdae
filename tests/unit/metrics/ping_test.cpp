// The install ping on the simulated machine: when it is sent, its exact body (golden files), the
// password rule, the log line of its values and a body that would not fit its buffer.
#include "metrics/ping.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <functional>

#include "foundation/registry_key.h"
#include "foundation/sys_info.h"
#include "metrics/default_browser.h"
#include "metrics/ping_body.h"
#include "platform/registry.h"
#include "platform/sim/sim_machine.h"
#include "scrub/scrub_ping_data.h"
#include "support/file_text.h"
#include "support/seed.h"

namespace {

using testing::HasSubstr;
using testing::Not;

constexpr const char* endpoint = "https://metrics.mendara.example/ping";
constexpr const char* visitorId = "5f3c2a1b-9e8d7c6b5a4f";

void setText(platform::RegKey root, const char* path, const char* name, const std::string& value) {
    RegistryKey key;
    key.open(root, path, true, true);
    key.setStringValue(name, value);
}

std::optional<std::string> text(platform::RegKey root, const char* path, const char* name) {
    try {
        RegistryKey key;
        key.open(root, path);
        return key.queryStringValue(name);
    } catch (const std::runtime_error&) {
        return std::nullopt;
    }
}

/// One element per line, so that a difference shows where it is.
std::string readable(const std::string& body) {
    std::string out;
    for (const char c : body) {
        out += c;
        if (c == '>') out += '\n';
    }
    return out;
}

void expectGolden(const std::string& name, const std::string& body) {
    if (std::getenv("ZARN_UPDATE_GOLDEN") != nullptr) {
        std::ofstream(std::string(ZARN_GOLDEN_DIR) + "/" + name, std::ios::binary) << body;
    }
    EXPECT_EQ(readable(body), readable(fileText(std::string(ZARN_GOLDEN_DIR) + "/" + name))) << name;
}

/// A machine whose ping goes to the production endpoint, with a known visitor.
struct PingMachine {
    PingMachine() {
        SysInfo::initialize();
        setText(platform::RegKey::localMachine, "SOFTWARE\\Mendara\\Zarn Update\\Policy", "VisitorId", visitorId);
        sim->internet().serve(endpoint, sim::SimResponse{});
        context.postStatusUrl = endpoint;
        context.countryCode = "NL";
        context.installMethod = "zoff";
        report.latestRuntimeKey = report.latestRuntimeKeyAgain = "1.8.0_40";
        report.previousAuVersion = "XX";
        report.regDeployStatus = "YY";
        report.auResult = 0;
    }

    int send(bool webAnalytics = true) { return UpdateConf::InstallPing().send(webAnalytics, context, report); }

    /// The body posted, or empty.
    std::string posted() {
        const auto requests = sim->internet().requests();
        return requests.empty() ? std::string() : requests.back().body;
    }

    sim::MachineScope sim;
    UpdateConf::PingContext context;
    UpdateConf::PingReport report;
};

TEST(PingTest, GoldenBodies) {
    const zscrub::ScrubVersion current{ZarnVersion("1.8.0_45"), 64};
    const zscrub::ScrubVersion old16{ZarnVersion("1.6.0_45"), 32};
    const zscrub::ScrubVersion old17{ZarnVersion("1.7.0_45"), 64};
    zscrub::ZarnScrubPingData removal({old16, old17, current}, current);
    removal.addKeptVersion(old16);
    removal.addUninstalledVersion(old17, 0);
    const struct {
        const char* name;
        std::function<void(PingMachine&)> setUp;
    } rows[] = {
        {"ping_first_install.xml", [](PingMachine&) {}},
        {"ping_failed_install.xml",
         [](PingMachine& t) {
             t.report.installResult = 1603;
             t.report.auResult = -99;
             t.report.msiStatusError = 1603;
             t.report.msiStatusExtendedError = 5;
         }},
        {"ping_cancelled_at_folder.xml",
         [](PingMachine& t) {
             t.report.installResult = -20;
             t.report.auResult = -99;
             t.report.regDeployStatus.clear();
         }},
        {"ping_32bit_process.xml",
         [](PingMachine& t) {
             t.context.is64BitProcess = false;
             t.report.latestRuntimeKey = "NA";
             seed::runtime({"1.7.0_51", seed::view32, "13"});
             // This very version, as its package registers it (with its build), is not another runtime.
             seed::runtime({"1.8.0_45", seed::view32, std::nullopt, "1.8.0_45-b15"});
         }},
        {"ping_with_removal.xml", [&removal](PingMachine& t) { t.report.removalData = &removal; }},
    };
    for (const auto& row : rows) {
        PingMachine test;
        row.setUp(test);
        EXPECT_EQ(test.send(), 1) << row.name;
        expectGolden(row.name, test.posted());
        EXPECT_EQ(test.sim->internet().requests().back().agent, "zupdate") << row.name;
        EXPECT_EQ(test.sim->internet().requests().back().verb, "POST") << row.name;
    }
}

TEST(PingTest, WhenNothingIsSent) {
    const struct {
        const char* name;
        bool webAnalytics;
        std::string url;
        const char* status;
        int result;
        const char* logged;
    } rows[] = {
        {"pings off", false, endpoint, "", 1, "Pings disabled."},
        {"an address not the product's", true, "https://evil.example/ping", "", 0,
         "No pings: unallowed url: https://evil.example/ping"},
        {"a reinstall", true, endpoint, "reinstall", 0, "No pings: reinstall"},
        {"a declined install", true, endpoint, "decline", 0, "No pings: decline"},
    };
    for (const auto& row : rows) {
        PingMachine test;
        test.context.postStatusUrl = row.url;
        if (*row.status != '\0')
            setText(platform::RegKey::localMachine, "SOFTWARE\\Mendara", "InstallStatus", row.status);
        EXPECT_EQ(test.send(row.webAnalytics), row.result) << row.name;
        EXPECT_TRUE(test.sim->internet().requests().empty()) << row.name;
        EXPECT_THAT(test.sim.log(), HasSubstr(row.logged)) << row.name;
        const bool pingRan = row.webAnalytics && row.url != "https://evil.example/ping";
        EXPECT_EQ(text(platform::RegKey::localMachine, "SOFTWARE\\Mendara", "InstallStatus").has_value(),
                  !pingRan && *row.status != '\0')
            << row.name << ": the status is taken only by a ping that runs";
    }
}

TEST(PingTest, ResultsStatusAndMetrics) {
    const struct {
        const char* name;
        int result;
        const char* status;
        const char* products;
        bool visitorKept;
    } rows[] = {
        {"1603 when the build exists", 1603, "exists", ";kobu|-128~64bit", false},
        {"1638 alone", 1638, "", ";kobu|-128~64bit", false},
        {"a status is appended", 0, "new", ";kobu|0~64bitnew", true},
    };
    for (const auto& row : rows) {
        PingMachine test;
        test.report.installResult = row.result;
        if (*row.status != '\0')
            setText(platform::RegKey::localMachine, "SOFTWARE\\Mendara", "InstallStatus", row.status);
        test.send();
        EXPECT_THAT(test.posted(), HasSubstr(std::string("<products>") + row.products + "</products>")) << row.name;
        EXPECT_EQ(
            text(platform::RegKey::localMachine, "SOFTWARE\\Mendara\\Zarn Update\\Policy", "VisitorId").has_value(),
            row.visitorKept)
            << row.name;
    }
}

TEST(PingTest, PasswordReportSuiteAndTheLogLine) {
    // The production endpoint's password is in every golden body.
    const struct {
        const char* url;
        const char* password;
    } rows[] = {
        {"https://metrics.mendara.example/other,suite2,x", "qvmtrkalpezdw"},
        {"http://www.zarn.example/ping", "hrwnzkqlbytmsx"},
    };
    for (const auto& row : rows) EXPECT_EQ(UpdateConf::EndpointPassword(row.url), row.password) << row.url;

    PingMachine m;
    m.context.postStatusUrl = "http://www.zarn.example/ping";
    m.context.installMethod = "zoff web";
    EXPECT_EQ(m.send(), 0) << "plain HTTP is refused";
    const std::string log = m.sim.log();
    EXPECT_THAT(log, HasSubstr("Http is disabled"));
    EXPECT_THAT(log, HasSubstr("Ping Values: $sc_xml_ver#1.0$reportsuiteid#pellaminstallstat$visitorid#"));
    EXPECT_THAT(log, HasSubstr("$prop20#XXXXXXXXXXXXXX$pagename#ic"));
    EXPECT_THAT(log, Not(HasSubstr("hrwnzkqlbytmsx")));
    EXPECT_THAT(log, HasSubstr("$evar7#zoff$web#$evar8#NL"));

    m.sim->internet().serve("https://www.zarn.example/a,suite2", sim::SimResponse{});
    m.context.postStatusUrl = "https://www.zarn.example/a,suite2";
    EXPECT_EQ(m.send(), 1);
    EXPECT_THAT(m.posted(), HasSubstr("<reportsuiteid>suite2</reportsuiteid>"));
}

TEST(PingBodyTest, ValuesAreEscapedAndTheBodyNeverOutgrowsItsBuffer) {
    sim::MachineScope sim;
    UpdateConf::PingBody body;
    body.add("plain", "a b-c;d|e~f");
    body.add("markup", "<x> & y");
    body.add("huge", std::string(3000, 'v'));
    for (int i = 0; i < 200; ++i) body.add("e" + std::to_string(i), "0123456789");
    const std::string& text = body.finish();
    EXPECT_LE(text.size(), UpdateConf::PingBody::capacity - 1);
    EXPECT_THAT(text, HasSubstr("<plain>a b-c;d|e~f</plain><markup>&lt;x&gt; &amp; y</markup><e0>"));
    EXPECT_THAT(text, Not(HasSubstr("<huge>")));
    EXPECT_TRUE(text.ends_with("</request>"));
    EXPECT_THAT(sim.log(), HasSubstr("Ping body is full: element huge of 3013 bytes left out"));
}

// The buffer keeps its last byte for the terminating zero and room for "</request>": an element that
// fills the rest exactly is kept, one byte more is left out.
TEST(PingBodyTest, AnElementFitsToTheLastByte) {
    constexpr std::string_view closing = "</request>";
    constexpr std::string_view tags = "<e></e>";
    for (const std::size_t over : {0u, 1u}) {
        sim::MachineScope sim;
        UpdateConf::PingBody body;
        const std::size_t opening = body.text().size();
        body.add("e",
                 std::string(UpdateConf::PingBody::capacity - 1 - opening - closing.size() - tags.size() + over, 'v'));
        const std::size_t size = body.finish().size();
        EXPECT_EQ(size, over == 0 ? UpdateConf::PingBody::capacity - 1 : opening + closing.size()) << over;
        EXPECT_EQ(sim.log().find("Ping body is full: element e of ") != std::string::npos, over == 1) << over;
    }
}

TEST(DefaultBrowserTest, Rows) {
    constexpr const char* choice =
        "Software\\Microsoft\\Windows\\Shell\\Associations\\UrlAssociations\\http\\UserChoice";
    constexpr const char* command = "http\\shell\\open\\command";
    constexpr const char* application = "http\\shell\\open\\ddeexec\\Application";
    const struct {
        const char* name;
        const char* progId;  // nullptr: no choice; "": the choice's key without its value
        const char* classesKey;
        const char* classesValue;
        int code;
        bool beforeVista = false;
    } rows[] = {
        {"user chose Firefox", "FirefoxURL", nullptr, nullptr, 2},
        {"user chose Internet Explorer", "IE.HTTP", nullptr, nullptr, 1},
        {"user chose another", "ChromeHTML", nullptr, nullptr, 3},
        {"a choice without its value", "", nullptr, nullptr, 0},
        {"no choice, Chrome's command", nullptr, command, "\"C:\\chrome.exe\" -- \"%1\"", 3},
        {"no choice, IExplore", nullptr, application, "iexplore", 1},
        {"no choice, Firefox", nullptr, application, "FIREFOX", 2},
        {"no choice, no application key", nullptr, nullptr, nullptr, 2},
        {"before Vista the choice is not asked", "FirefoxURL", application, "IExplore", 1, true},
        {"before Vista, no application key", nullptr, nullptr, nullptr, 0, true},
    };
    for (const auto& row : rows) {
        sim::MachineScope sim;
        if (row.beforeVista) {
            sim->system().settings().rtlVersion = sim->system().settings().version =
                platform::OsVersion{5, 1, 2600, 2, "Service Pack 3", 3, 0, 0x100, 1};
        }
        SysInfo::initialize();
        if (row.progId != nullptr) {
            RegistryKey key;
            key.open(platform::RegKey::currentUser, choice, true, true);
            if (*row.progId != '\0') key.setStringValue("Progid", row.progId);
        }
        if (row.classesKey != nullptr) setText(platform::RegKey::classesRoot, row.classesKey, "", row.classesValue);
        EXPECT_EQ(UpdateConf::DefaultBrowserCode(), row.code) << row.name;
    }
}

}  // namespace
