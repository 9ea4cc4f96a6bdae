// What every page shares: the font for the system locale and the link made of a marked text.
#include <gtest/gtest.h>

#include "dialogs/fonts.h"
#include "dialogs/sys_link.h"
#include "foundation/errors.h"
#include "foundation/sys_info.h"
#include "foundation/tstrings_convert.h"
#include "support/sim_dialogs.h"

namespace {

using dialogs::fontStyleFor;

// The face follows the country and the Windows level; the height the pixels per inch (rounded), the
// weight the boldness.
TEST(FontsTest, StyleRows) {
    const struct {
        const char* country;
        int osLevel, points;
        bool bold;
        int dpi;
        platform::FontStyle style;
    } rows[] = {
        // clang-format off
        {"Japan", 1, 10, false, 96, {"MS UI Gothic", -13, 500}},  {"Japan", 6, 10, false, 96, {"MS UI Gothic", -13, 500}},
        {"Germany", 1, 10, false, 96, {"Pellam Sans", -13, 500}}, {"Germany", 2, 10, false, 96, {"Segoe UI", -13, 500}},
        {"Korea", 6, 10, false, 96, {"Pellam Sans", -13, 500}},   {"China", 6, 10, false, 96, {"Pellam Sans", -13, 500}},
        {"Taiwan", 6, 10, false, 96, {"Pellam Sans", -13, 500}},  {"Germany", 6, 12, true, 144, {"Segoe UI", -24, 700}},
        {"Germany", 6, 8, false, 96, {"Segoe UI", -11, 500}},    // 10.67 rounds up
        // clang-format on
    };
    for (const auto& row : rows) {
        EXPECT_EQ(fontStyleFor(row.country, row.osLevel, row.points, row.bold, row.dpi), row.style)
            << row.country << " at level " << row.osLevel << ", " << row.points << " points at " << row.dpi;
    }
}

TEST(FontsTest, LocaleFontComesFromTheMachine) {
    sim::MachineScope sim;
    SysInfo::initialize();
    sim->desktop().setSystemLocaleCountry("Japan");
    sim->desktop().setPixelsPerInch(144);
    {
        const AutoFont font = dialogs::createLocaleFont(12, true);
        EXPECT_EQ(sim->desktop().font(font.get()), (platform::FontStyle{"MS UI Gothic", -24, 700}));
    }
    EXPECT_EQ(sim->desktop().liveObjects(), 0);

    sim->faults().fail("Desktop.createFont", 8);
    EXPECT_FALSE(dialogs::createLocaleFont(10, false));
    EXPECT_NE(sim.log().find("CreateFontIndirect(MS UI Gothic) failed with "), std::string::npos);
}

TEST(LinkMarkupTest, MarkersBecomeAnAnchor) {
    const struct {
        const char* name;
        const char16_t* text;
        const char16_t* markup;  // null: no link
        const char16_t* plain;
    } rows[] = {
        {"at the ends", u"<l>Click here</l>", u"<A HREF=\"T\">Click here</A>", u"Click here"},
        {"first pair only", u"<l>a</l> <l>b</l>", u"<A HREF=\"T\">a</A> <l>b</l>", u"a <l>b</l>"},
        {"no opening marker", u"Click here</l>", nullptr, nullptr},
        {"no closing marker", u"Click <l>here", nullptr, nullptr},
        {"markers the wrong way round", u"</l>Click<l>", nullptr, nullptr},
    };
    for (const auto& row : rows) {
        const auto link = dialogs::linkMarkup(row.text, u"T");
        ASSERT_EQ(link.has_value(), row.markup != nullptr) << row.name;
        if (!link) continue;
        EXPECT_EQ(link->markup, row.markup) << row.name;
        EXPECT_EQ(link->plain, row.plain) << row.name;
    }
}

class NoLogic final : public platform::DialogHandler {
public:
    void onInit(platform::DialogView&) override {}
    void onCommand(platform::DialogView&, int, int) override {}
};

class SysLinkTest : public testing::Test {
protected:
    static constexpr int link = 487001;

    sim::SimDialog dialog(platform::Rect linkRect, const std::string& text) {
        return sim::SimDialog(sim->desktop(), platform::DialogTemplate{}, static_cast<platform::Window>(0x4242),
                              platform::Window::null, logic, std::vector{sim_dialogs::control(link, linkRect, text)});
    }
    bool logged(const std::string& line) { return sim.log().find("\tERROR: " + line + "\n") != std::string::npos; }

    sim::MachineScope sim;
    NoLogic logic;
};

TEST_F(SysLinkTest, LinkShrinksToItsTextAndIsCentred) {
    auto view = dialog({24, 224, 476, 256}, "Click <l>here</l>");
    EXPECT_EQ(MakeLink4SysLinkCtrl(view, link, "https://t.example/"), 1);
    EXPECT_EQ(view.text(link), "Click <A HREF=\"https://t.example/\">here</A>");
    // "Click here" is 10 characters of 7 pixels in a dialog 500 wide.
    EXPECT_EQ(view.controlRect(link), (platform::Rect{215, 224, 285, 256}));

    // A text as wide as the dialog (560 pixels) stays where it is.
    auto wide = dialog({24, 224, 476, 256}, "<l>" + std::string(80, 'x') + "</l>");
    EXPECT_EQ(MakeLink4SysLinkCtrl(wide, link, "T"), 1);
    EXPECT_EQ(wide.controlRect(link), (platform::Rect{24, 224, 476, 256}));
}

TEST_F(SysLinkTest, WrongParametersAndMissingMarkersKeepTheText) {
    auto view = dialog({24, 224, 476, 256}, "Click here");
    EXPECT_EQ(MakeLink4SysLinkCtrl(view, 99, "T"), 0);
    EXPECT_TRUE(logged("Wrong params: wnd=0000000000000000, url='T'"));
    EXPECT_EQ(MakeLink4SysLinkCtrl(view, link, ""), 0);
    EXPECT_TRUE(logged("Wrong params: wnd=" + formatPointer(platform::raw(view.controlWindow(link))) + ", url=''"));
    EXPECT_EQ(MakeLink4SysLinkCtrl(view, link, "T"), 0);
    EXPECT_TRUE(logged("Cannot find open/close tag(s): , url='T', text='Click here'"));
    EXPECT_EQ(view.text(link), "Click here");
    EXPECT_EQ(view.controlRect(link), (platform::Rect{24, 224, 476, 256}));
}

}  // namespace
