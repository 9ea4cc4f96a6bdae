#include "dialogs/page_parts.h"

#include "dialogs/dialog_ids.h"
#include "foundation/errors.h"
#include "foundation/logger.h"
#include "foundation/product_constants.h"
#include "foundation/tstrings_format.h"
#include "platform/machine.h"

namespace dialogs {

platform::Paint HeaderBand::paint() {
    if (!loaded_) {
        loaded_ = true;
        platform::Bitmap bitmap = platform::Bitmap::null;
        if (const auto code = platform::machine().desktop().loadBitmap(platform::Module::self, bitmapId_, bitmap)) {
            LOG_ERROR("LoadImage(" << bitmapId_ << ") failed with " << WinErrorHandling::systemErrorText(code));
        }
        bitmap_.reset(bitmap);
    }
    platform::Paint paint;
    paint.brush = platform::Paint::Brush::hollow;
    paint.fill = bitmap_.get();
    return paint;
}

platform::Paint solidPaint(std::uint32_t colour, bool transparentText) {
    platform::Paint paint;
    paint.brush = platform::Paint::Brush::solid;
    paint.colour = colour;
    paint.transparentText = transparentText;
    return paint;
}

platform::Paint whitePaint() {
    platform::Paint paint;
    paint.brush = platform::Paint::Brush::white;
    return paint;
}

std::intptr_t runModal(std::uint32_t templateId, Locale::LangId language, platform::DialogHandler& handler) {
    auto& desktop = platform::machine().desktop();
    platform::ErrorCode error = 0;
    const std::intptr_t result = desktop.runModalDialog(
        platform::DialogTemplate{platform::Module::self, templateId, language}, desktop.activeWindow(), handler, error);
    if (result == -1) {
        LOG_ERROR("DialogBox(" << templateId << ") failed with " << WinErrorHandling::systemErrorText(error));
    }
    return result;
}

bool confirmCancel(platform::DialogView& view, const StringResource& strings) {
    namespace mb = platform::mb;
    const std::string question = tstrings::fillIn(strings.string(idsCancelQuestion), {product::plainVersion});
    platform::ErrorCode error = 0;
    const int answer =
        platform::machine().desktop().messageBox(view.window(), question, strings.string(idsSetupCaption),
                                                 mb::yesNo | mb::iconExclamation | mb::defButton2, error);
    return answer == mb::idYes;
}

}  // namespace dialogs
