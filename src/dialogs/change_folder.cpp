#include "dialogs/change_folder.h"

#include "dialogs/dialog_ids.h"
#include "dialogs/fonts.h"
#include "foundation/errors.h"
#include "foundation/logger.h"
#include "foundation/product_constants.h"
#include "foundation/registry_key.h"
#include "foundation/tstrings_format.h"
#include "platform/machine.h"

using namespace dialogs;

namespace {

/// The folder is kept in a buffer of this many bytes, terminator included.
constexpr std::size_t folderBytes = 260;
constexpr const char* currentVersionKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
constexpr const char* programFilesValue = "ProgramFilesDir";

}  // namespace

CChangeFolder::CChangeFolder(Locale::LangId language, const std::optional<std::string>& installDir)
    : language_(language),
      strings_(language),
      folder_(installDir ? tstrings::fitBuffer(*installDir, folderBytes) : defaultFolder()) {}

std::string CChangeFolder::defaultFolder() {
    std::string programFiles;
    try {
        RegistryKey key;
        key.open(platform::RegKey::localMachine, currentVersionKey);
        programFiles = key.queryStringValue(programFilesValue);
    } catch (const std::exception&) {
        return {};
    }
    return tstrings::fitBuffer(tstrings::format("%s\\Zarn\\kobu%s\\", programFiles.c_str(), product::plainVersion),
                               folderBytes);
}

std::intptr_t CChangeFolder::DoModal() {
    const std::intptr_t result = runModal(changeFolderTemplate, language_, *this);
    freeDrawingObjects();
    return result;
}

void CChangeFolder::onInit(platform::DialogView& view) {
    if (hideBack_) view.showControl(idBack, false);
    normalFont_ = createLocaleFont(10, false);
    smallFont_ = createLocaleFont(8, false);
    headingFont_ = createLocaleFont(12, true);
    for (const int id : {idOk, changeButton, idBack, folderHint, folderLabel}) view.setFont(id, normalFont_.get());
    view.setFont(folderText, smallFont_.get());
    view.setFont(folderHeading, headingFont_.get());
    view.setText(folderText, folder_);
    view.setFocus(idOk);
}

void CChangeFolder::onCommand(platform::DialogView& view, int id, int) {
    switch (id) {
        case changeButton:
            browse(view);
            return;
        case idOk:
        case idBack:
            view.enable(false);
            view.end(id);
            return;
        case idCancel:
            if (confirmCancel(view, strings_)) {
                view.enable(false);
                view.end(idCancel);
            }
            return;
        default:
            return;
    }
}

void CChangeFolder::browse(platform::DialogView& view) {
    view.enable(false);
    std::string chosen;
    bool picked = false;
    if (const auto code = platform::machine().desktop().browseForFolder(view.window(), strings_.string(idsBrowseTitle),
                                                                        chosen, picked)) {
        LOG_ERROR("SHBrowseForFolder failed with " << WinErrorHandling::systemErrorText(code));
    }
    if (picked) {
        folder_ = tstrings::fitBuffer(chosen, folderBytes);
        LOG_INFO(tstrings::format("Selected Folder: %s\n", folder_.c_str()));
        view.setText(folderText, folder_);
    }
    view.enable(true);
}

platform::Paint CChangeFolder::paintStatic(platform::DialogView&, int id) {
    switch (id) {
        case headerBand:
            return header_.paint();
        case folderHeading:
            return solidPaint(backgroundColour, true);
        case folderHint:
        case folderLabel:
        case folderText:
        case whiteBody:
            return whitePaint();
        default:
            return solidPaint(backgroundColour);
    }
}

platform::Paint CChangeFolder::paintDialog(platform::DialogView&) { return solidPaint(backgroundColour); }

void CChangeFolder::freeDrawingObjects() {
    normalFont_.reset();
    smallFont_.reset();
    headingFont_.reset();
    header_.release();
}
