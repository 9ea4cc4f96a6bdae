// What the classic pages share: the header band with its bitmap, the modal run over the active
// window, and the question before a cancel.
#pragma once

#include <cstdint>

#include "dialogs/dialog_ids.h"
#include "foundation/auto_handle.h"
#include "foundation/locale.h"
#include "foundation/string_resource.h"
#include "platform/dialog.h"

namespace dialogs {

/// The header band: bitmap 2041 (or another bitmap, painted the same way), loaded on first use,
/// stretched over its control.
class HeaderBand {
public:
    explicit HeaderBand(std::uint32_t bitmapId = headerBitmap) : bitmapId_(bitmapId) {}
    platform::Paint paint();
    void release() { bitmap_.reset(); }

private:
    std::uint32_t bitmapId_;
    AutoBitmap bitmap_;
    bool loaded_ = false;
};

/// A control painted on a solid brush, its text on the same colour or on nothing.
platform::Paint solidPaint(std::uint32_t colour, bool transparentText = false);
/// A control painted on the white stock brush.
platform::Paint whitePaint();

/// Runs `handler` on template `templateId` in `language`, modally over the active window: the
/// result it ended with, or -1 (logged) when the dialog could not be shown.
std::intptr_t runModal(std::uint32_t templateId, Locale::LangId language, platform::DialogHandler& handler);

/// Asks, over the dialog, whether the user really wants to cancel the installation; only Yes does.
bool confirmCancel(platform::DialogView& view, const StringResource& strings);

}  // namespace dialogs
