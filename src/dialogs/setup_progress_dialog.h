// The progress dialog shown while the product package is installed: a banner, a picture, a status
// line and a bar. It owns the operation mailbox, reads it on a worker thread of its own, and is the
// progress that the operation sequence drives.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "dialogs/page_parts.h"
#include "foundation/auto_handle.h"
#include "foundation/locale.h"
#include "ipc/conditional.h"
#include "ipc/shared_memory.h"
#include "ipc/thread.h"
#include "platform/dialog.h"
#include "progress/progress.h"

namespace progress {
class OperationSequence;
}

class CSetupProgressDialog final : public platform::DialogHandler,
                                   public ipc::Runnable,
                                   public progress::ProgressUpdater {
public:
    static constexpr unsigned maximum = 1000;

    /// On the thread that will dispatch the dialog's messages: creates the mailbox section. The
    /// picture is `pictureFile`, or bitmap 4007 when that cannot be loaded.
    CSetupProgressDialog(Locale::LangId language, std::string pictureFile);
    /// Stops and joins the worker if it still runs.
    ~CSetupProgressDialog() override;
    CSetupProgressDialog(const CSetupProgressDialog&) = delete;
    CSetupProgressDialog& operator=(const CSetupProgressDialog&) = delete;

    /// "<per-user data folder>\Pellam\Zarn\kobu1.8.0_45\ZarnBanner.jpg": the banner picture.
    static std::string pictureFileIn(const std::string& userDataFolder);

    /// The dialog as a modeless window owned by `owner`; null (logged) when it could not be made.
    platform::Window create(platform::Window owner);
    /// The dialog shown modally over the active window, until it is closed.
    std::intptr_t DoModal();
    /// Hides the window; any thread.
    void hide();
    bool shown() const { return shown_.load(); }

    // ---- progress::Progress ----
    unsigned getPosition() const override { return position_.load(); }
    unsigned getMaximum() const override { return maximum; }
    /// Clamps to the maximum and posts the position to the bar.
    void setPosition(unsigned position) override;
    void finish() override {}

    /// The worker: shows the window, runs one operation sequence, hides the window.
    void run() override;

    // ---- platform::DialogHandler ----
    void onInit(platform::DialogView& view) override;
    void onCommand(platform::DialogView& view, int id, int code) override;
    platform::Paint paintStatic(platform::DialogView& view, int id) override;
    platform::Paint paintDialog(platform::DialogView& view) override;
    void onDestroy(platform::DialogView& view) override;

private:
    enum State : std::uint32_t { published = 0, finished = 2, stopRequested = 3 };

    void checkThread() const;
    void runSequence();
    /// Stops the sequence's timer and takes the sequence back from the stopper's sight.
    void unpublish(progress::OperationSequence& sequence);
    /// Ends the sequence the worker runs, empties the mailbox and joins the worker.
    void stopWorker();
    platform::Paint paintPicture(platform::DialogView& view);
    void loadPicture();

    std::uint32_t ctorThread_;
    ipc::SharedMemoryUnsafe section_;
    std::uint32_t workerId_ = ipc::Thread::noThread;
    ipc::Conditional conditional_;
    progress::OperationSequence* sequence_ = nullptr;  // under the conditional's mutex
    std::uint32_t state_ = published;                  // under the conditional's mutex
    std::atomic<unsigned> position_{0};
    std::atomic<bool> shown_{false};
    Locale::LangId language_;
    std::string pictureFile_;
    bool modal_ = false;
    std::atomic<platform::DialogView*> view_{nullptr};
    AutoFont statusFont_;
    dialogs::HeaderBand header_;
    AutoBitmap picture_;
    bool pictureLoaded_ = false;
};
