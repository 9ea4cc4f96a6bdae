#include "dialogs/welcome_dialog.h"

#include "dialogs/dialog_ids.h"
#include "dialogs/fonts.h"
#include "dialogs/sys_link.h"
#include "foundation/browsers.h"
#include "foundation/catch_handlers.h"
#include "foundation/product_constants.h"
#include "foundation/registry_key.h"
#include "foundation/sys_info.h"
#include "foundation/tstrings_format.h"

using namespace dialogs;

namespace {

constexpr int vista = 2;
constexpr const char* installStatusValue = "InstallStatus";
constexpr const char* declined = "decline";

/// Tells the package, and whoever reads the maker's key, that the user declined the installation.
void recordDecline() {
    try {
        RegistryKey key;
        key.open(platform::RegKey::localMachine, product::registryKey, true, true);
        key.setStringValue(installStatusValue, declined);
    }
    ZARN_CATCH_ALL
}

}  // namespace

CWelcomeDialog::CWelcomeDialog(Locale::LangId language, bool changeFolder)
    : language_(language), strings_(language), changeFolder_(changeFolder) {}

std::intptr_t CWelcomeDialog::DoModal() {
    const std::intptr_t result = runModal(welcomeTemplate, language_, *this);
    freeDrawingObjects();
    return result;
}

void CWelcomeDialog::onInit(platform::DialogView& view) {
    view.setText(welcomeHeading, tstrings::fitBuffer(strings_.string(idsWelcomeHeading), textBytes));
    view.setText(welcomeBody, tstrings::fitBuffer(strings_.string(idsWelcomeBody), textBytes));
    view.setChecked(changeFolderBox, changeFolder_);
    normalFont_ = createLocaleFont(10, false);
    headingFont_ = createLocaleFont(12, true);
    for (const int id : view.controlIds())
        view.setFont(id, id == welcomeHeading ? headingFont_.get() : normalFont_.get());
    MakeLink4SysLinkCtrl(view, collectedDataLink, strings_.string(idsCollectedDataAddress));
    MakeLink4SysLinkCtrl(view, licenseLink, strings_.string(idsLicenseAddress));
    view.setFocus(idOk);
    if (SysInfo::osLevel() < vista) {
        view.setForeground(idOk);
    } else {
        view.bringToFront();
    }
}

void CWelcomeDialog::onCommand(platform::DialogView& view, int id, int) {
    if (id == idOk) {
        view.enable(false);
        changeFolder_ = view.isChecked(changeFolderBox);
        view.end(idOk);
    } else if (id == idCancel && confirmCancel(view, strings_)) {
        recordDecline();
        view.enable(false);
        view.end(idCancel);
    }
}

void CWelcomeDialog::onLinkClick(platform::DialogView&, int, const std::string& target) {
    browsers::launchDefault(target);
}

platform::Paint CWelcomeDialog::paintStatic(platform::DialogView&, int id) {
    if (id == headerBand) return header_.paint();
    if (id == welcomeHeading || id == changeFolderBox) return solidPaint(backgroundColour, true);
    return whitePaint();
}

platform::Paint CWelcomeDialog::paintDialog(platform::DialogView&) { return solidPaint(backgroundColour); }

void CWelcomeDialog::freeDrawingObjects() {
    normalFont_.reset();
    headingFont_.reset();
    header_.release();
}
