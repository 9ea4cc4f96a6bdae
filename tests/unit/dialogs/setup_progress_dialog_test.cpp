// The progress dialog: its mailbox, its worker and the stop protocol, the bar and the picture.
#include "dialogs/setup_progress_dialog.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <thread>

#include "foundation/sys_info.h"
#include "ipc/operation_mailbox.h"
#include "support/sim_dialogs.h"

namespace {

using namespace dialogs;
using namespace std::chrono_literals;
namespace msg = platform::msg;

constexpr const char* pictureFile = "C:\\Users\\test\\AppData\\LocalLow\\Pellam\\Zarn\\kobu1.8.0_45\\ZarnBanner.jpg";

class ProgressDialogTest : public testing::Test {
protected:
    void SetUp() override {
        sim_dialogs::install(sim.machine());
        SysInfo::initialize();
    }

    /// The dialog as the run makes it, modeless on this thread.
    std::shared_ptr<sim::SimDialog> open(CSetupProgressDialog& dialog) {
        const auto window = dialog.create(platform::Window::null);
        return sim->desktop().dialog(window);
    }

    /// The last position posted to the bar.
    static std::uintptr_t barPosition(const sim::SimDialog& d) {
        std::uintptr_t position = 0;
        for (const auto& m : d.posted()) {
            if (m.id == progressBar && m.message == msg::pbmSetPos) position = m.wParam;
        }
        return position;
    }

    static ipc::Operation mailbox() {
        const auto section = ipc::SharedMemoryUnsafe::open(ipc::operationSequenceSectionName);
        return ipc::SharedMemory<ipc::Operation>(section).read();
    }

    template <class Ready>
    static bool eventually(Ready ready) {
        for (int i = 0; i < 300; ++i) {
            if (ready()) return true;
            std::this_thread::sleep_for(10ms);
        }
        return false;
    }

    sim::MachineScope sim;
};

TEST_F(ProgressDialogTest, InitialisesTheBarAndTheWindowThenTheWorkerShowsIt) {
    CSetupProgressDialog dialog(1033, pictureFile);
    const auto shown = open(dialog);
    ASSERT_TRUE(shown);
    const auto posted = shown->posted();
    ASSERT_GE(posted.size(), 3u);
    EXPECT_EQ(posted[0], (sim::PostedMessage{progressBar, msg::pbmSetBkColor, 0, 0xFFFFFF}));
    EXPECT_EQ(posted[1], (sim::PostedMessage{progressBar, msg::pbmSetBarColor, 0, 0x32CD32}));
    EXPECT_EQ(posted[2], (sim::PostedMessage{progressBar, msg::pbmSetRange, 0, 1000 << 16}));
    EXPECT_TRUE(eventually([&] {
        const auto events = shown->events();
        return std::find(events.begin(), events.end(), "front") != events.end();
    }));
    EXPECT_TRUE(shown->visible());
    const auto events = shown->events();
    const std::vector<std::string> start(events.begin(), events.begin() + 3);
    EXPECT_EQ(start, (std::vector<std::string>{"no maximize box", "close greyed", "hide"}));
    EXPECT_EQ(sim->desktop().font(shown->control(progressStatus).font), (platform::FontStyle{"Segoe UI", -11, 500}));
    dialog.setPosition(1200);
    EXPECT_EQ(dialog.getPosition(), 1000u) << "clamped to the maximum";
    EXPECT_EQ(barPosition(*shown), 1000u);
    shown->close();
    EXPECT_FALSE(shown->ended()) << "the installation's window cannot be closed";
    sim->desktop().destroyDialog(shown->window());
}

TEST_F(ProgressDialogTest, ReportedOperationsMoveTheBar) {
    CSetupProgressDialog dialog(1033, pictureFile);
    const auto shown = open(dialog);
    ipc::OperationMailbox::postOperation(3);
    // Chunks 1 and 2 count as done: 30 of 135 seconds.
    EXPECT_TRUE(eventually([&] { return barPosition(*shown) >= 222; }));
    EXPECT_LT(barPosition(*shown), 444u);
    ipc::OperationMailbox::postOperation(4);
    EXPECT_TRUE(eventually([&] { return barPosition(*shown) >= 444; }));
    sim->desktop().destroyDialog(shown->window());
}

TEST_F(ProgressDialogTest, StoppingBeforeTheWorkerPublishedWaitsForItThenEndsItAtOnce) {
    sim->desktop().holdWorkers(true);
    // As the run has it: the dialog lives on a thread that dispatches its messages.
    std::promise<platform::Window> created;
    ipc::Operation afterStop{9, ipc::Operation::Started};
    auto ui = std::async(std::launch::async, [&] {
        CSetupProgressDialog dialog(1033, pictureFile);
        const auto window = dialog.create(platform::Window::null);
        created.set_value(window);
        sim->desktop().runMessageLoop(window);
        afterStop = mailbox();
    });
    const platform::Window window = created.get_future().get();
    ipc::OperationMailbox::postOperation(5);
    sim->desktop().destroyDialog(window);
    // The worker is held at its first step: nothing is published yet, and the stop waits for it.
    ASSERT_EQ(ui.wait_for(300ms), std::future_status::timeout);
    const auto released = std::chrono::steady_clock::now();
    sim->desktop().holdWorkers(false);
    ui.get();
    // Ended at once, not after the 135 seconds of the sequence.
    EXPECT_LT(std::chrono::steady_clock::now() - released, 2s);
    EXPECT_EQ(afterStop, ipc::Operation());
}

TEST_F(ProgressDialogTest, AFailingWorkerIsLoggedAndDoesNotHoldTheStop) {
    sim->faults().fail("Kernel.mapViewOfFile", 5, -1);
    CSetupProgressDialog dialog(1033, pictureFile);
    const auto shown = open(dialog);
    EXPECT_TRUE(eventually(
        [&] { return sim.log().find("(CSetupProgressDialog::run)]\n\tERROR: Exception") != std::string::npos; }));
    sim->faults().clear();
    auto stopped = std::async(std::launch::async, [&] { sim->desktop().destroyDialog(shown->window()); });
    EXPECT_EQ(stopped.wait_for(2s), std::future_status::ready);
}

TEST_F(ProgressDialogTest, PictureFromTheBannerFileElseTheBuiltInOne) {
    const struct {
        const char* name;
        bool bannerFile;
        bool decoder;
        std::uint16_t language;
        std::string source;  // empty: no picture
        platform::Rect area;
    } rows[] = {
        {"banner file", true, true, 1033, pictureFile, {0, 0, 400, 150}},
        {"missing file falls back to bitmap 4007", false, true, 1033, "resource 4007", {0, 0, 468, 180}},
        {"Japanese centres it, 15 pixels less high", true, true, 1041, pictureFile, {35, 0, 435, 135}},
        {"without the decoder no picture", true, false, 1033, "", {}},
    };
    for (const auto& row : rows) {
        sim::MachineScope fresh;
        sim_dialogs::install(fresh.machine());
        if (row.bannerFile) {
            fresh->fileSystem().makeDirectories("C:\\Users\\test\\AppData\\LocalLow\\Pellam\\Zarn\\kobu1.8.0_45");
            fresh->fileSystem().writeAll(pictureFile, sim_dialogs::bmpFile(400, 150));
        }
        if (!row.decoder) fresh->faults().fail("Desktop.pictureDecoderAvailable", 126, -1);
        fresh->desktop().onDialog(progressTemplate, [&](sim::SimDialog& d) {
            const auto paint = d.paint(progressPicture);
            EXPECT_EQ(paint.brush, platform::Paint::Brush::hollow) << row.name;
            EXPECT_EQ(paint.clear, platform::rgb(255, 255, 255)) << row.name;
            EXPECT_EQ(fresh->desktop().bitmapSource(paint.picture), row.source) << row.name;
            if (!row.source.empty()) {
                EXPECT_EQ(paint.pictureArea, row.area) << row.name;
            }
            d.close();
        });
        CSetupProgressDialog dialog(row.language, pictureFile);
        EXPECT_EQ(dialog.DoModal(), 2) << row.name;
        EXPECT_EQ(fresh->desktop().liveObjects(), 0) << row.name;
    }
}

}  // namespace
