#include "scrub/removal_sequence.h"

#include "foundation/catch_handlers.h"
#include "foundation/logger.h"
#include "foundation/product_constants.h"
#include "foundation/sys_info.h"
#include "platform/file_system.h"
#include "platform/machine.h"
#include "scrub/scrub_constants.h"
#include "scrub/removal_dialogs.h"
#include "scrub/zarn_scrub.h"

namespace zscrub {

namespace {

using Items = std::vector<ScrubListItem>;

/// The runtime this installer puts on the machine: 32-bit on a 32-bit system or under WOW64.
ScrubVersion currentRuntime() {
    ScrubVersion current;
    current.version = ZarnVersion(product::versionText);
    current.bitness = static_cast<std::uint32_t>(SysInfo::processBitness());
    return current;
}

bool deploymentRuleSetPresent() {
    std::uint32_t attributes = platform::file::invalidAttributes;
    platform::machine().fileSystem().getFileAttributes(deploymentRuleSetPath(), attributes);
    return attributes != platform::file::invalidAttributes;
}

/// The notice, and the list behind its link, until the user decides; the items as they then stand.
std::uint32_t chooseVersions(const Items& initial, Items& working) {
    ui::ZarnScrubDialog notice;
    ui::ZarnScrubVersionsDialog list;
    for (;;) {
        const std::uint32_t result = notice.run();
        if (result != ::ui::Dialog::link) return result;
        list.setItems(working);
        if (list.run() == ::ui::Dialog::next) {
            working = list.items();
            return ::ui::Dialog::next;
        }
        working = initial;  // Back drops the user's changes
    }
}

/// Uninstalls the selected items under the progress page; a failed one is deselected.
void uninstall(Items& items, ui::ZarnScrubProgressDialog& progress, ZarnScrubPingData& pingData) {
    std::size_t count = 0;
    for (const auto& item : items) count += item.selected ? 1 : 0;
    std::size_t n = 0;
    for (auto& item : items) {
        if (!item.selected) continue;
        const std::string name = displayNameOf(item.version);
        progress.setStatus(name, ++n, count);
        const std::string text = versionTextOf(item.version);
        std::uint32_t exitCode = 0;
        if (ZarnScrub::uninstallKobuVersion(text, item.version.bitness == 64, &exitCode)) {
            LOG_INFO("Out-of-date Zarn uninstall success: " << text);
        } else {
            item.selected = false;
            LOG_ERROR("Out-of-date Zarn uninstall error: " << text);
        }
        pingData.addUninstalledVersion(item.version, exitCode);
    }
}

void showResults(const Items& items) {
    std::vector<ScrubVersion> removed;
    std::vector<ScrubVersion> remaining;
    for (const auto& item : items) {
        const std::string text = versionTextOf(item.version);
        if (item.selected) {
            LOG_INFO("Out-of-date Zarn removed: " << text);
            removed.push_back(item.version);
        } else {
            LOG_INFO("Out-of-date Zarn remaining: " << text);
            remaining.push_back(item.version);
        }
    }
    ui::ZarnScrubCompleteDialog(std::move(removed), std::move(remaining)).run();
}

}  // namespace

std::string deploymentRuleSetPath() {
    return SysInfo::getWindowsDir() + deploymentRuleSetFile;
}

void showSequence(const std::vector<ScrubVersion>& candidates, ZarnScrubPingData& pingData) {
    Items initial;
    for (const auto& candidate : candidates) {
        initial.push_back({(candidate.flags & ScrubVersion::inRange) != 0, candidate});
    }
    Items items = initial;
    if (chooseVersions(initial, items) != ::ui::Dialog::next) {
        for (const auto& item : items) pingData.addKeptVersion(item.version);
        pingData.setIsIgnoredByUser(true);
        return;
    }
    bool any = false;
    for (const auto& item : items) {
        if (item.selected) {
            any = true;
        } else {
            pingData.addKeptVersion(item.version);
        }
    }
    if (!any) return;

    ui::ZarnScrubProgressDialog progress;
    progress.show();
    uninstall(items, progress, pingData);
    progress.hide();
    progress.setDone();
    if (progress.run() != ::ui::Dialog::link) return;
    showResults(items);
}

ZarnScrubPingData runSequence() {
    const std::vector<ScrubVersion> installed = installedRuntimes();
    ZarnScrubPingData pingData(installed, currentRuntime());
    try {
        const std::vector<ScrubVersion> candidates = findOutOfDateVersions(product::plainVersion);
        LOG_INFO("Out-of-date Zarn versions detected: " << candidates.size());
        if (candidates.empty()) return pingData;
        if (deploymentRuleSetPresent()) {
            // The machine is managed whether or not its notice can be shown, whatever kept it from showing.
            try {
                ui::ZarnScrubDRSDialog(candidates).run();
            } catch (const std::exception& e) {
                LOG_ERROR("The managed-machine notice was not shown: " << e.what());
            } catch (...) {
                LOG_ERROR("The managed-machine notice was not shown: unknown error");
            }
            LOG_INFO("DRS detected, skipping out-of-date Zarn uninstall");
            pingData.setIsDRS(true);
            return pingData;
        }
        showSequence(candidates, pingData);
    }
    ZARN_CATCH_ALL
    return pingData;
}

}  // namespace zscrub
