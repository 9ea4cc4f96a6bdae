// Pictures of the removal pages for `make screenshots`: each page in each state, in each language,
// filled by the real dialogs as the installer fills them and rendered by the test browser.
//
// usage: scrub_screenshots OUTPUT_DIRECTORY [LANGUAGE...]   (default: every user-interface language)
#include <filesystem>
#include <functional>
#include <iostream>
#include <string>
#include <vector>

#include "foundation/locale.h"
#include "platform/sim/sim_machine.h"
#include "scrub/removal_dialogs.h"
#include "support/chromium_window.h"

namespace {

using zscrub::ScrubVersion;
namespace pages = zscrub::ui;

ScrubVersion version(const char* text) { return ScrubVersion{ZarnVersion(text), 64}; }

struct Shot {
    const char* name;
    std::function<void(test::ChromiumWindows&, const std::string&)> take;
};

template <class Dialog>
void showAndShoot(Dialog& dialog, test::ChromiumWindows& windows, const std::string& path) {
    dialog.show();
    windows.last().screenshot(path);
}

const std::vector<Shot>& shots() {
    static const std::vector<Shot> all = {
        {"notice",
         [](test::ChromiumWindows& windows, const std::string& path) {
             pages::ZarnScrubDialog notice;
             showAndShoot(notice, windows, path);
         }},
        {"list",
         [](test::ChromiumWindows& windows, const std::string& path) {
             pages::ZarnScrubVersionsDialog list;
             list.setItems({{true, version("1.6.0_20")}, {false, version("1.7.0_05")}, {true, version("1.7.0_45")}});
             showAndShoot(list, windows, path);
         }},
        {"progress",
         [](test::ChromiumWindows& windows, const std::string& path) {
             pages::ZarnScrubProgressDialog progress;
             progress.show();
             progress.setStatus(zscrub::displayNameOf(version("1.6.0_20")), 1, 2);
             windows.last().screenshot(path);
         }},
        {"done",
         [](test::ChromiumWindows& windows, const std::string& path) {
             pages::ZarnScrubProgressDialog progress;
             progress.show();
             progress.setDone();
             // A loaded dialog shows at once: wait for the reload in the completion view.
             progress.show();
             windows.last().waitFor([](const test::ChromiumWindowState& s) { return s.loads == 2; }, "the reload");
             windows.last().screenshot(path);
         }},
        {"results",
         [](test::ChromiumWindows& windows, const std::string& path) {
             pages::ZarnScrubCompleteDialog results({version("1.6.0_20"), version("1.7.0_45")}, {version("1.7.0_05")});
             showAndShoot(results, windows, path);
         }},
        {"drs",
         [](test::ChromiumWindows& windows, const std::string& path) {
             pages::ZarnScrubDRSDialog managed({version("1.6.0_20"), version("1.7.0_05"), version("1.7.0_45")});
             showAndShoot(managed, windows, path);
         }},
    };
    return all;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::cerr << "usage: scrub_screenshots OUTPUT_DIRECTORY [LANGUAGE...]\n";
        return 2;
    }
    const std::filesystem::path out = argv[1];
    std::vector<std::string> languages(argv + 2, argv + argc);
    if (languages.empty()) {
        for (const Locale& locale : Locale::all()) languages.emplace_back(locale.name());
    }
    try {
        sim::MachineScope machine;
        auto browser = std::make_shared<test::ChromiumBrowser>();
        for (const std::string& language : languages) {
            ui::dialogSettings().locale = language;
            ui::dialogSettings().baseUrl = std::string("file://") + ZARN_PAGES;
            std::filesystem::create_directories(out / language);
            for (const Shot& shot : shots()) {
                test::ChromiumWindows windows(machine->desktop(), browser);
                shot.take(windows, (out / language / ("scrub-" + std::string(shot.name) + ".png")).string());
            }
            std::cout << "scrub screenshots: " << language << "\n";
        }
    } catch (const std::exception& e) {
        std::cerr << "scrub screenshots: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
