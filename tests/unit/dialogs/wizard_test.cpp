// The pages of the installer, played by the simulated user: welcome, destination folder, completion,
// failure and restore.
#include <gtest/gtest.h>

#include "dialogs/change_folder.h"
#include "dialogs/completion_dialogs.h"
#include "dialogs/welcome_dialog.h"
#include "foundation/registry_key.h"
#include "foundation/sys_info.h"
#include "platform/registry.h"
#include "support/default_browser.h"
#include "support/sim_dialogs.h"

namespace {

using namespace dialogs;
namespace mb = platform::mb;
using sim_dialogs::control;

class WizardTest : public testing::Test {
protected:
    void SetUp() override {
        sim_dialogs::install(sim.machine());
        SysInfo::initialize();
    }

    std::shared_ptr<sim::SimDialog> last() { return sim->desktop().dialogs().back(); }
    bool logged(const std::string& text) { return sim.log().find(text) != std::string::npos; }

    void setProgramFiles(const std::string& folder) {
        RegistryKey key;
        key.open(platform::RegKey::localMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion", true, true);
        key.setStringValue("ProgramFilesDir", folder);
    }

    sim::MachineScope sim;
};

TEST_F(WizardTest, WelcomeShowsItsTextsLinksFontsAndColours) {
    sim->desktop().onDialog(welcomeTemplate, [&](sim::SimDialog& d) {
        EXPECT_TRUE(d.control(changeFolderBox).checked);
        const auto header = d.paint(headerBand);
        EXPECT_EQ(header.brush, platform::Paint::Brush::hollow);
        EXPECT_EQ(sim->desktop().bitmapSource(header.fill), "resource 2041");
        for (const int id : {welcomeHeading, changeFolderBox}) {
            const auto paint = d.paint(id);
            EXPECT_EQ(paint.brush, platform::Paint::Brush::solid) << id;
            EXPECT_EQ(paint.colour, platform::rgb(231, 229, 213)) << id;
            EXPECT_TRUE(paint.transparentText) << id;
        }
        for (const int id : {welcomeBody, welcomeNote, licenseLink, whiteBody}) {
            EXPECT_EQ(d.paint(id).brush, platform::Paint::Brush::white) << id;
        }
        EXPECT_EQ(d.paintBackground().colour, platform::rgb(231, 229, 213));
        d.click(idOk);
    });
    CWelcomeDialog page(1033, true);
    EXPECT_EQ(page.DoModal(), 1);
    EXPECT_TRUE(page.changeFolder());
    const auto shown = last();
    EXPECT_EQ(shown->dialogTemplate().language, 1033);
    EXPECT_EQ(shown->control(welcomeHeading).text, "Welcome to Zarn");
    // The licence link's target is checked where it is clicked.
    EXPECT_EQ(
        shown->control(collectedDataLink).text,
        "<A HREF=\"https://www.zarn.example/en/download/collected_data.html\">Click here</A> for more information.");
    // Every control has the normal font, the heading the bold one; they are freed with the page.
    const platform::Font normal = shown->control(welcomeNote).font;
    for (const int id : {welcomeBody, changeFolderBox, idOk, idCancel, collectedDataLink}) {
        EXPECT_EQ(shown->control(id).font, normal) << id;
    }
    EXPECT_NE(shown->control(welcomeHeading).font, normal);
    EXPECT_EQ(sim->desktop().liveObjects(), 0);
    const auto events = shown->events();
    EXPECT_NE(std::find(events.begin(), events.end(), "focus 1"), events.end());
    EXPECT_NE(std::find(events.begin(), events.end(), "front"), events.end());
}

TEST_F(WizardTest, CancellingTheWelcomeAsksAndOnlyYesDeclines) {
    sim->desktop().answer(mb::idNo);
    sim->desktop().answer(mb::idYes);
    sim->desktop().onDialog(welcomeTemplate, [&](sim::SimDialog& d) {
        d.click(idCancel);
        EXPECT_FALSE(d.ended());
        EXPECT_FALSE(sim_dialogs::installStatus());
        d.click(idCancel);
        EXPECT_TRUE(d.ended());
        EXPECT_FALSE(d.enabled());
    });
    EXPECT_EQ(CWelcomeDialog(1033, false).DoModal(), 2);
    EXPECT_EQ(sim_dialogs::installStatus(), "decline");
    const auto boxes = sim->desktop().shown();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, "Are you sure you want to cancel Zarn 1.8.0_45 installation?");
    EXPECT_EQ(boxes[0].caption, "Zarn Setup");
    EXPECT_EQ(boxes[0].type, mb::yesNo | mb::iconExclamation | mb::defButton2);
    EXPECT_EQ(boxes[0].owner, last()->window());
}

// Without a default browser the failure is logged and the welcome goes on; with one, the link opens in
// it as the desktop user.
TEST_F(WizardTest, LinkOpensItsTargetInTheDefaultBrowser) {
    const auto clickLink = [](sim::SimDialog& d) {
        d.clickLink(licenseLink);
        d.click(idOk);
    };
    sim->desktop().onDialog(welcomeTemplate, clickLink);
    EXPECT_EQ(CWelcomeDialog(1033, false).DoModal(), 1);
    EXPECT_TRUE(logged("\tERROR: FindExecutable failed with system error 31"));
    EXPECT_TRUE(logged("(browsers::launchDefault)]\n\tERROR: Exception with message '"));
    EXPECT_TRUE(logged("cannot find default browser' caught\n"));
    EXPECT_TRUE(sim->processes().started().empty());

    const test_support::DefaultBrowser browser(sim.machine());
    sim->desktop().onDialog(welcomeTemplate, clickLink);
    EXPECT_EQ(CWelcomeDialog(1033, false).DoModal(), 1);
    EXPECT_EQ(browser.links(),
              std::vector<std::string>{"C:\\Browser\\browser.exe\nhttps://www.zarn.example/en/download/license.html"});
}

TEST_F(WizardTest, FolderComesFromInstallDirOrProgramFiles) {
    const struct {
        const char* name;
        std::optional<std::string> installDir;
        const char* programFiles;  // null: the value is missing
        std::string folder;
    } rows[] = {
        {"INSTALLDIR unchanged", std::string("D:\\Apps\\Z"), "C:\\Program Files", "D:\\Apps\\Z"},
        {"an empty INSTALLDIR stays empty", std::string(), "C:\\Program Files", ""},
        {"INSTALLDIR cut to its buffer", std::string(300, 'x'), nullptr, std::string(259, 'x')},
        {"a cut never splits a character", std::string(258, 'x') + "\xC3\xA9", nullptr, std::string(258, 'x')},
        {"Program Files default", std::nullopt, "C:\\Program Files", "C:\\Program Files\\Zarn\\kobu1.8.0_45\\"},
        {"nothing known", std::nullopt, nullptr, ""},
    };
    for (const auto& row : rows) {
        sim::MachineScope fresh;
        sim_dialogs::install(fresh.machine());
        if (row.programFiles) setProgramFiles(row.programFiles);
        CChangeFolder page(1033, row.installDir);
        EXPECT_EQ(page.DoModal(), 1) << row.name;
        EXPECT_EQ(fresh->desktop().dialogs().back()->control(folderText).text, row.folder) << row.name;
        EXPECT_EQ(page.folder(), row.folder) << row.name;
    }
}

TEST_F(WizardTest, ChangeBrowsesAndOnlyAChosenFolderReplacesTheFolder) {
    sim->desktop().answerBrowse(std::nullopt);
    sim->desktop().answerBrowse("E:\\Zarn");
    sim->desktop().onDialog(changeFolderTemplate, [](sim::SimDialog& d) {
        d.click(changeButton);
        EXPECT_EQ(d.control(folderText).text, "D:\\Apps\\Z");
        EXPECT_TRUE(d.enabled());
        d.click(changeButton);
        EXPECT_EQ(d.control(folderText).text, "E:\\Zarn");
        d.click(idOk);
    });
    CChangeFolder page(1033, std::string("D:\\Apps\\Z"));
    EXPECT_EQ(page.DoModal(), 1);
    EXPECT_EQ(page.folder(), "E:\\Zarn");
    EXPECT_TRUE(logged("\tINFO: Selected Folder: E:\\Zarn\n\n"));
    EXPECT_EQ(
        sim->desktop().browses(),
        (std::vector<std::string>(2, "Change Destination Folder\nZarn will be installed in the selected folder.")));
    EXPECT_EQ(sim->desktop().liveObjects(), 0);
}

TEST_F(WizardTest, FolderPageButtons) {
    const struct {
        const char* name;
        bool hideBack;
        std::vector<int> answers;
        std::vector<int> clicks;
        std::intptr_t result;
    } rows[] = {
        {"Back", false, {}, {idBack}, 1029},
        {"hidden Back cannot be clicked", true, {}, {idBack, idOk}, 1},
        {"closed, then No, stays", false, {mb::idNo}, {idCancel, idBack}, 1029},
        {"closed, then Yes", false, {mb::idYes}, {idCancel}, 2},
    };
    for (const auto& row : rows) {
        sim::MachineScope fresh;
        sim_dialogs::install(fresh.machine());
        for (const int answer : row.answers) fresh->desktop().answer(answer);
        fresh->desktop().onDialog(changeFolderTemplate, [&](sim::SimDialog& d) {
            EXPECT_EQ(d.control(idBack).visible, !row.hideBack) << row.name;
            for (const int id : row.clicks) {
                // The page has no Cancel button: its close box cancels.
                if (id == idCancel) {
                    d.close();
                } else {
                    d.click(id);
                }
            }
        });
        CChangeFolder page(1033, std::string("D:\\Z"));
        page.hideBack(row.hideBack);
        EXPECT_EQ(page.DoModal(), row.result) << row.name;
        EXPECT_FALSE(sim_dialogs::installStatus()) << row.name << ": only the welcome page records a decline";
    }
}

class CompletionDialogsTest : public WizardTest {
protected:
    void SetUp() override {
        WizardTest::SetUp();
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
    }
};

TEST_F(CompletionDialogsTest, CompletionPageShowsWhatTheDataAsks) {
    const struct {
        const char* name;
        SetupCompleteData data;
    } rows[] = {
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
