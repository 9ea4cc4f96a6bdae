// The dialogs' fonts: the face follows the system locale's country and the Windows level, the height
// the screen's pixels per inch.
#pragma once

#include <string>
#include <string_view>

#include "foundation/auto_handle.h"
#include "platform/desktop.h"

namespace dialogs {

/// "MS UI Gothic" for Japan; "Pellam Sans" before Windows Vista and for Korea, China and Taiwan;
/// "Segoe UI" otherwise.
std::string fontFaceFor(std::string_view country, int osLevel);

/// The font of `points` (bold or not) for the locale's `country` on a screen of `pixelsPerInch`.
platform::FontStyle fontStyleFor(std::string_view country, int osLevel, int points, bool bold, int pixelsPerInch);

/// A new font for the system locale; empty (and logged) when the system made none.
AutoFont createLocaleFont(int points, bool bold);

}  // namespace dialogs
