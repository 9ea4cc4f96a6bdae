#include "net/http_connection.h"

#include <algorithm>

#include "foundation/errors.h"
#include "foundation/logger.h"
#include "net/network_bounds.h"
#include "platform/internet.h"
#include "platform/machine.h"
#include "platform/win_errors.h"

namespace inet = platform::inet;

namespace {

constexpr const char* verbs[] = {"GET", "POST", "HEAD"};
constexpr std::uint32_t requestFlags = inet::flagNoCacheWrite | inet::flagKeepConnection | inet::flagNoUi;
constexpr std::uint32_t unauthorized = 401;
constexpr std::uint32_t proxyAuthenticationRequired = 407;
constexpr std::uint32_t forbidden = 403;
/// A body of unknown length starts with this much room; a known one with its length and this much more.
constexpr std::size_t unknownLengthStart = 65536;
constexpr std::size_t knownLengthSlack = 1024;
/// Room that grows the buffer when less is left, and how much it grows by.
constexpr std::size_t lowWater = 1000;
constexpr std::size_t growth = 16384;

platform::Internet& internet() { return platform::machine().internet(); }

[[noreturn]] void fail(const char* what, platform::ErrorCode code, SourceLocation where) {
    throw MevError<HttpConnection::network_error>(std::move(where), what, code);
}

/// WinINet's own texts for its errors are in its module.
platform::Module wininet() {
    auto& system = platform::machine().system();
    platform::Module module = platform::Module::null;
    if (system.moduleFromAddress(system.apiAddress("wininet", "InternetOpenA"), module) != 0)
        return platform::Module::null;
    return module;
}

}  // namespace

HttpConnection::Response::~Response() {
    if (handles_) handles_->closeAll();
}

std::optional<std::string> HttpConnection::Response::getHeaderValue(std::uint32_t query,
                                                                    const std::string& name) const {
    std::string buffer(256, '\0');
    for (;;) {
        auto size = static_cast<std::uint32_t>(buffer.size());
        const auto code = internet().queryInfo(request_, query, name, buffer.data(), size);
        if (code == platform::err::insufficientBuffer && size > buffer.size()) {
            buffer.assign(size, '\0');
            continue;
        }
        if (code != platform::err::success) {
            LOG_ERROR("Cannot get header value (" << query << ", name=" << name
                                                  << "): " << WinErrorHandling::systemErrorText(code, wininet()));
            return std::nullopt;
        }
        buffer.resize(size);
        return buffer;
    }
}

std::int64_t HttpConnection::Response::getIntHeaderValue(std::uint32_t query) const {
    return numericHeader(request_, query);
}

std::int64_t HttpConnection::Response::numericHeader(platform::InternetHandle request, std::uint32_t query) {
    std::uint32_t value = 0;
    std::uint32_t size = sizeof value;
    const auto code = internet().queryInfo(request, query | inet::queryFlagNumber, {}, &value, size);
    if (code != platform::err::success) return -1;
    if (size != sizeof value) {
        LOG_ERROR("getHeaderValue(" << query << ") returned unexpected size: " << size);
        return -1;
    }
    return value;
}

std::uint32_t HttpConnection::Response::readContent(void* buffer, std::uint32_t size) {
    std::uint32_t read = 0;
    if (const auto code = internet().readFile(request_, buffer, size, read))
        fail("InternetReadFile failed", code, ZARN_LOCATION);
    return read;
}

std::vector<std::uint8_t> HttpConnection::Response::saveToBuffer() {
    const std::int64_t length = getIntHeaderValue(inet::queryContentLength);
    if (length > static_cast<std::int64_t>(maximumSize)) {
        ZARN_THROW(content_is_too_big, static_cast<std::uint64_t>(length));
    }
    std::vector<std::uint8_t> body(length < 0 ? unknownLengthStart
                                              : static_cast<std::size_t>(length) + knownLengthSlack);
    std::size_t total = 0;
    for (;;) {
        const std::uint32_t read = readContent(body.data() + total, static_cast<std::uint32_t>(body.size() - total));
        if (read == 0) {
            body.resize(total);
            return body;
        }
        total += read;
        if (total > maximumSize) ZARN_THROW(content_is_too_big, std::nullopt);
        if (body.size() - total < lowWater) body.resize(total + growth);
    }
}

std::string HttpConnection::Response::saveToString() {
    const auto body = saveToBuffer();
    return std::string(body.begin(), body.end());
}

bool HttpConnection::dialogsAllowed(const net::RequestHandles& handles) const {
    // A dialog of a request left running at its deadline would stay on screen after the run.
    return interactive_ && !handles.abandonable();
}

platform::InternetHandle HttpConnection::send(const std::shared_ptr<net::RequestHandles>& handles) const {
    platform::UrlParts parts;
    if (const auto code = internet().crackUrl(url_, parts)) fail("InternetCrackUrl failed", code, ZARN_LOCATION);
    if (parts.scheme != inet::schemeHttp && parts.scheme != inet::schemeHttps) ZARN_THROW(exception, "Invalid scheme");
    if (parts.scheme == inet::schemeHttp && !allowPlainHttp_) ZARN_THROW(exception, "Http is disabled");

    const auto kept = [&](platform::InternetHandle handle, const char* what) {
        if (!handles->keep(handle)) fail(what, inet::operationCancelled, ZARN_LOCATION);
        return handle;
    };
    platform::InternetHandle session = platform::InternetHandle::null;
    if (const auto code = internet().open(userAgent_, session)) fail("InternetOpen failed", code, ZARN_LOCATION);
    kept(session, "InternetOpen failed");
    internet().setTimeout(session, inet::optionConnectTimeout, handles->timeoutMs());
    platform::InternetHandle connection = platform::InternetHandle::null;
    if (const auto code = internet().connect(session, parts.host, parts.port, connection)) {
        fail("InternetConnect failed", code, ZARN_LOCATION);
    }
    kept(connection, "InternetConnect failed");
    const std::uint32_t flags = requestFlags | (parts.scheme == inet::schemeHttps ? inet::flagSecure : 0);
    platform::InternetHandle request = platform::InternetHandle::null;
    if (const auto code = internet().openRequest(connection, verbs[method_], parts.object, flags, request)) {
        fail("HttpOpenRequest failed", code, ZARN_LOCATION);
    }
    kept(request, "HttpOpenRequest failed");
    // Time-outs count only when set on the request handle itself.
    for (const auto option : {inet::optionConnectTimeout, inet::optionSendTimeout, inet::optionReceiveTimeout}) {
        internet().setTimeout(request, option, handles->timeoutMs());
    }

    for (;;) {
        const auto code = internet().sendRequest(request, data_);
        if (code == platform::err::success) return request;
        if (dialogsAllowed(*handles)) {
            const auto answer = internet().errorDialog(platform::machine().desktop().desktopWindow(), request, code,
                                                       inet::errorDialogFlags);
            if (answer == inet::forceRetry ||
                (code == inet::clientAuthCertNeeded && answer == platform::err::success)) {
                continue;
            }
        }
        fail("HttpSendRequest failed", code, ZARN_LOCATION);
    }
}

HttpConnection::Response HttpConnection::connect(bool checkStatus, std::shared_ptr<net::RequestHandles> handles) const {
    const platform::InternetHandle request = send(handles);
    const std::int64_t status = Response::numericHeader(request, inet::queryStatusCode);
    if (status < 0) ZARN_THROW(network_error, "cannot get response status code", platform::err::invalidData);
    Response response(std::move(handles), request, static_cast<std::uint32_t>(status));
    if (dialogsAllowed(*response.handles_) && (status == unauthorized || status == proxyAuthenticationRequired)) {
        internet().errorDialog(platform::machine().desktop().desktopWindow(), request, inet::incorrectPassword,
                               inet::errorDialogFlags);
    }
    if (!checkStatus || status == 200) return response;
    if (status == forbidden) {
        const auto text = response.getHeaderValue(inet::queryStatusText);
        if (text && text->find("Export Denied") != std::string::npos) {
            throw MevError<export_compliance_error>(export_compliance_error(), ZARN_LOCATION);
        }
    }
    ZARN_THROW(http_error, static_cast<std::uint32_t>(status));
}
