#include "scrub/scrub_ping_data.h"

#include <algorithm>

#include "foundation/logger.h"

namespace zscrub {

namespace {

constexpr std::int32_t secureCode = -22;
constexpr std::int32_t keptCode = -20;

std::string nameOf(const ScrubVersion& v) {
    return ZarnVersionDetails::displayName(v.version, static_cast<int>(v.bitness));
}

std::string versionToken(std::int32_t code, const ScrubVersion& v) {
    return "unkobu~" + std::to_string(code) + "~" +
           ZarnVersionDetails::toString(ZarnVersionDetails::noBuildCopy(v.version)) + ":" + std::to_string(v.bitness) +
           ";";
}

std::string uninstallerToken(const char* outcome) { return std::string("uninstaller~") + outcome + "~XX"; }

bool contains(const std::vector<ScrubVersion>& list, const ScrubVersion& v) {
    return std::any_of(list.begin(), list.end(), [&](const ScrubVersion& other) { return other.sameRuntime(v); });
}

}  // namespace

ZarnScrubPingData::ZarnScrubPingData(const std::vector<ScrubVersion>& installed, const ScrubVersion& current) {
    LOG_TRACE("ZarnScrubPingData: excluding current version " << nameOf(current));
    for (const ScrubVersion& v : installed) {
        if (v.sameRuntime(current)) continue;
        available_.push_back(v);
        LOG_INFO("ZarnScrubPingData: Adding available Version: " << nameOf(v));
    }
}

void ZarnScrubPingData::setIsDRS(bool drs) {
    LOG_INFO("ZarnScrubPingData: Setting isDrs to: " << (drs ? 1 : 0));
    isDrs_ = drs;
}

void ZarnScrubPingData::setIsIgnoredByUser(bool ignored) {
    LOG_INFO("ZarnScrubPingData: Setting isIgnoredByUser to: " << (ignored ? 1 : 0));
    isIgnoredByUser_ = ignored;
}

void ZarnScrubPingData::addKeptVersion(const ScrubVersion& version) {
    LOG_INFO("ZarnScrubPingData: Adding kept Version: " << nameOf(version));
    kept_.push_back(version);
}

void ZarnScrubPingData::addUninstalledVersion(const ScrubVersion& version, std::uint32_t exitCode) {
    LOG_INFO("ZarnScrubPingData: Adding Uninstall result for Version: " << nameOf(version) << "; exitCode is "
                                                                        << exitCode);
    uninstalled_.push_back(UninstallResult{version, exitCode});
}

std::vector<ScrubVersion> ZarnScrubPingData::calculateSecureVersions() const {
    std::vector<ScrubVersion> secure;
    for (const ScrubVersion& v : available_) {
        const bool uninstalled = std::any_of(uninstalled_.begin(), uninstalled_.end(),
                                             [&](const UninstallResult& r) { return r.version.sameRuntime(v); });
        if (uninstalled || contains(kept_, v)) continue;
        LOG_INFO("ZarnScrubPingData: Adding secure Version: " << nameOf(v));
        secure.push_back(v);
    }
    return secure;
}

std::string ZarnScrubPingData::createUninstallPing() const {
    if (available_.empty()) return {};
    if (isDrs_) {
        LOG_INFO("DRS file is found on machine");
        return uninstallerToken("ua102");
    }
    const std::vector<ScrubVersion> secure = calculateSecureVersions();
    LOG_INFO("1: " << secure.size());
    std::string list;
    for (const ScrubVersion& v : secure) list += versionToken(secureCode, v);
    for (const ScrubVersion& v : kept_) list += versionToken(keptCode, v);
    if (isIgnoredByUser_ || (!kept_.empty() && uninstalled_.empty())) {
        LOG_INFO("User cancelled kobu uninstallation");
        return list + uninstallerToken("ua101");
    }
    LOG_INFO("Some KOBUs were uninstalled");
    bool anyFailed = false;
    for (const UninstallResult& r : uninstalled_) {
        list += versionToken(static_cast<std::int32_t>(r.exitCode), r.version);
        anyFailed = anyFailed || r.exitCode != 0;
    }
    return list + uninstallerToken(anyFailed ? "ua500" : "ua100");
}

}  // namespace zscrub
