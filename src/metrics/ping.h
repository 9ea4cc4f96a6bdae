// The install ping: one XML document posted to the analytics endpoint at the end of an installation,
// with the visitor id, versions, system facts, the counters, the results and the removal report.
// Nothing here throws to the caller.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace zscrub {
class ZarnScrubPingData;
}

namespace UpdateConf {

/// The process-wide texts the options document set, and the process's bitness.
struct PingContext {
    std::string postStatusUrl;
    std::string countryCode;
    std::string installMethod;
    bool is64BitProcess = true;
};

/// What the run reports, in the order it hands the values over.
struct PingReport {
    /// The removal report, when the removal ran.
    const zscrub::ZarnScrubPingData* removalData = nullptr;
    std::string latestRuntimeKey;
    int installResult = 0;
    int auResult = -99;
    std::string previousAuVersion;
    std::string latestRuntimeKeyAgain;
    std::string regDeployStatus;
    std::uint32_t msiStatusError = 0;
    std::uint32_t msiStatusExtendedError = 0;
};

/// The pings of one process: what is worked out once is kept for them all.
class InstallPing {
public:
    /// Builds and posts the ping: 1 when pings are off (nothing read or written), else 1 sent, 0 not.
    int send(bool webAnalytics, const PingContext& context, const PingReport& report);

private:
    /// The newest other runtime installed, without its build; "XX" when there is none.
    std::optional<std::string> latestOtherVersion_;
};

/// Posts `body` to `url` with the agent "zupdate" and logs it: 1 sent, 0 not.
int SendHeadRequest(const std::string& url, const std::string& body);
/// Logs "Ping Values: " and the body's names and values, its password masked.
void LogHeadRequestBuffer(const std::string& body);

/// The value of "prop20" for `url`.
std::string EndpointPassword(const std::string& url);

}  // namespace UpdateConf
