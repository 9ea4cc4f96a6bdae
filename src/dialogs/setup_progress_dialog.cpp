#include "dialogs/setup_progress_dialog.h"

#include <algorithm>

#include "dialogs/dialog_ids.h"
#include "dialogs/fonts.h"
#include "foundation/catch_handlers.h"
#include "foundation/errors.h"
#include "foundation/logger.h"
#include "foundation/product_constants.h"
#include "foundation/sys_info.h"
#include "foundation/tstrings_format.h"
#include "ipc/contract.h"
#include "ipc/operation_mailbox.h"
#include "platform/machine.h"
#include "progress/chunked_progress.h"
#include "progress/operation_sequence.h"

using namespace dialogs;

namespace {

constexpr int vista = 2;
constexpr std::uint32_t timerPeriod = 100;
constexpr std::uint32_t pollInterval = 100;
constexpr std::uint16_t japanese = 0x11;
/// The picture is drawn this much less high under a Japanese user interface.
constexpr int japaneseHeightCut = 15;

}  // namespace

CSetupProgressDialog::CSetupProgressDialog(Locale::LangId language, std::string pictureFile)
    : ctorThread_(ipc::Thread::getCurrent().getId()),
      section_(ipc::SharedMemoryUnsafe::create(ipc::operationSequenceSectionName)),
      language_(language),
      pictureFile_(std::move(pictureFile)) {}

CSetupProgressDialog::~CSetupProgressDialog() {
    try {
        stopWorker();
    }
    ZARN_CATCH_ALL
}

std::string CSetupProgressDialog::pictureFileIn(const std::string& userDataFolder) {
    return tstrings::format("%s\\Pellam\\Zarn\\kobu%s\\%s.jpg", userDataFolder.c_str(), product::plainVersion,
                            "ZarnBanner");
}

platform::Window CSetupProgressDialog::create(platform::Window owner) {
    platform::Window window = platform::Window::null;
    if (const auto code = platform::machine().desktop().createModelessDialog(
            platform::DialogTemplate{platform::Module::self, progressTemplate, language_}, owner, *this, window)) {
        LOG_ERROR("CreateDialog(" << progressTemplate << ") failed with " << WinErrorHandling::systemErrorText(code));
    }
    return window;
}

std::intptr_t CSetupProgressDialog::DoModal() {
    modal_ = true;
    return runModal(progressTemplate, language_, *this);
}

void CSetupProgressDialog::hide() {
    if (platform::DialogView* view = view_.load()) view->show(false);
}

void CSetupProgressDialog::checkThread() const {
    ZARN_CONTRACT_TEXT(ipc::Thread::getCurrent().getId() == ctorThread_, "ipc::Thread::getCurrent() == ctorThread");
}

void CSetupProgressDialog::setPosition(unsigned position) {
    position = std::min(position, maximum);
    position_.store(position);
    if (platform::DialogView* view = view_.load())
        view->postToControl(progressBar, platform::msg::pbmSetPos, position, 0);
}

void CSetupProgressDialog::onInit(platform::DialogView& view) {
    checkThread();
    view_.store(&view);
    view.postToControl(progressBar, platform::msg::pbmSetBkColor, 0, progressBackColour);
    view.postToControl(progressBar, platform::msg::pbmSetBarColor, 0, progressBarColour);
    view.postToControl(progressBar, platform::msg::pbmSetRange, 0, platform::msg::makeRange(0, maximum));
    view.removeMaximizeBox();
    view.greyCloseCommand();
    // Hidden and dressed before the worker starts: the worker's first act is to show it.
    view.show(false);
    statusFont_ = createLocaleFont(8, false);
    view.setFont(progressStatus, statusFont_.get());
    workerId_ = ipc::Thread::start(this, false);
}

void CSetupProgressDialog::onCommand(platform::DialogView& view, int id, int) {
    checkThread();
    // Only the test switch's modal dialog can be closed; the installation's runs until it ends.
    if (modal_ && id == idCancel) view.end(idCancel);
}

platform::Paint CSetupProgressDialog::paintStatic(platform::DialogView& view, int id) {
    checkThread();
    switch (id) {
        case whiteBody:
            return whitePaint();
        case headerBand:
            return header_.paint();
        case progressPicture:
            return paintPicture(view);
        case progressStatus: {
            platform::Paint paint;
            paint.brush = platform::Paint::Brush::hollow;
            paint.transparentText = true;
            return paint;
        }
        default:
            return solidPaint(backgroundColour);
    }
}

platform::Paint CSetupProgressDialog::paintDialog(platform::DialogView&) {
    checkThread();
    return solidPaint(backgroundColour);
}

void CSetupProgressDialog::onDestroy(platform::DialogView&) {
    checkThread();
    stopWorker();
    view_.store(nullptr);
    statusFont_.reset();
    header_.release();
    picture_.reset();
}

void CSetupProgressDialog::loadPicture() {
    pictureLoaded_ = true;
    auto& desktop = platform::machine().desktop();
    if (!desktop.pictureDecoderAvailable()) return;
    platform::Bitmap bitmap = platform::Bitmap::null;
    if (desktop.loadPicture(pictureFile_, bitmap) != 0 &&
        desktop.loadBitmap(platform::Module::self, fallbackPicture, bitmap) != 0) {
        LOG_ERROR("LoadImage(" << fallbackPicture << ") failed");
    }
    picture_.reset(bitmap);
}

platform::Paint CSetupProgressDialog::paintPicture(platform::DialogView& view) {
    if (!pictureLoaded_) loadPicture();
    // White where the picture does not reach, as the body behind it.
    platform::Paint paint;
    paint.brush = platform::Paint::Brush::hollow;
    paint.clear = platform::rgb(255, 255, 255);
    platform::Size size;
    if (!picture_ || platform::machine().desktop().bitmapSize(picture_.get(), size) != 0) return paint;
    paint.picture = picture_.get();
    paint.pictureArea = platform::Rect{0, 0, size.width, size.height};
    if (Locale::primaryLanguage(language_) == japanese) {
        const int left = (view.controlClientRect(progressPicture).width() - size.width) / 2;
        paint.pictureArea = platform::Rect{left, 0, left + size.width, size.height - japaneseHeightCut};
    }
    return paint;
}

void CSetupProgressDialog::run() {
    try {
        shown_.store(true);
        platform::DialogView& view = *view_.load();
        view.show(true);
        if (SysInfo::osLevel() < vista) {
            view.setForeground(progressPicture);
        } else {
            view.bringToFront();
        }
        runSequence();
        view.show(false);
    }
    ZARN_CATCH_ALL
    // However the worker ended, a stopper waiting for a sequence must not wait for ever.
    const ipc::Mutex::Lock lock(conditional_.mutex());
    if (state_ == published && sequence_ == nullptr) {
        state_ = finished;
        conditional_.notify(true);
    }
}

void CSetupProgressDialog::runSequence() {
    progress::OperationSequence sequence(section_, progress::installationChunks(), *this, timerPeriod, pollInterval);
    {
        const ipc::Mutex::Lock lock(conditional_.mutex());
        sequence_ = &sequence;
        state_ = published;
        conditional_.notify(true);
    }
    // The published pointer goes before the sequence does, also when polling fails.
    try {
        sequence.run(std::atomic<bool>{false});
    } catch (...) {
        unpublish(sequence);
        throw;
    }
    unpublish(sequence);
}

void CSetupProgressDialog::unpublish(progress::OperationSequence& sequence) {
    try {
        sequence.stopTimer();
    }
    ZARN_CATCH_ALL
    const ipc::Mutex::Lock lock(conditional_.mutex());
    sequence_ = nullptr;
    state_ = finished;
    conditional_.notify(true);
}

void CSetupProgressDialog::stopWorker() {
    if (workerId_ == ipc::Thread::noThread) return;
    {
        ipc::Mutex::Lock lock(conditional_.mutex());
        while (sequence_ == nullptr && state_ == published) conditional_.wait(lock);
        if (sequence_ != nullptr) {
            sequence_->finish();
            while (sequence_ != nullptr) conditional_.wait(lock);
        }
    }
    ipc::SharedMemory<ipc::Operation>(section_).write(ipc::Operation());
    {
        const ipc::Mutex::Lock lock(conditional_.mutex());
        state_ = stopRequested;
        conditional_.notify(false);
    }
    ipc::Thread::join(workerId_);
    workerId_ = ipc::Thread::noThread;
}
