#include "scrub/removal_dialogs.h"

#include "foundation/tstrings_format.h"

namespace zscrub {

std::string displayNameOf(const ScrubVersion& version) {
    return ZarnVersionDetails::displayName(version.version, static_cast<int>(version.bitness));
}

std::string versionTextOf(const ScrubVersion& version) {
    return ZarnVersionDetails::toString(ZarnVersionDetails::noBuildCopy(version.version));
}

namespace ui {

namespace {

// The page's own links, which end their dialog instead of opening a browser.
constexpr const char* manageListLink = "manageListLink";
constexpr const char* viewListLink = "viewListLink";

bool isLinkTo(const std::string& name, const std::vector<std::string>& arguments, const char* link) {
    return name == "a" && !arguments.empty() && arguments[0] == link;
}

}  // namespace

void ZarnScrubDialog::onEvent(const std::string& name, const std::vector<std::string>& arguments) {
    if (isLinkTo(name, arguments, manageListLink)) {
        endDialog(link);
        return;
    }
    Dialog::onEvent(name, arguments);
}

void ZarnScrubVersionsDialog::setItems(std::vector<ScrubListItem> items) { items_ = std::move(items); }

void ZarnScrubVersionsDialog::onLoadComplete() {
    std::string state;
    for (std::size_t i = 0; i < items_.size(); ++i) {
        execScript(
            tstrings::format("addListItem('%d','%s');", static_cast<int>(i), displayNameOf(items_[i].version).c_str()));
        state += items_[i].selected ? '1' : '0';
    }
    if (!items_.empty()) execScript(tstrings::format("updateListItems('%s');", state.c_str()));
    Dialog::onLoadComplete();
}

void ZarnScrubVersionsDialog::onEvent(const std::string& name, const std::vector<std::string>& arguments) {
    if (name == "checkbox_clicked") {
        const std::string& boxes = argument(arguments, 0);
        for (std::size_t i = 0; i < boxes.size() && i < items_.size(); ++i) items_[i].selected = boxes[i] == '1';
    }
    Dialog::onEvent(name, arguments);
}

void ZarnScrubDRSDialog::onLoadComplete() {
    for (const auto& version : versions_) {
        execScript(tstrings::format("addListItem('%s');", displayNameOf(version).c_str()));
    }
    Dialog::onLoadComplete();
}

void ZarnScrubProgressDialog::onLoadComplete() {
    execScript(tstrings::format("showProgressView(%d)", done_ ? 0 : 1));
    Dialog::onLoadComplete();
}

void ZarnScrubProgressDialog::onEvent(const std::string& name, const std::vector<std::string>& arguments) {
    if (isLinkTo(name, arguments, viewListLink)) {
        endDialog(link);
        return;
    }
    Dialog::onEvent(name, arguments);
}

void ZarnScrubProgressDialog::setStatus(const std::string& name, std::size_t n, std::size_t count) {
    execScript(
        tstrings::format("setStatus('%s','%d','%d')", name.c_str(), static_cast<int>(n), static_cast<int>(count)));
}

void ZarnScrubCompleteDialog::onLoadComplete() {
    for (const auto& version : removed_) {
        execScript(tstrings::format("addListItem('%s', '%s');", "uninstalledList", displayNameOf(version).c_str()));
    }
    for (const auto& version : remaining_) {
        execScript(tstrings::format("addListItem('%s', '%s');", "remainingList", displayNameOf(version).c_str()));
    }
    Dialog::onLoadComplete();
}

}  // namespace ui

}  // namespace zscrub
