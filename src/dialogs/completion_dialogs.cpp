#include "dialogs/completion_dialogs.h"

#include "dialogs/dialog_ids.h"
#include "dialogs/fonts.h"
#include "dialogs/sys_link.h"
#include "foundation/browsers.h"
#include "foundation/product_sites.h"
#include "foundation/tstrings_format.h"
#include "platform/machine.h"

using namespace dialogs;

namespace {

constexpr std::uint32_t linkColour = platform::rgb(33, 80, 131);

// The links sit on the white body.
platform::Paint linkPaint() {
    platform::Paint paint = whitePaint();
    paint.transparentText = true;
    paint.textColour = linkColour;
    return paint;
}

}  // namespace

// ---- CompletionPage ----

std::intptr_t CompletionPage::runPage(std::uint32_t templateId) {
    const std::intptr_t result = runModal(templateId, language_, *this);
    normalFont_.reset();
    headingFont_.reset();
    header_.release();
    return result;
}

void CompletionPage::setFonts(platform::DialogView& view, int heading) {
    normalFont_ = createLocaleFont(10, false);
    headingFont_ = createLocaleFont(11, true);
    for (const int id : view.controlIds()) view.setFont(id, id == heading ? headingFont_.get() : normalFont_.get());
}

platform::Paint CompletionPage::paintPart(int id, int heading) {
    if (id == headerBand) return header_.paint();
    if (id == heading) return solidPaint(backgroundColour, true);
    return whitePaint();
}

platform::Paint CompletionPage::paintDialog(platform::DialogView&) { return solidPaint(backgroundColour); }

void CompletionPage::onLinkClick(platform::DialogView&, int, const std::string& target) {
    browsers::launchDefault(target);
}

// ---- CSetupComplete ----

void CSetupComplete::onInit(platform::DialogView& view) {
    setFonts(view, completeHeading);
    view.setText(completeHeading, tstrings::fitBuffer(strings_.string(idsCompleteHeading), textBytes));
    view.showControl(idBack, data_.showBack);
    view.showControl(verifyNote, data_.showVerifyText);
    view.showControl(securityNote, data_.showSecurityNote);
    view.showControl(securityLink, data_.showSecurityNote);
    view.showControl(restartBox, data_.restartOffered);
    view.showControl(restartNote, data_.restartOffered);
    view.setChecked(restartBox, data_.restartNow);
    for (int id = firstHiddenControl; id <= lastHiddenControl; ++id) view.showControl(id, false);
    MakeLink4SysLinkCtrl(view, updateSettingsLink, strings_.string(idsUpdateSettingsAddress));
    MakeLink4SysLinkCtrl(view, securityLink, product::sites::securityLevelsPage);
    view.setFocus(idCancel);
    view.bringToFront();
}

void CSetupComplete::onCommand(platform::DialogView& view, int id, int) {
    if (id == idBack) {
        if (data_.restartOffered) data_.restartNow = view.isChecked(restartBox);
        view.end(idBack);
    } else if (id == idCancel) {
        if (data_.restartOffered && !view.isChecked(restartBox)) {
            platform::ErrorCode error = 0;
            const int answer = platform::machine().desktop().messageBox(
                view.window(), strings_.string(idsRestartQuestion), strings_.string(idsRestartCaption),
                platform::mb::okCancel | platform::mb::iconExclamation | platform::mb::defButton2, error);
            data_.restartNow = answer == platform::mb::idOk;
        } else if (data_.restartOffered) {
            data_.restartNow = true;
        }
        view.end(idCancel);
    }
}

platform::Paint CSetupComplete::paintStatic(platform::DialogView&, int id) {
    if (id == updateSettingsLink || id == securityLink) return linkPaint();
    // The restart box sits in the button row and the icon's place in the heading band, off the body.
    if (id == restartBox || id == completeIcon) return solidPaint(backgroundColour, true);
    return paintPart(id, completeHeading);
}

// ---- CSetupCompleteError ----

void CSetupCompleteError::onInit(platform::DialogView& view) {
    setFonts(view, errorHeading);
    // The translated text is not used as a format: only its "%d" is replaced.
    std::string text = strings_.string(idsErrorCode);
    if (const auto at = text.find("%d"); at != std::string::npos) text.replace(at, 2, std::to_string(result_));
    view.setText(errorCodeText, tstrings::fitBuffer(text, textBytes));
    MakeLink4SysLinkCtrl(view, errorHelpLink, strings_.string(idsErrorHelpAddress));
    view.setFocus(idCancel);
    view.bringToFront();
}

void CSetupCompleteError::onCommand(platform::DialogView& view, int id, int) {
    if (id == idCancel || id == idOk) view.end(idCancel);
}

platform::Paint CSetupCompleteError::paintStatic(platform::DialogView&, int id) {
    if (id == errorIcon) return icon_.paint();
    return paintPart(id, errorHeading);
}

// ---- CZarnPluginDialog ----

void CZarnPluginDialog::onInit(platform::DialogView& view) {
    setFonts(view, pluginHeading);
    view.setFocus(idOk);
    view.bringToFront();
}

void CZarnPluginDialog::onCommand(platform::DialogView& view, int id, int) {
    if (id == idOk || id == idCancel) view.end(id);  // Escape ends the sequence like Close
}

platform::Paint CZarnPluginDialog::paintStatic(platform::DialogView&, int id) { return paintPart(id, pluginHeading); }

// ---- CRestoreSecurityDialog ----

void CRestoreSecurityDialog::onInit(platform::DialogView& view) {
    view.removeMaximizeBox();
    view.greyCloseCommand();
    setFonts(view, restoreHeading);
    view.showControl(idBack, showBack_);
    view.setChecked(restoreBox, restore_);
    MakeLink4SysLinkCtrl(view, restoreLink, strings_.string(idsRestoreAddress));
    view.setFocus(idOk);
    view.bringToFront();
}

void CRestoreSecurityDialog::onCommand(platform::DialogView& view, int id, int) {
    if (id == idOk || id == idBack) {
        restore_ = view.isChecked(restoreBox);
        view.end(id);
    }
}

platform::Paint CRestoreSecurityDialog::paintStatic(platform::DialogView&, int id) {
    if (id == restoreLink) return linkPaint();
    return paintPart(id, restoreHeading);
}
