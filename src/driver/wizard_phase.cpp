#include "driver/wizard_phase.h"

#include "dialogs/change_folder.h"
#include "dialogs/setup_progress_dialog.h"
#include "dialogs/welcome_dialog.h"
#include "driver/driver_constants.h"
#include "driver/process_values.h"
#include "foundation/catch_handlers.h"
#include "foundation/errors.h"
#include "foundation/logger.h"
#include "foundation/sys_info.h"
#include "platform/machine.h"

namespace driver {

namespace {

Locale::LangId language() { return processValues().uiLanguage; }

std::string pictureFile() {
    try {
        return CSetupProgressDialog::pictureFileIn(SysInfo::getUserDataDir());
    }
    ZARN_CATCH_ALL
    return {};
}

}  // namespace

// ---- DialogWizard ----

std::optional<std::string> DialogWizard::installDir() {
    if (!configuration_.has(ConfigKey::installDir)) return std::nullopt;
    return configuration_.text(ConfigKey::installDir);
}

int DialogWizard::welcome(bool& changeFolder) {
    CWelcomeDialog page(language(), changeFolder);
    const auto result = page.DoModal();
    changeFolder = page.changeFolder();
    return static_cast<int>(result);
}

int DialogWizard::changeFolder(bool launchedFromTulk, std::string& folder) {
    CChangeFolder page(language(), installDir());
    page.hideBack(launchedFromTulk);
    const auto result = page.DoModal();
    if (result == dialogOk) folder = page.folder();
    return static_cast<int>(result);
}

void DialogWizard::testWelcome() { CWelcomeDialog(language(), false).DoModal(); }

void DialogWizard::testChangeFolder() { CChangeFolder(language(), installDir()).DoModal(); }

// ---- ProgressWindow ----

ProgressWindow::~ProgressWindow() {
    try {
        destroy();
    }
    ZARN_CATCH_ALL
}

void ProgressWindow::create() {
    try {
        shown_ = std::make_unique<Shown>();
        shown_->threadId = ipc::Thread::start(this, false);
        ipc::Mutex::Lock lock(shown_->conditional.mutex());
        while (!shown_->ready) shown_->conditional.wait(lock);
    }
    ZARN_CATCH_ALL_BUT_EXIT
}

void ProgressWindow::run() {
    Shown& shown = *shown_;
    try {
        CSetupProgressDialog dialog(language(), pictureFile());
        const platform::Window window = dialog.create(platform::machine().desktop().desktopWindow());
        {
            const ipc::Mutex::Lock lock(shown.conditional.mutex());
            shown.dialog = &dialog;
            shown.window = window;
            shown.ready = true;
            shown.conditional.notify(true);
        }
        if (window != platform::Window::null) platform::machine().desktop().runMessageLoop(window);
        const ipc::Mutex::Lock lock(shown.conditional.mutex());
        shown.dialog = nullptr;
        shown.window = platform::Window::null;
    }
    ZARN_CATCH_ALL
    // Whatever failed, the run must not wait for a dialog that will never come.
    const ipc::Mutex::Lock lock(shown.conditional.mutex());
    shown.ready = true;
    shown.conditional.notify(true);
}

void ProgressWindow::hide() {
    if (!shown_) return;
    const ipc::Mutex::Lock lock(shown_->conditional.mutex());
    if (shown_->dialog != nullptr) shown_->dialog->hide();
}

void ProgressWindow::destroy() {
    if (!shown_) return;
    {
        const ipc::Mutex::Lock lock(shown_->conditional.mutex());
        if (shown_->window != platform::Window::null) {
            if (const auto code = platform::machine().desktop().destroyDialog(shown_->window)) {
                LOG_ERROR("destroying the progress dialog failed with " << WinErrorHandling::systemErrorText(code));
            }
        }
    }
    if (shown_->threadId != ipc::Thread::noThread) ipc::Thread::join(shown_->threadId);
    shown_.reset();
}

void ProgressWindow::testDialog() { CSetupProgressDialog(language(), pictureFile()).DoModal(); }

}  // namespace driver
