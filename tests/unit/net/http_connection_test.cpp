// The HTTP client against the simulated server: schemes, status rules, the 1 MB cap, headers, the
// interactive retries, and the deadline.
#include "net/http_connection.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <future>
#include <thread>

#include "net/net_utils.h"
#include "platform/internet.h"
#include "platform/sim/sim_machine.h"

namespace {

namespace inet = platform::inet;
using namespace std::chrono_literals;

constexpr const char* page = "https://dl.zarn.example/page";

sim::SimResponse answer(std::uint32_t status, std::string statusText, std::vector<std::string> body = {"hello"}) {
    sim::SimResponse response;
    response.status = status;
    response.statusText = std::move(statusText);
    response.body = std::move(body);
    return response;
}

/// An error's message after its throw site.
std::string afterSite(const std::exception& e) {
    const std::string text = e.what();
    return text.substr(text.find("(): ") + 4);
}

/// The message of what `request` throws, after its throw site.
template <class Error, class Request>
std::string thrown(Request request) {
    try {
        request();
    } catch (const Error& e) {
        return afterSite(e);
    }
    return "nothing thrown";
}

class HttpConnectionTest : public testing::Test {
protected:
    std::string get(const std::string& url, bool checkStatus = true) {
        return HttpConnection(url).connect(checkStatus).saveToString();
    }

    sim::MachineScope sim;
};

TEST_F(HttpConnectionTest, RequestsAndTheirRefusals) {
    sim->internet().serve(page, answer(200, "OK", {"he", "llo"}));
    sim->internet().serve("http://dl.zarn.example/page", answer(200, "OK"));
    sim->internet().serve("https://dl.zarn.example/forbidden", answer(403, "Forbidden"));
    sim->internet().serve("https://dl.zarn.example/export", answer(403, "Export Denied by policy"));
    sim->internet().serve("https://dl.zarn.example/moved", answer(302, "Found"));
    // The body, or the kind of error and its message.
    const auto outcome = [&](const std::string& url, bool allowPlainHttp, bool checkStatus) -> std::string {
        try {
            return HttpConnection(url).setAllowPlainHttp(allowPlainHttp).connect(checkStatus).saveToString();
        } catch (const HttpConnection::export_compliance_error& e) {
            return "export: " + afterSite(e);
        } catch (const HttpConnection::http_error& e) {
            return "http: " + afterSite(e);
        } catch (const HttpConnection::network_error& e) {
            return "network: " + afterSite(e);
        } catch (const HttpConnection::exception& e) {
            return afterSite(e);
        }
    };
    const struct {
        const char* name;
        const char* url;
        bool allowPlainHttp;
        bool checkStatus;
        const char* outcome;
    } rows[] = {
        {"body in pieces", page, false, true, "hello"},
        {"a scheme other than HTTP", "ftp://dl.zarn.example/page", false, true, "Invalid scheme"},
        {"plain HTTP by default", "http://dl.zarn.example/page", false, true, "Http is disabled"},
        {"plain HTTP when allowed", "http://dl.zarn.example/page", true, true, "hello"},
        {"not found", "https://dl.zarn.example/none", false, true, "http: Http error, status: 404"},
        {"export denied", "https://dl.zarn.example/export", false, true, "export: Export Denied"},
        {"a redirection not followed", "https://dl.zarn.example/moved", false, true, "http: Http error, status: 302"},
        {"status not checked", "https://dl.zarn.example/forbidden", false, false, "hello"},
        {"no such host", "https://nowhere.example/", false, true, "network: HttpSendRequest failed"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(outcome(row.url, row.allowPlainHttp, row.checkStatus), row.outcome) << row.name;
    }
    EXPECT_EQ(sim->internet().openHandles(), 0);
    const auto first = sim->internet().requests().front();
    EXPECT_EQ(first.agent, "zarn_installer");
    EXPECT_EQ(first.verb, "GET");
    EXPECT_EQ(first.flags, inet::flagNoCacheWrite | inet::flagKeepConnection | inet::flagNoUi | inet::flagSecure);
    EXPECT_EQ(first.timeouts.at(inet::optionReceiveTimeout), 3000u);
    EXPECT_EQ(first.timeouts.at(inet::optionSendTimeout), 3000u);
}

TEST_F(HttpConnectionTest, AnswersAreCappedAtOneMegabyte) {
    auto announced = answer(200, "OK", {"small"});
    announced.headers = {{"Content-Length", "2000000"}};
    sim->internet().serve("https://dl.zarn.example/announced", announced);
    auto streamed = answer(200, "OK", std::vector<std::string>(20, std::string(60000, 'x')));
    streamed.announceLength = false;
    sim->internet().serve("https://dl.zarn.example/streamed", streamed);
    auto exact = answer(200, "OK", {std::string(HttpConnection::maximumSize, 'y')});
    exact.announceLength = false;
    sim->internet().serve("https://dl.zarn.example/exact", exact);

    using TooBig = HttpConnection::content_is_too_big;
    EXPECT_EQ(thrown<TooBig>([&] { get("https://dl.zarn.example/announced"); }),
              "Content size exceeds maximum size (1 MB), size is 2000000 bytes");
    EXPECT_EQ(sim->faults().calls("Internet.readFile"), 0) << "refused before any read";
    EXPECT_EQ(thrown<TooBig>([&] { get("https://dl.zarn.example/streamed"); }),
              "Content size exceeds maximum size (1 MB), size is unknown");
    EXPECT_EQ(get("https://dl.zarn.example/exact").size(), HttpConnection::maximumSize);
}

TEST_F(HttpConnectionTest, HeaderValues) {
    auto response = answer(200, "OK");
    response.headers = {{"X-Long", std::string(700, 'v')}};
    sim->internet().serve(page, response);
    auto answered = HttpConnection(page).connect(true);
    EXPECT_EQ(answered.getHeaderValue(inet::queryCustom, "X-Long"), std::string(700, 'v')) << "the buffer grows";
    EXPECT_EQ(answered.getIntHeaderValue(inet::queryContentLength), 5);
    EXPECT_EQ(answered.getHeaderValue(inet::queryCustom, "Missing"), std::nullopt);
    EXPECT_NE(sim.log().find("\tERROR: Cannot get header value (65535, name=Missing): system error 12150"),
              std::string::npos);
}

TEST_F(HttpConnectionTest, InteractiveRequestsOfferWinInetsDialogs) {
    sim->internet().serve(page, answer(200, "OK"));
    const struct {
        const char* name;
        platform::ErrorCode error;
        platform::ErrorCode dialogAnswers;
        bool retried;
    } rows[] = {
        {"the dialog asks for a retry", inet::cannotConnect, inet::forceRetry, true},
        {"a client certificate chosen (12044, the dialog answers 0)", inet::clientAuthCertNeeded, 0, true},
        {"the certificate dialog cancelled", inet::clientAuthCertNeeded, 1223, false},
        {"another error the dialog answers with 0", inet::cannotConnect, 0, false},
    };
    for (const auto& row : rows) {
        sim->faults().fail("Internet.sendRequest", row.error);
        sim->internet().answerErrorDialog(row.dialogAnswers);
        const auto before = sim->internet().errorDialogs().size();
        const std::string outcome = thrown<HttpConnection::network_error>(
            [&] { EXPECT_EQ(HttpConnection(page).setInteractive(true).connect(true).saveToString(), "hello"); });
        EXPECT_EQ(outcome, row.retried ? "nothing thrown" : "HttpSendRequest failed") << row.name;
        EXPECT_EQ(sim->internet().errorDialogs().size(), before + 1) << row.name;
        EXPECT_EQ(sim->internet().errorDialogs().back(), row.error) << row.name;
    }

    sim->internet().serve("https://dl.zarn.example/private", answer(401, "Unauthorized"));
    sim->internet().answerErrorDialog(1223);
    EXPECT_EQ(HttpConnection("https://dl.zarn.example/private").setInteractive(true).connect(false).status(), 401u);
    EXPECT_EQ(sim->internet().errorDialogs().back(), inet::incorrectPassword) << "credentials asked for";
    const auto shown = sim->internet().errorDialogs().size();
    sim->faults().fail("Internet.sendRequest", inet::cannotConnect);
    EXPECT_EQ(thrown<HttpConnection::network_error>([&] { get(page); }), "HttpSendRequest failed");
    EXPECT_EQ(sim->internet().errorDialogs().size(), shown) << "no dialog unless interactive";

    // A request that may be left running at its deadline opens none either: it would outlive the run.
    sim->internet().answerErrorDialog(inet::forceRetry);
    sim->faults().fail("Internet.sendRequest", inet::cannotConnect);
    EXPECT_EQ(thrown<HttpConnection::network_error>([&] {
                  net::within<std::string>(1000, [](const auto& handles) {
                      return HttpConnection(page).setInteractive(true).connect(true, handles).saveToString();
                  });
              }),
              "HttpSendRequest failed");
    sim->internet().serve("https://dl.zarn.example/private", answer(407, "Proxy Authentication Required"));
    EXPECT_EQ(net::within<std::uint32_t>(1000,
                                         [](const auto& handles) {
                                             return HttpConnection("https://dl.zarn.example/private")
                                                 .setInteractive(true)
                                                 .connect(false, handles)
                                                 .status();
                                         }),
              407u);
    EXPECT_EQ(sim->internet().errorDialogs().size(), shown);
}

TEST_F(HttpConnectionTest, DeadlineClosesTheRequestAndTheCallerGoesOn) {
    auto silent = answer(200, "OK");
    silent.silent = true;
    sim->internet().serve(page, silent);
    const auto start = std::chrono::steady_clock::now();
    const auto message = thrown<HttpConnection::network_error>([&] {
        net::within<std::string>(
            300, [](const auto& handles) { return HttpConnection(page).connect(true, handles).saveToString(); });
    });
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(message, "request deadline passed");
    EXPECT_GE(waited, 300ms);
    EXPECT_LT(waited, 2s);
    for (int i = 0; i < 100 && sim->internet().openHandles() != 0; ++i) std::this_thread::sleep_for(10ms);
    EXPECT_EQ(sim->internet().openHandles(), 0);
}

TEST_F(HttpConnectionTest, RequestsLeftAtTheirDeadlinesAreWaitedForOnceMoreWithinABound) {
    // Work that ignores its closed handles, as a name lookup under Wine does, until the test lets it go.
    auto release = std::make_shared<std::promise<void>>();
    const std::shared_future<void> released = release->get_future().share();
    EXPECT_EQ(thrown<HttpConnection::network_error>(
                  [&] { net::runWithin(50, [released](const auto&) { released.wait(); }); }),
              "request deadline passed");
    EXPECT_TRUE(net::within<bool>(50, [](const auto&) { return true; })) << "one that ended is not kept";

    auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(net::awaitAbandonedRequests(300));
    auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, 250ms);
    EXPECT_LT(waited, 2s);

    release->set_value();
    start = std::chrono::steady_clock::now();
    EXPECT_TRUE(net::awaitAbandonedRequests(5000));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2s) << "no longer than the request runs";
    EXPECT_TRUE(net::awaitAbandonedRequests(0)) << "nothing left";
}

TEST_F(HttpConnectionTest, ConnectionTest) {
    const struct {
        const char* name;
        bool systemSays;
        std::uint32_t flags;
        std::optional<std::uint32_t> siteAnswers;
        bool connected;
    } rows[] = {
        {"the system says so", true, 0, std::nullopt, true},
        {"a configured connection", false, inet::connectionConfigured, std::nullopt, true},
        {"the site answers", false, 0, 200, true},
        {"a proxy asks for credentials", false, 0, 407, true},
        {"the site answers otherwise", false, 0, 500, false},
        {"no answer", false, 0, std::nullopt, false},
    };
    for (const auto& row : rows) {
        sim::MachineScope fresh;
        fresh->internet().setConnectedState(row.systemSays, row.flags);
        if (row.siteAnswers) fresh->internet().serve("http://www.zarn.example/", answer(*row.siteAnswers, "Status"));
        EXPECT_EQ(NetUtils::isConnected(), row.connected) << row.name;
        if (!row.connected && !row.siteAnswers) {
            EXPECT_NE(fresh.log().find("\tINFO: not connected: "), std::string::npos) << row.name;
        }
    }
}

}  // namespace
