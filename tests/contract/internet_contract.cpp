// The internet port against a server on 127.0.0.1: the steps of a request, headers and their buffer
// rule, reading the body, refusals, and the two ways a silent server's wait ends.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <utility>

#include "contract.h"
#include "platform/win_errors.h"

namespace {

namespace err = platform::err;
namespace inet = platform::inet;
using namespace std::chrono_literals;

class InternetContract : public testing::Test {
protected:
    platform::Internet& internet() { return platform::machine().internet(); }

    /// Opens a request for `path` on `host` (the server's own by default) and sends it.
    platform::ErrorCode request(const std::string& path, const std::string& host = "127.0.0.1",
                                std::uint32_t receiveTimeout = 0) {
        EXPECT_EQ(internet().open("zarn contract", session_), err::success);
        EXPECT_EQ(internet().connect(session_, host, contract::httpServerPort(), connection_), err::success);
        EXPECT_EQ(internet().openRequest(connection_, "GET", path, inet::flagNoCacheWrite | inet::flagNoUi, request_),
                  err::success);
        if (receiveTimeout != 0) {
            EXPECT_EQ(internet().setTimeout(request_, inet::optionReceiveTimeout, receiveTimeout), err::success);
        }
        return internet().sendRequest(request_, {});
    }
    /// The answer's `query` as a number, which takes four bytes.
    std::uint32_t number(std::uint32_t query) {
        std::uint32_t value = 0;
        std::uint32_t size = sizeof value;
        EXPECT_EQ(internet().queryInfo(request_, query | inet::queryFlagNumber, {}, &value, size), err::success);
        EXPECT_EQ(size, 4u);
        return value;
    }
    void TearDown() override { closeAll(); }
    void closeAll() {
        for (auto* handle : {&request_, &connection_, &session_}) {
            if (*handle != platform::InternetHandle::null)
                internet().closeHandle(std::exchange(*handle, platform::InternetHandle::null));
        }
    }

    platform::InternetHandle session_ = platform::InternetHandle::null;
    platform::InternetHandle connection_ = platform::InternetHandle::null;
    platform::InternetHandle request_ = platform::InternetHandle::null;
};

TEST_F(InternetContract, UrlsAreCrackedAndTheConnectionStateHasItsFlagsOnly) {
    platform::UrlParts parts;
    ASSERT_EQ(internet().crackUrl("https://dl.zarn.example:8443/update/a.xml?x=1", parts), err::success);
    EXPECT_EQ(parts.scheme, inet::schemeHttps);
    EXPECT_EQ(parts.host, "dl.zarn.example");
    EXPECT_EQ(parts.port, 8443);
    EXPECT_EQ(parts.object, "/update/a.xml?x=1");
    ASSERT_EQ(internet().crackUrl("http://www.zarn.example/", parts), err::success);
    EXPECT_EQ(parts.scheme, inet::schemeHttp);
    EXPECT_EQ(parts.port, 80);
    EXPECT_EQ(parts.object, "/");
    ASSERT_EQ(internet().crackUrl("ftp://files.zarn.example/x", parts), err::success);
    EXPECT_NE(parts.scheme, inet::schemeHttp);
    EXPECT_NE(parts.scheme, inet::schemeHttps);
    EXPECT_NE(internet().crackUrl("no address at all", parts), err::success);

    // Whether this machine is online varies; that the answer replaces what was there, with the
    // connection kinds (modem, LAN, proxy, busy, RAS, offline, configured) only, does not.
    std::uint32_t flags = 0xFFFFFFFFu;
    internet().connectedState(flags);
    EXPECT_EQ(flags & ~0x7Fu, 0u) << flags;
}

TEST_F(InternetContract, AnswerHeadersAndBodyAMissingPageAndARefusedConnection) {
    ASSERT_EQ(request("/page"), err::success);
    EXPECT_EQ(number(inet::queryStatusCode), 200u);
    EXPECT_EQ(number(inet::queryContentLength), 5u);

    char small[2] = {};
    std::uint32_t size = sizeof small;
    EXPECT_EQ(internet().queryInfo(request_, inet::queryCustom, "COUNTRY", small, size), err::insufficientBuffer);
    EXPECT_EQ(size, 3u) << "the text and its NUL";
    char country[8] = {};
    size = sizeof country;
    ASSERT_EQ(internet().queryInfo(request_, inet::queryCustom, "COUNTRY", country, size), err::success);
    EXPECT_EQ(std::string(country, size), "DE");
    size = sizeof country;
    EXPECT_NE(internet().queryInfo(request_, inet::queryCustom, "NOT-THERE", country, size), err::success);

    std::string body;
    char piece[2];
    std::uint32_t read = 0;
    do {
        ASSERT_EQ(internet().readFile(request_, piece, sizeof piece, read), err::success);
        body.append(piece, read);
    } while (read != 0);
    EXPECT_EQ(body, "hello");
    closeAll();

    ASSERT_EQ(request("/missing"), err::success);
    EXPECT_EQ(number(inet::queryStatusCode), 404u);
    closeAll();
    EXPECT_EQ(request("/page", contract::refusedHost), inet::cannotConnect);
}

TEST_F(InternetContract, ReceiveTimeOutOnTheRequestEndsASilentServersWait) {
    const auto start = std::chrono::steady_clock::now();
    EXPECT_NE(request("/silent", "127.0.0.1", 500), err::success);
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, 400ms);
    EXPECT_LT(waited, 3s);
}

}  // namespace
