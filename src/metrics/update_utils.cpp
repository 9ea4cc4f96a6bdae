#include "metrics/update_utils.h"

#include "foundation/auto_handle.h"
#include "foundation/catch_handlers.h"
#include "foundation/errors.h"
#include "foundation/logger.h"
#include "foundation/product_sites.h"
#include "foundation/sha256.h"
#include "foundation/tstrings_format.h"
#include "metrics/metrics_constants.h"
#include "metrics/update_conf.h"
#include "net/http_connection.h"
#include "net/network_bounds.h"
#include "platform/file_system.h"
#include "platform/internet.h"
#include "platform/machine.h"

namespace UpdateUtils {

namespace {

constexpr const char* countryAgent = "zucheck";
constexpr const char* countryHeader = "COUNTRY";
/// The stored country is read into a buffer of this many bytes.
constexpr std::uint32_t countryBytes = 3;
constexpr std::uint32_t checksumBlock = 2048;
constexpr std::uint32_t sequentialScan = 0x08000000;

/// The host of an http or https address, its port of four digits cut off; nullopt when the address has
/// no plain host. Only letters, digits, "-" and "." in non-empty labels count: "@", "\\", "?" or "#"
/// before the first "/" would make a client connect to a host other than the one the text seems to name.
std::optional<std::string_view> hostOf(std::string_view url) {
    std::size_t start = 0;
    for (const std::string_view scheme : {"http://", "https://"}) {
        if (url.size() > scheme.size() && tstrings::compareNoCase(url.substr(0, scheme.size()), scheme) == 0) {
            start = scheme.size();
        }
    }
    if (start == 0) return std::nullopt;
    std::string_view host = url.substr(start, url.find('/', start) - start);
    if (const auto colon = host.find(':'); colon != std::string_view::npos) {
        const std::string_view port = host.substr(colon + 1);
        if (port.size() != 4 || port.find_first_not_of("0123456789") != std::string_view::npos) return std::nullopt;
        host = host.substr(0, colon);
    }
    const bool plain = !host.empty() && host.front() != '.' && host.back() != '.' &&
                       host.find("..") == std::string_view::npos &&
                       host.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789-.") ==
                           std::string_view::npos;
    return plain ? std::optional(host) : std::nullopt;
}

}  // namespace

bool IsAllowedUrl(const std::string& url) {
    const auto host = hostOf(url);
    if (!host) return false;
    for (const std::string_view domain : product::sites::siteDomains) {
        if (host->size() < domain.size() ||
            tstrings::compareNoCase(host->substr(host->size() - domain.size()), domain) != 0) {
            continue;
        }
        if (host->size() == domain.size() || (*host)[host->size() - domain.size() - 1] == '.') return true;
    }
    return false;
}

std::optional<std::string> StoredCountry() {
    auto stored = UpdateConf::ReadPolicyValue(metrics::countryValue, countryBytes);
    if (stored && stored->size() != 2) stored.reset();
    return stored;
}

int GetCountry(const std::string& url, std::string& country, bool interactive) {
    country = metrics::noCountry;
    if (url.empty() || !IsAllowedUrl(url)) return 0;
    if (const auto stored = StoredCountry()) {
        country = *stored;
        return 1;
    }
    try {
        const std::string value =
            net::within<std::string>(net::requestDeadlineMs, [url, interactive](const auto& handles) {
                const auto response = HttpConnection(url)
                                          .setMethod(HttpConnection::head)
                                          .setUserAgent(countryAgent)
                                          .setAllowPlainHttp(true)
                                          .setInteractive(interactive)
                                          .connect(true, handles);
                return response.getHeaderValue(platform::inet::queryCustom, countryHeader).value_or("");
            });
        if (value.size() != 2) ZARN_THROW(std::runtime_error, "Invalid country value : '" + value + "'");
        country = value;
        if (UpdateConf::WritePolicyValue(metrics::countryValue, value)) {
            LOG_INFO("Save Country Code " << value << " after GetCountry()");
        }
        return 1;
    }
    ZARN_CATCH_ALL
    return 0;
}

std::optional<std::string> getCheckSum(const std::string& fileName) {
    namespace file = platform::file;
    AutoHandle handle;
    if (const auto code = platform::machine().fileSystem().createFile(
            fileName, file::genericRead, file::shareRead, file::openExisting, file::attributeNormal | sequentialScan,
            *handle.put())) {
        handle.release();
        LOG_ERROR(tstrings::format("%s failed with %s", ("Error opening file \"" + fileName + "\"").c_str(),
                                   WinErrorHandling::systemErrorText(code).c_str()));
        return std::nullopt;
    }
    try {
        return toLowerHex(sha256OfFile(handle.get(), checksumBlock));
    } catch (const HashError& e) {
        LOG_ERROR(tstrings::format("%s failed with %s", e.call().c_str(),
                                   WinErrorHandling::systemErrorText(e.code()).c_str()));
    }
    return std::nullopt;
}

}  // namespace UpdateUtils
