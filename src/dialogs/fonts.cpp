#include "dialogs/fonts.h"

#include "foundation/errors.h"
#include "foundation/logger.h"
#include "foundation/sys_info.h"
#include "platform/machine.h"

namespace dialogs {

namespace {

constexpr int vista = 2;
constexpr int regularWeight = 500;
constexpr int boldWeight = 700;
constexpr int pointsPerInch = 72;

/// MulDiv: a * b / c rounded to the nearest, halves away from zero.
int mulDiv(int a, int b, int c) {
    const long long product = static_cast<long long>(a) * b;
    const long long half = c / 2;
    return static_cast<int>(product >= 0 ? (product + half) / c : (product - half) / c);
}

}  // namespace

std::string fontFaceFor(std::string_view country, int osLevel) {
    if (country == "Japan") return "MS UI Gothic";
    if (osLevel < vista || country == "Korea" || country == "China" || country == "Taiwan") return "Pellam Sans";
    return "Segoe UI";
}

platform::FontStyle fontStyleFor(std::string_view country, int osLevel, int points, bool bold, int pixelsPerInch) {
    return platform::FontStyle{fontFaceFor(country, osLevel), -mulDiv(points, pixelsPerInch, pointsPerInch),
                               bold ? boldWeight : regularWeight};
}

AutoFont createLocaleFont(int points, bool bold) {
    auto& desktop = platform::machine().desktop();
    std::string country;
    if (const auto code = desktop.systemLocaleCountry(country)) {
        LOG_ERROR("GetLocaleInfo(LOCALE_SENGCOUNTRY) failed with " << WinErrorHandling::systemErrorText(code));
    }
    const auto style = fontStyleFor(country, SysInfo::osLevel(), points, bold, desktop.screenPixelsPerInchY());
    platform::Font font = platform::Font::null;
    if (const auto code = desktop.createFont(style, font)) {
        LOG_ERROR("CreateFontIndirect(" << style.faceName << ") failed with "
                                        << WinErrorHandling::systemErrorText(code));
    }
    return AutoFont(font);
}

}  // namespace dialogs
