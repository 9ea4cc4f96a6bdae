// The wizard pages and the progress dialog of an interactive run, on the real dialogs.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "driver/phases.h"
#include "ipc/conditional.h"
#include "ipc/thread.h"
#include "platform/types.h"

class CSetupProgressDialog;

namespace driver {

/// The welcome and destination folder pages, in the run's language.
class DialogWizard final : public Wizard {
public:
    explicit DialogWizard(Configuration& configuration) : configuration_(configuration) {}

    int welcome(bool& changeFolder) override;
    int changeFolder(bool launchedFromTulk, std::string& folder) override;
    void testWelcome() override;
    void testChangeFolder() override;

private:
    /// INSTALLDIR when the configuration sets it.
    std::optional<std::string> installDir();

    Configuration& configuration_;
};

/// The progress dialog while the package runs. It lives on a thread of its own that does nothing but
/// dispatch its messages, so the window stays alive while Windows Installer holds the main thread.
class ProgressWindow final : public ProgressUi, private ipc::Runnable {
public:
    ProgressWindow() = default;
    ~ProgressWindow() override;
    ProgressWindow(const ProgressWindow&) = delete;
    ProgressWindow& operator=(const ProgressWindow&) = delete;

    /// Starts the dialog's thread and returns once the dialog (and with it the mailbox) exists.
    void create() override;
    void hide() override;
    /// Destroys the window and waits for its thread to end.
    void destroy() override;
    void testDialog() override;

private:
    void run() override;

    /// What lives from create() to destroy(); the object itself outlives every machine.
    struct Shown {
        ipc::Conditional conditional;
        std::uint32_t threadId = ipc::Thread::noThread;
        bool ready = false;                                // under the conditional's mutex
        CSetupProgressDialog* dialog = nullptr;            // under the conditional's mutex
        platform::Window window = platform::Window::null;  // under the conditional's mutex
    };
    std::unique_ptr<Shown> shown_;
};

}  // namespace driver
