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

/// The text from the first "." to the next "/": a host without its first label, with its port.
std::string domainPart(const std::string& url) {
    const auto dot = url.find('.');
    if (dot == std::string::npos) return {};
    const auto slash = url.find('/', dot);
    return url.substr(dot, slash == std::string::npos ? std::string::npos : slash - dot);
}

bool endsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

}  // namespace

bool IsAllowedUrl(const std::string& url) {
    for (const char* prefix : product::sites::sitePrefixes) {
        if (url.find(prefix) != std::string::npos) return true;
    }
    const std::string domain = domainPart(url);
    for (const char* suffix : product::sites::siteDomains) {
        if (endsWith(domain, suffix)) return true;
        // A port of four digits may follow.
        if (domain.size() > 5 && domain[domain.size() - 5] == ':' &&
            endsWith(domain.substr(0, domain.size() - 5), suffix)) {
            return true;
        }
    }
    return false;
}

int GetCountry(const std::string& url, std::string& country, bool interactive) {
    country = metrics::noCountry;
    if (url.empty() || !IsAllowedUrl(url)) return 0;
    // Only a two-letter value counts; anything else is asked for again and replaced.
    if (const auto stored = UpdateConf::ReadPolicyValue(metrics::countryValue, countryBytes);
        stored && stored->size() == 2) {
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
