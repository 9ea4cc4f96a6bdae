// The five pages of the removal of out-of-date runtimes, as dialogs: the notice, the list with a check
// box per version, the notice of a centrally managed machine, the progress page and the results.
#pragma once

#include <cstdint>
#include <vector>

#include "html_ui/dialog.h"
#include "scrub/latest_version.h"

namespace zscrub {

/// A candidate as the list shows it.
struct ScrubListItem {
    bool selected = false;
    ScrubVersion version;
};

/// The name users see, such as "Zarn 7 Update 45 (64-bit)".
std::string displayNameOf(const ScrubVersion& version);
/// The version without its build, such as "1.7.0_45".
std::string versionTextOf(const ScrubVersion& version);

namespace ui {

class ZarnScrubDialog final : public ::ui::Dialog {
public:
    ZarnScrubDialog() : Dialog("zarnscrub.html") {}
    void onEvent(const std::string& name, const std::vector<std::string>& arguments) override;
};

class ZarnScrubVersionsDialog final : public ::ui::Dialog {
public:
    ZarnScrubVersionsDialog() : Dialog("zarnscrub_versions.html") {}
    ~ZarnScrubVersionsDialog() override { detach(); }
    /// The list the next run shows; the run's check marks change it.
    void setItems(std::vector<ScrubListItem> items);
    /// Read after `run` has returned.
    const std::vector<ScrubListItem>& items() const { return items_; }

    void onLoadComplete() override;
    void onEvent(const std::string& name, const std::vector<std::string>& arguments) override;

private:
    std::vector<ScrubListItem> items_;
};

class ZarnScrubDRSDialog final : public ::ui::Dialog {
public:
    explicit ZarnScrubDRSDialog(std::vector<ScrubVersion> versions)
        : Dialog("zarnscrub_drs.html"), versions_(std::move(versions)) {}
    ~ZarnScrubDRSDialog() override { detach(); }
    void onLoadComplete() override;

private:
    std::vector<ScrubVersion> versions_;
};

class ZarnScrubProgressDialog final : public ::ui::Dialog {
public:
    ZarnScrubProgressDialog() : Dialog("zarnscrub_progress.html") {}
    ~ZarnScrubProgressDialog() override { detach(); }
    /// From now on the page loads in its completion view.
    void setDone() { done_ = true; }

    void onLoadComplete() override;
    void onEvent(const std::string& name, const std::vector<std::string>& arguments) override;
    /// Shows the item being uninstalled: `n` of `count`.
    void setStatus(const std::string& name, std::size_t n, std::size_t count);

private:
    bool done_ = false;
};

class ZarnScrubCompleteDialog final : public ::ui::Dialog {
public:
    ZarnScrubCompleteDialog(std::vector<ScrubVersion> removed, std::vector<ScrubVersion> remaining)
        : Dialog("zarnscrub_complete.html"), removed_(std::move(removed)), remaining_(std::move(remaining)) {}
    ~ZarnScrubCompleteDialog() override { detach(); }
    void onLoadComplete() override;

private:
    std::vector<ScrubVersion> removed_;
    std::vector<ScrubVersion> remaining_;
};

}  // namespace ui

}  // namespace zscrub
