// Pictures of the removal pages for `make screenshots`: each page in each state, in each language,
// filled by the real dialogs as the installer fills them and rendered by the test browser.
//
// usage: scrub_screenshots DPI OUTPUT_DIRECTORY [LANGUAGE...]   (default: every user-interface language)
// The pages are drawn at DPI/96 times their size, as the Windows control zooms them on such a display.
#include <cstdlib>
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

/// Shows the page in its state, then shoots it once its `loads`-th load is complete.
struct Shot {
    const char* name;
    std::function<void(const std::function<void(int loads)>& shoot)> take;
};

const std::vector<Shot> shots = {
    {"notice", [](const auto& shoot) {
         pages::ZarnScrubDialog notice;
         notice.show();
         shoot(1);
     }},
    {"list", [](const auto& shoot) {
         pages::ZarnScrubVersionsDialog list;
         list.setItems({{true, version("1.6.0_20")}, {false, version("1.7.0_05")}, {true, version("1.7.0_45")}});
         list.show();
         shoot(1);
     }},
    {"progress", [](const auto& shoot) {
         pages::ZarnScrubProgressDialog progress;
         progress.show();
         progress.setStatus(zscrub::displayNameOf(version("1.6.0_20")), 1, 2);
         shoot(1);
     }},
    {"done", [](const auto& shoot) {
         // A loaded dialog shows at once: the completion view comes with the reload.
         pages::ZarnScrubProgressDialog progress;
         progress.show();
         progress.setDone();
         progress.show();
         shoot(2);
     }},
    {"results", [](const auto& shoot) {
         pages::ZarnScrubCompleteDialog results({version("1.6.0_20"), version("1.7.0_45")}, {version("1.7.0_05")});
         results.show();
         shoot(1);
     }},
    {"drs", [](const auto& shoot) {
         pages::ZarnScrubDRSDialog managed({version("1.6.0_20"), version("1.7.0_05"), version("1.7.0_45")});
         managed.show();
         shoot(1);
     }},
};

}  // namespace

int main(int argc, char** argv) {
    const int dpi = argc >= 3 ? std::atoi(argv[1]) : 0;
    if (dpi < 96) {
        std::cerr << "usage: scrub_screenshots DPI OUTPUT_DIRECTORY [LANGUAGE...]\n";
        return 2;
    }
    setenv("ZARN_PAGE_SCALE", std::to_string(dpi / 96.0).c_str(), 1);  // read by the relay the browser starts
    const std::filesystem::path out = argv[2];
    std::vector<std::string> languages(argv + 3, argv + argc);
    if (languages.empty()) {
        for (const Locale& locale : Locale::all()) languages.emplace_back(locale.name());
    }
    try {
        sim::MachineScope machine;
        const auto browser = test::newChromiumBrowser();
        for (const std::string& language : languages) {
            ui::dialogSettings().locale = language;
            ui::dialogSettings().baseUrl = std::string("file://") + ZARN_PAGES;
            std::filesystem::create_directories(out / language);
            for (const Shot& shot : shots) {
                test::ChromiumWindows windows(machine->desktop(), browser);
                shot.take([&](int loads) {
                    windows.last().waitForLoads(loads);
                    const std::string file = "scrub-" + std::string(shot.name) + "-" + std::to_string(dpi) + ".png";
                    windows.last().screenshot((out / language / file).string());
                });
            }
            std::cout << "scrub screenshots: " << language << " at " << dpi << " dpi\n";
        }
    } catch (const std::exception& e) {
        std::cerr << "scrub screenshots: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
