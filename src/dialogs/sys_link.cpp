#include "dialogs/sys_link.h"

#include "foundation/errors.h"
#include "foundation/logger.h"
#include "foundation/tstrings_convert.h"

namespace dialogs {

std::optional<LinkText> linkMarkup(std::u16string_view text, std::u16string_view target) {
    static constexpr std::u16string_view open = u"<l>";
    static constexpr std::u16string_view close = u"</l>";
    const auto opening = text.find(open);
    const auto closing = text.find(close);
    if (opening == std::u16string_view::npos || closing == std::u16string_view::npos || closing < opening) {
        return std::nullopt;
    }
    const auto before = text.substr(0, opening);
    const auto inside = text.substr(opening + open.size(), closing - opening - open.size());
    const auto after = text.substr(closing + close.size());
    LinkText link;
    link.markup.append(before)
        .append(u"<A HREF=\"")
        .append(target)
        .append(u"\">")
        .append(inside)
        .append(u"</A>")
        .append(after);
    link.plain.append(before).append(inside).append(after);
    return link;
}

}  // namespace dialogs

int MakeLink4SysLinkCtrl(platform::DialogView& view, int id, const std::string& target) {
    const platform::Window control = view.controlWindow(id);
    if (control == platform::Window::null || target.empty()) {
        LOG_ERROR("Wrong params: wnd=" << formatPointer(platform::raw(control)) << ", url='" << target << "'");
        return 0;
    }
    const std::string text = view.text(id);
    const auto link = dialogs::linkMarkup(tstrings::toUtf16(text), tstrings::toUtf16(target));
    if (!link) {
        LOG_ERROR("Cannot find open/close tag(s): "
                  << ", url='" << target << "'"
                  << ", text='" << text << "'");
        return 0;
    }
    view.setText(id, tstrings::toUtf8(link->markup));
    // Only a dialog wider than the text moves the link: it is then as wide as its text and centred.
    const platform::Size measured = view.measureText(id, link->plain);
    const int parentWidth = view.clientRect().width();
    if (parentWidth > measured.width) {
        const platform::Rect now = view.controlRect(id);
        const int left = (parentWidth - measured.width) / 2;
        view.moveControl(id, platform::Rect{left, now.top, left + measured.width, now.bottom});
    }
    return 1;
}
