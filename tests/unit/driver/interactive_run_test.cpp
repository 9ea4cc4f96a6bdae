// An interactive run as the program binds it, with the simulated user answering the pages.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "driver/main_flow.h"
#include "driver/production_phases.h"
#include "foundation/registry_key.h"
#include "foundation/sha256.h"
#include "foundation/sys_info.h"
#include "ipc/operation_mailbox.h"
#include "support/sim_dialogs.h"

namespace driver {
namespace {

using namespace dialogs;
using namespace std::chrono_literals;

const std::string packagePath = "C:\\Users\\test\\AppData\\LocalLow\\Pellam\\Zarn\\kobu1.8.0_45_x64\\kobu1.8.0_45.msi";

class InteractiveRunTest : public testing::Test {
protected:
    void SetUp() override {
        sim_dialogs::install(sim.machine());
        const std::vector<std::uint8_t> package(4096, 0x5A);
        const std::string digest = toLowerHex(sha256Of(package));
        auto& resources = sim->resources();
        resources.add(platform::ResourceId::of("ZARN_INSTALLER"), platform::ResourceId::of(103), 0, package);
        resources.add(platform::ResourceId::of("ZARN_INSTALLER_SHA256"), platform::ResourceId::of(103), 0,
                      std::vector<std::uint8_t>(digest.begin(), digest.end()));
        // The package's own steps report operations 4 and 7 while it runs.
        sim::ScriptedPackage scripted;
        scripted.effects = [] {
            for (const std::uint32_t id : {4u, 7u}) {
                ipc::OperationMailbox::postOperation(id);
                std::this_thread::sleep_for(300ms);
            }
        };
        sim->installer().addPackage(packagePath, scripted);
        SysInfo::initialize();
    }

    int run(const std::u16string& arguments = u"") {
        sim->system().settings().commandLine = u"\"C:\\Users\\test\\Downloads\\kobuoffline.exe\"" + arguments;
        return RunInstaller(productionPhases(), "");
    }

    std::shared_ptr<sim::SimDialog> shown(std::uint32_t templateId) {
        for (const auto& d : sim->desktop().dialogs()) {
            if (d->dialogTemplate().id == templateId) return d;
        }
        return nullptr;
    }


    bool logged(const std::string& line) { return sim.log().find(line) != std::string::npos; }

    sim::MachineScope sim;
};

TEST_F(InteractiveRunTest, WelcomeFolderAndProgressThenInstalled) {
    sim->desktop().answerBrowse("E:\\Apps\\Zarn");
    sim->desktop().onDialog(welcomeTemplate, [](sim::SimDialog& d) {
        d.tick(changeFolderBox, true);
        d.click(idOk);
    });
    sim->desktop().onDialog(changeFolderTemplate, [](sim::SimDialog& d) {
        d.click(idBack);  // and back again from the welcome page, whose box is still ticked
    });
    sim->desktop().onDialog(welcomeTemplate, [](sim::SimDialog& d) {
        EXPECT_TRUE(d.control(changeFolderBox).checked);
        d.click(idOk);
    });
    sim->desktop().onDialog(changeFolderTemplate, [](sim::SimDialog& d) {
        d.click(changeButton);
        d.click(idOk);
    });
    EXPECT_EQ(run(), 0);

    const auto installs = sim->installer().installs();
    ASSERT_EQ(installs.size(), 1u);
    EXPECT_NE(installs[0].commandLine.find("INSTALLDIR=E:\\Apps\\Zarn"), std::string::npos)
        << installs[0].commandLine;
    EXPECT_NE(installs[0].commandLine.find("SKIPLICENSE=1"), std::string::npos);

    // The progress dialog was shown while the package ran, followed its operations, and is gone.
    const auto progress = shown(progressTemplate);
    ASSERT_TRUE(progress);
    EXPECT_TRUE(progress->ended());
    unsigned last = 0;
    for (const auto& m : progress->posted()) {
        if (m.message != platform::msg::pbmSetPos) continue;
        EXPECT_GE(m.wParam, last) << "the bar only moves forward";
        last = static_cast<unsigned>(m.wParam);
    }
    EXPECT_GE(last, 963u) << "the bar reaches the chunk of operation 7";
    const auto events = progress->events();
    EXPECT_NE(std::find(events.begin(), events.end(), "front"), events.end());
    EXPECT_EQ(events.back(), "hide");
    EXPECT_EQ(sim->desktop().liveObjects(), 0);
    EXPECT_TRUE(logged("\tINFO: Wrapper exit code: 0\n"));
}

TEST_F(InteractiveRunTest, AnEmptyFolderIsNotPassedToThePackage) {
    // Neither INSTALLDIR nor the Program Files folder is known: the page shows no folder.
    sim->desktop().onDialog(welcomeTemplate, [](sim::SimDialog& d) {
        d.tick(changeFolderBox, true);
        d.click(idOk);
    });
    sim->desktop().onDialog(changeFolderTemplate, [](sim::SimDialog& d) {
        EXPECT_EQ(d.control(folderText).text, "");
        d.click(idOk);
    });
    EXPECT_EQ(run(), 0);
    const auto installs = sim->installer().installs();
    ASSERT_EQ(installs.size(), 1u);
    EXPECT_EQ(installs[0].commandLine.find("INSTALLDIR"), std::string::npos) << installs[0].commandLine;
}

TEST_F(InteractiveRunTest, DeclinedAtTheWelcome) {
    sim->desktop().answer(platform::mb::idYes);
    sim->desktop().onDialog(welcomeTemplate, [](sim::SimDialog& d) { d.click(idCancel); });
    EXPECT_EQ(run(), 0);
    EXPECT_EQ(sim_dialogs::installStatus(), "decline");
    EXPECT_TRUE(sim->installer().installs().empty());
    EXPECT_TRUE(logged("\tINFO: The user cancelled from Welcome dialog. Exit code: 0\n"));
    EXPECT_FALSE(shown(progressTemplate));
}

TEST_F(InteractiveRunTest, EveryPageSpeaksTheLanguageOfTheRun) {
    sim->desktop().onDialog(welcomeTemplate, [](sim::SimDialog& d) {
        d.tick(changeFolderBox, true);
        d.click(idOk);
    });
    sim->desktop().answer(platform::mb::idYes);
    sim->desktop().onDialog(changeFolderTemplate, [](sim::SimDialog& d) { d.close(); });
    EXPECT_EQ(run(u" /lang:1031"), 0);
    EXPECT_EQ(shown(welcomeTemplate)->dialogTemplate().language, 1031);
    EXPECT_EQ(shown(welcomeTemplate)->control(welcomeHeading).text, "Willkommen bei Zarn");
    EXPECT_EQ(shown(changeFolderTemplate)->dialogTemplate().language, 1031);
    EXPECT_TRUE(logged("\tINFO: The user cancelled from Change Folder dialog. Exit code: 0\n"));
    EXPECT_FALSE(sim_dialogs::installStatus()) << "only the welcome page records a decline";
}

}  // namespace
}  // namespace driver
