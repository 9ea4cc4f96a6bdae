// What the removal of out-of-date runtimes did on this machine, as the install ping reports it: the
// runtimes present, those kept, those uninstalled with msiexec's exit code, and whether the offer was
// ignored or the machine is centrally managed.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "scrub/latest_version.h"

namespace zscrub {

struct UninstallResult {
    ScrubVersion version;
    std::uint32_t exitCode = 0;
};

class ZarnScrubPingData {
public:
    /// Every installed runtime but `current` is available.
    ZarnScrubPingData(const std::vector<ScrubVersion>& installed, const ScrubVersion& current);

    void setIsDRS(bool drs);
    void setIsIgnoredByUser(bool ignored);
    void addKeptVersion(const ScrubVersion& version);
    void addUninstalledVersion(const ScrubVersion& version, std::uint32_t exitCode);

    /// The available versions neither kept nor uninstalled.
    std::vector<ScrubVersion> calculateSecureVersions() const;
    /// The removal list; empty when no other runtime is installed.
    std::string createUninstallPing() const;

private:
    std::vector<ScrubVersion> kept_;
    std::vector<ScrubVersion> available_;
    std::vector<UninstallResult> uninstalled_;
    bool isDrs_ = false;
    bool isIgnoredByUser_ = false;
};

}  // namespace zscrub
