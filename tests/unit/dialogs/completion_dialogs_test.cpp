// The completion, failure, plug-in and restore pages, played by the simulated user.
#include "dialogs/completion_dialogs.h"

#include <gtest/gtest.h>

#include "foundation/sys_info.h"
#include "support/sim_dialogs.h"

namespace {

using namespace dialogs;
using sim_dialogs::control;
namespace mb = platform::mb;

class CompletionDialogsTest : public testing::Test {
protected:
    void SetUp() override {
        sim_dialogs::install(sim.machine());
        auto& desktop = sim->desktop();
        const auto buttons = [](std::vector<sim::SimControl> controls) {
            controls.push_back(control(headerBand, {0, 0, 500, 58}));
            controls.push_back(control(whiteBody, {0, 97, 500, 302}));
            return controls;
        };
        desktop.defineTemplate(setupCompleteTemplate,
                               buttons({control(completeHeading, {12, 68, 488, 92}), control(verifyNote, {24, 110, 476, 130}),
                                        control(updateSettingsLink, {24, 140, 476, 160}, "Change <l>update settings</l>."),
                                        control(securityNote, {24, 170, 476, 190}), control(securityLink, {24, 195, 476, 210}, "<l>Levels</l>"),
                                        control(restartNote, {24, 215, 476, 235}), control(restartBox, {24, 240, 476, 260}),
                                        control(3049, {0, 0, 1, 1}), control(3052, {0, 0, 1, 1}),
                                        control(idBack, {290, 315, 386, 341}), control(idCancel, {392, 315, 488, 341})}));
        desktop.defineTemplate(setupCompleteErrorTemplate,
                               buttons({control(errorHeading, {12, 68, 488, 92}), control(errorCodeText, {24, 110, 476, 130}),
                                        control(errorHelpLink, {24, 140, 476, 160}, "<l>Help</l>"), control(errorIcon, {8, 100, 40, 132}),
                                        control(idCancel, {392, 315, 488, 341})}));
        desktop.defineTemplate(restoreSecurityTemplate,
                               buttons({control(restoreHeading, {12, 68, 488, 92}), control(restoreBox, {24, 200, 476, 220}),
                                        control(restoreLink, {24, 170, 476, 190}, "<l>More</l>"),
                                        control(idBack, {290, 315, 386, 341}), control(idOk, {392, 315, 488, 341})}));
        auto& resources = sim->resources();
        resources.addString(0x0409, idsCompleteHeading, "You have successfully installed Zarn");
        resources.addString(0x0409, idsRestartCaption, "Zarn Setup");
        resources.addString(0x0409, idsRestartQuestion, "Close without restarting your browsers?");
        resources.addString(0x0409, idsUpdateSettingsAddress, "https://www.zarn.example/en/update-settings/");
        resources.addString(0x0409, idsErrorCode, "Error Code: %d");
        resources.addString(0x0409, idsErrorHelpAddress, "https://www.zarn.example/en/help/");
        resources.addString(0x0409, idsRestoreAddress, "https://www.zarn.example/en/prompts/");
        resources.add(platform::ResourceId::of(platform::rt::bitmap), platform::ResourceId::of(errorIconBitmap), 0,
                      sim_dialogs::bitmapResource(32, 32));
        SysInfo::initialize();
    }

    std::shared_ptr<sim::SimDialog> last() { return sim->desktop().dialogs().back(); }

    sim::MachineScope sim;
};

TEST_F(CompletionDialogsTest, CompletionPageShowsWhatTheDataAsks) {
    const struct {
        const char* name;
        SetupCompleteData data;
    } rows[] = {
        {"alone", {}},
        {"after other pages, verify and security notes", {false, false, true, true, true, false, true, false, {}}},
        {"restart offered, unticked", {true, false, false, false, false, true, false, false, {}}},
    };
    for (const auto& row : rows) {
        SetupCompleteData data = row.data;
        sim->desktop().onDialog(setupCompleteTemplate, [](sim::SimDialog& d) { d.click(idCancel); });
        EXPECT_EQ(CSetupComplete(1033, data).DoModal(), idCancel) << row.name;
        const auto page = last();
        EXPECT_EQ(page->control(completeHeading).text, "You have successfully installed Zarn");
        EXPECT_EQ(page->control(idBack).visible, row.data.showBack) << row.name;
        EXPECT_EQ(page->control(verifyNote).visible, row.data.showVerifyText) << row.name;
        EXPECT_EQ(page->control(securityLink).visible, row.data.showSecurityNote) << row.name;
        EXPECT_EQ(page->control(restartBox).visible, row.data.restartOffered) << row.name;
        EXPECT_EQ(page->control(restartBox).checked, row.data.restartNow) << row.name;
        EXPECT_FALSE(page->control(3049).visible || page->control(3052).visible) << row.name;
        EXPECT_EQ(page->control(securityLink).text,
                  "<A HREF=\"https://www.zarn.example/securityminvalue/\">Levels</A>");
    }
    EXPECT_EQ(sim->desktop().liveObjects(), 0);
}

// Unticking the restart box is confirmed on Close: Cancel keeps the browsers as they are; Back keeps
// the box's state for the next visit.
TEST_F(CompletionDialogsTest, RestartDecision) {
    SetupCompleteData data;
    data.restartOffered = true;
    data.showBack = true;
    sim->desktop().onDialog(setupCompleteTemplate, [](sim::SimDialog& d) {
        d.tick(restartBox, false);
        d.click(idBack);
    });
    EXPECT_EQ(CSetupComplete(1033, data).DoModal(), idBack);
    EXPECT_FALSE(data.restartNow);

    for (const int answer : {mb::idCancel, mb::idOk}) {
        sim->desktop().answer(answer);
        sim->desktop().onDialog(setupCompleteTemplate, [](sim::SimDialog& d) { d.click(idCancel); });
        EXPECT_EQ(CSetupComplete(1033, data).DoModal(), idCancel);
        EXPECT_EQ(data.restartNow, answer == mb::idOk);
        ASSERT_FALSE(sim->desktop().shown().empty());
        const auto box = sim->desktop().shown().back();
        EXPECT_EQ(box.text, "Close without restarting your browsers?");
        EXPECT_EQ(box.type, mb::okCancel | mb::iconExclamation | mb::defButton2);
        data.restartNow = false;
    }
}

TEST_F(CompletionDialogsTest, FailurePageNamesTheErrorCode) {
    sim->desktop().onDialog(setupCompleteErrorTemplate, [](sim::SimDialog& d) { d.click(idCancel); });
    EXPECT_EQ(CSetupCompleteError(1033, 1603).DoModal(), idCancel);
    EXPECT_EQ(last()->control(errorCodeText).text, "Error Code: 1603");
    EXPECT_EQ(sim->desktop().liveObjects(), 0) << "the icon bitmap is freed with the page";
}

TEST_F(CompletionDialogsTest, RestorePageKeepsTheChoiceOnBackAndNext) {
    for (const bool showBack : {false, true}) {
        sim->desktop().onDialog(restoreSecurityTemplate, [](sim::SimDialog& d) {
            EXPECT_TRUE(d.control(restoreBox).checked);
            d.tick(restoreBox, false);
            d.click(idOk);
        });
        CRestoreSecurityDialog page(1033, showBack, true);
        EXPECT_EQ(page.DoModal(), idOk);
        EXPECT_FALSE(page.restore());
        EXPECT_EQ(last()->control(idBack).visible, showBack);
    }
}

}  // namespace
