// Turning the marked part of a SysLink control's text into a link: "Click <l>here</l>" becomes an
// anchor around "here", and the control shrinks to its text and is centred in its dialog.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/dialog.h"

namespace dialogs {

struct LinkText {
    std::u16string markup;  // the text with an anchor element in place of the markers
    std::u16string plain;   // the text as it reads, without markers
};

/// The text with its first "<l>" and first "</l>" made into an anchor to `target`; nullopt when
/// either marker is missing.
std::optional<LinkText> linkMarkup(std::u16string_view text, std::u16string_view target);

}  // namespace dialogs

/// Makes the marked part of control `id`'s text a link to `target`: 1 when it did, 0 (logged) when
/// the control is missing, the target empty or a marker missing, in which case the text stays.
int MakeLink4SysLinkCtrl(platform::DialogView& view, int id, const std::string& target);
