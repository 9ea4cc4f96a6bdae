#include "metrics/ping.h"

#include <optional>

#include "foundation/catch_handlers.h"
#include "foundation/logger.h"
#include "foundation/product_constants.h"
#include "foundation/product_sites.h"
#include "foundation/sys_info.h"
#include "foundation/tstrings_format.h"
#include "foundation/zarn_environment.h"
#include "metrics/default_browser.h"
#include "metrics/metrics_constants.h"
#include "metrics/ping_body.h"
#include "metrics/update_conf.h"
#include "metrics/update_utils.h"
#include "net/http_connection.h"
#include "net/network_bounds.h"
#include "scrub/scrub_ping_data.h"

namespace UpdateConf {

namespace {

constexpr const char* userAgent = "zupdate";
constexpr const char* defaultReportSuite = "pellaminstallstat";
constexpr const char* plainHttpPassword = "hrwnzkqlbytmsx";
constexpr const char* otherHttpsPassword = "qvmtrkalpezdw";
constexpr const char* statusReinstall = "reinstall";
constexpr const char* statusExists = "exists";
constexpr const char* statusDecline = "decline";
constexpr int sameBuildExists = -128;

std::string number(int value) { return tstrings::format("%i", value); }

std::string reportSuite(const std::string& url) {
    const auto comma = url.find(',');
    return comma == std::string::npos ? defaultReportSuite : url.substr(comma + 1);
}

// The newest installed runtime of the process's bitness other than this version, without its build.
std::string latestOtherVersion(int bitness) {
    try {
        // Both sides without their build: a parsed text leaves the build 0, a copy without it marks it absent.
        const ZarnVersion own = ZarnVersionDetails::noBuildCopy(ZarnVersion(std::string(product::plainVersion)));
        std::optional<ZarnVersion> newest;
        for (const InstalledProduct& runtime : ZarnEnvironment::installedKobu(bitness)) {
            const ZarnVersion plain = ZarnVersionDetails::noBuildCopy(runtime.version);
            if (plain == own) continue;
            if (!newest || *newest < plain) newest = plain;
        }
        if (newest) return ZarnVersionDetails::toString(*newest);
    }
    ZARN_CATCH_ALL
    return "XX";
}

int normalised(int result, const std::string& status) {
    if (status == statusExists && (result == 1603 || result == 1602 || result == 1638)) return sameBuildExists;
    return result == 1638 ? sameBuildExists : result;
}

}  // namespace

std::string EndpointPassword(const std::string& url) {
    if (url.find("https://") == std::string::npos) return plainHttpPassword;
    if (url.rfind(product::sites::pingEndpoint, 0) != 0) return otherHttpsPassword;
    return tstrings::format("%x", metrics::pingPasswordSeed);
}

int InstallPing::send(bool webAnalytics, const PingContext& context, const PingReport& report) {
    if (!webAnalytics) {
        logit("Pings disabled.");
        return 1;
    }
    logit("Pings enabled");
    const std::string& url = context.postStatusUrl;
    if (url.empty() || !UpdateUtils::IsAllowedUrl(url)) {
        LOG_ERROR("No pings: unallowed url: " << url);
        return 0;
    }
    if (!latestOtherVersion_) {
        GetVisitorId();
        latestOtherVersion_ = latestOtherVersion(context.is64BitProcess ? 64 : 32);
    }

    PingBody body;
    const std::string visitorId = GetVisitorId();
    body.add("sc_xml_ver", "1.0");
    body.add("reportsuiteid", reportSuite(url));
    body.add("visitorid", visitorId);
    body.add("prop21", visitorId);
    body.add("prop20", EndpointPassword(url));
    body.add("pagename", "ic");
    body.add("evar42", report.regDeployStatus.empty() ? "XX" : report.regDeployStatus);
    body.add("evar24", number(static_cast<int>(report.msiStatusError)));
    body.add("evar25", number(static_cast<int>(report.msiStatusExtendedError)));
    body.add("evar2", product::versionText);
    body.add("evar15", product::versionText);
    body.add("evar40", number(GetOfferedCount()));
    body.add("evar26", number(report.auResult));
    body.add("evar27", product::carriedAuVersion);
    body.add("evar28", report.previousAuVersion);
    body.add("evar4", context.is64BitProcess ? "amd64" : "i586");
    body.add("evar5", SysInfo::getArchName());
    body.add("evar6", SysInfo::getOsName());
    body.add("evar7", context.installMethod);
    body.add("evar8", context.countryCode);
    body.add("events", "event6,event7");

    const std::string status = ReadInstallStatus();
    ClearInstallStatus();
    if (status == statusReinstall) {
        logit("No pings: reinstall");
        return 0;
    }
    const int result = normalised(report.installResult, status);
    if (result != 0 || status == statusDecline) {
        WritePolicyValue(metrics::visitorIdValue, std::nullopt);
        WritePolicyValue(metrics::methodValue, std::nullopt);
    }
    const MetricsTexts counters = GetUpdatedKobuMetrics(result);
    body.add("evar17", counters.installAttempts);
    body.add("evar18", counters.machineCounted);
    body.add("evar19", counters.updateCount);
    body.add("evar29", tstrings::format("%d", DefaultBrowserCode()));
    body.add("evar30", tstrings::format("%d", static_cast<int>(0xFFFFFFFFu)));
    const char* bitnessText = context.is64BitProcess ? "64bit" : "32bit";
    body.add("evar31", bitnessText);
    if (context.is64BitProcess) {
        body.add("evar34", report.latestRuntimeKeyAgain.empty() ? "XX" : report.latestRuntimeKeyAgain);
    } else {
        const std::string& key = report.latestRuntimeKey;
        body.add("evar33", key.size() < 2 || key == "NA" ? *latestOtherVersion_ : key);
    }
    body.add("evar50", BrowserPresence());
    if (status == statusDecline) {
        logit("No pings: decline");
        return 0;
    }
    std::string product = tstrings::format(";kobu|%d~%s", result, bitnessText);
    if (!status.empty() && status != statusExists) product += status;
    body.add("products", product);
    if (report.removalData != nullptr) {
        const std::string list = report.removalData->createUninstallPing();
        LOG_INFO("Zarn Removal Tool ping: " << list);
        if (!list.empty()) body.add("list1", list);
    }
    return SendHeadRequest(url, body.finish());
}

int SendHeadRequest(const std::string& url, const std::string& body) {
    int sent = 0;
    try {
        net::within<bool>(net::requestDeadlineMs, [url, body](const auto& handles) {
            HttpConnection(url)
                .setUserAgent(userAgent)
                .setMethod(HttpConnection::post)
                .setData(std::vector<std::uint8_t>(body.begin(), body.end()))
                .connect(true, handles)
                .saveToBuffer();
            return true;
        });
        sent = 1;
    }
    ZARN_CATCH_ALL
    LogHeadRequestBuffer(body);
    return sent;
}

void LogHeadRequestBuffer(const std::string& body) { LOG_INFO("Ping Values: " << PingValues(body)); }

}  // namespace UpdateConf
