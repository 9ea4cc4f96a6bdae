// The welcome and destination folder pages, played by the simulated user.
#include <gtest/gtest.h>

#include "dialogs/change_folder.h"
#include "dialogs/welcome_dialog.h"
#include "foundation/registry_key.h"
#include "foundation/sys_info.h"
#include "platform/registry.h"
#include "support/default_browser.h"
#include "support/sim_dialogs.h"

namespace {

using namespace dialogs;
namespace mb = platform::mb;

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

TEST_F(WizardTest, WelcomeShowsItsTextsLinksAndFonts) {
    sim->desktop().onDialog(welcomeTemplate, [](sim::SimDialog& d) {
        EXPECT_TRUE(d.control(changeFolderBox).checked);
        d.click(idOk);
    });
    CWelcomeDialog page(1033, true);
    EXPECT_EQ(page.DoModal(), 1);
    const auto shown = last();
    EXPECT_EQ(shown->dialogTemplate().language, 1033);
    EXPECT_EQ(shown->control(welcomeHeading).text, "Welcome to Zarn");
    EXPECT_EQ(shown->control(welcomeBody).text, "Zarn runs the applications and games built on the Kobu platform.");
    EXPECT_EQ(
        shown->control(collectedDataLink).text,
        "<A HREF=\"https://www.zarn.example/en/download/collected_data.html\">Click here</A> for more information.");
    EXPECT_EQ(shown->control(licenseLink).text,
              "Click Install to accept the <A HREF=\"https://www.zarn.example/en/download/license.html\">license "
              "agreement</A>.");
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
    EXPECT_TRUE(page.changeFolder());
}

TEST_F(WizardTest, WelcomeInGermanUsesGermanStringsWithEnglishStandingIn) {
    CWelcomeDialog page(1031, false);
    EXPECT_EQ(page.DoModal(), 1);
    EXPECT_EQ(last()->dialogTemplate().language, 1031);
    EXPECT_EQ(last()->control(welcomeHeading).text, "Willkommen bei Zarn");
    EXPECT_EQ(last()->control(welcomeBody).text, "Zarn runs the applications and games built on the Kobu platform.");
}

TEST_F(WizardTest, WelcomePaintsItsBandHeadingAndBody) {
    sim->desktop().onDialog(welcomeTemplate, [&](sim::SimDialog& d) {
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
    EXPECT_EQ(CWelcomeDialog(1033, false).DoModal(), 1);
    EXPECT_EQ(sim->desktop().liveObjects(), 0);
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

TEST_F(WizardTest, LinkOpensItsTargetInTheDefaultBrowserAsTheDesktopUser) {
    const test_support::DefaultBrowser browser(sim.machine());
    sim->desktop().onDialog(welcomeTemplate, [](sim::SimDialog& d) {
        d.clickLink(licenseLink);
        d.click(idOk);
    });
    EXPECT_EQ(CWelcomeDialog(1033, false).DoModal(), 1);
    EXPECT_EQ(browser.links(),
              std::vector<std::string>{"C:\\Browser\\browser.exe\nhttps://www.zarn.example/en/download/license.html"});
}

TEST_F(WizardTest, LinkWithoutABrowserIsLoggedAndTheWelcomeGoesOn) {
    sim->desktop().onDialog(welcomeTemplate, [](sim::SimDialog& d) {
        d.clickLink(collectedDataLink);
        d.click(idOk);
    });
    EXPECT_EQ(CWelcomeDialog(1033, false).DoModal(), 1);
    EXPECT_TRUE(logged("\tERROR: FindExecutable failed with system error 31"));
    EXPECT_TRUE(logged("(browsers::launchDefault)]\n\tERROR: Exception with message '"));
    EXPECT_TRUE(logged("cannot find default browser' caught\n"));
    EXPECT_TRUE(sim->processes().started().empty());
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
        EXPECT_EQ(page.folder(), row.folder) << row.name;
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
        {"Next", false, {}, {idOk}, 1},
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

}  // namespace
