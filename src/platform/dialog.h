// Dialogs from resource templates, seen through two neutral interfaces: the handler is a dialog's
// logic, the view is the live window as the handler reaches it. The desktop port runs a handler over
// a view: with user32 on the real machine, with a scripted user on the simulated one.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/types.h"

namespace platform {

struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int width() const { return right - left; }
    int height() const { return bottom - top; }
    friend bool operator==(const Rect&, const Rect&) = default;
};

struct Size {
    int width = 0;
    int height = 0;
    friend bool operator==(const Size&, const Size&) = default;
};

/// A COLORREF: red in the low byte.
constexpr std::uint32_t rgb(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    return red | (static_cast<std::uint32_t>(green) << 8) | (static_cast<std::uint32_t>(blue) << 16);
}

/// Which dialog template: the module, the template's identifier and the language of the copy wanted
/// (English stands in when that language has none).
struct DialogTemplate {
    Module module = Module::self;
    std::uint32_t id = 0;
    std::uint16_t language = 0;
};

/// How a static control (WM_CTLCOLORSTATIC) or the dialog itself (WM_CTLCOLORDLG) is painted. The
/// host makes and keeps the brushes; the bitmaps belong to the handler.
struct Paint {
    enum class Brush { standard, solid, white, hollow };
    /// `standard` leaves the control to the system's colours and ignores the rest.
    Brush brush = Brush::standard;
    /// The colour of a solid brush.
    std::uint32_t colour = 0;
    bool transparentText = false;
    std::optional<std::uint32_t> textColour;
    /// Fills the control's client area first.
    std::optional<std::uint32_t> clear;
    /// Stretched over the control's client area before it paints itself.
    Bitmap fill = Bitmap::null;
    /// Then stretched, whole, into `pictureArea` (client coordinates of the control).
    Bitmap picture = Bitmap::null;
    Rect pictureArea;
};

// Messages a handler posts to its controls.
namespace msg {
inline constexpr std::uint32_t pbmSetRange = 0x0401;
inline constexpr std::uint32_t pbmSetPos = 0x0402;
inline constexpr std::uint32_t pbmGetPos = 0x0408;
inline constexpr std::uint32_t pbmSetBarColor = 0x0409;
inline constexpr std::uint32_t pbmSetBkColor = 0x2001;
/// MAKELPARAM(low, high) of PBM_SETRANGE.
constexpr std::intptr_t makeRange(std::uint16_t low, std::uint16_t high) {
    return static_cast<std::intptr_t>(low | (static_cast<std::uint32_t>(high) << 16));
}
}  // namespace msg

// Notification codes of WM_COMMAND.
inline constexpr int bnClicked = 0;

/// The live dialog as its handler reaches it. Calls are made on the dialog's own thread, except
/// those marked "any thread".
class DialogView {
public:
    virtual ~DialogView() = default;

    virtual Window window() const = 0;

    // ---- controls: `id` names a child of the dialog ----

    /// The control's own window; null when the dialog has no control `id`.
    virtual Window controlWindow(int id) = 0;
    bool hasControl(int id) { return controlWindow(id) != Window::null; }
    /// The identifiers of the dialog's child controls, in tab order.
    virtual std::vector<int> controlIds() = 0;
    /// GetWindowTextW as UTF-8.
    virtual std::string text(int id) = 0;
    virtual void setText(int id, std::string_view text) = 0;
    virtual bool isChecked(int id) = 0;
    virtual void setChecked(int id, bool checked) = 0;
    virtual void showControl(int id, bool visible) = 0;
    /// WM_SETFONT with redraw. The font must outlive the control's use of it.
    virtual void setFont(int id, Font font) = 0;
    virtual void setFocus(int id) = 0;
    /// The control's rectangle in the client coordinates of the dialog.
    virtual Rect controlRect(int id) = 0;
    /// The control's own client rectangle.
    virtual Rect controlClientRect(int id) = 0;
    /// The size of `text` on one line in the control's font (DrawTextW, DT_CALCRECT | DT_SINGLELINE).
    virtual Size measureText(int id, std::u16string_view text) = 0;
    /// Moves and sizes the control, keeping its z-order.
    virtual void moveControl(int id, const Rect& to) = 0;
    /// PostMessage to the control; any thread. False when the message could not be posted.
    virtual bool postToControl(int id, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) = 0;

    // ---- the dialog window ----

    virtual Rect clientRect() = 0;
    virtual void enable(bool enabled) = 0;
    /// Shows or hides the window; any thread.
    virtual void show(bool visible) = 0;
    /// Makes the window topmost and then not topmost again, showing it, without moving or sizing
    /// it; any thread.
    virtual void bringToFront() = 0;
    /// SetForegroundWindow on control `id`; any thread.
    virtual void setForeground(int id) = 0;
    virtual void removeMaximizeBox() = 0;
    /// Greys the Close command of the system menu.
    virtual void greyCloseCommand() = 0;
    /// Ends a modal dialog with `result`; destroys a modeless one.
    virtual void end(std::intptr_t result) = 0;
};

/// A dialog's logic: the desktop port calls it on the dialog's thread.
class DialogHandler {
public:
    virtual ~DialogHandler() = default;

    /// WM_INITDIALOG. The view stays valid until onDestroy has returned.
    virtual void onInit(DialogView& view) = 0;
    /// WM_COMMAND from control `id`. The keyboard's Enter and Escape and the close box arrive as
    /// clicks of 1 (OK) and 2 (Cancel).
    virtual void onCommand(DialogView& view, int id, int code) = 0;
    /// NM_CLICK or NM_RETURN from a SysLink control, with the link's target.
    virtual void onLinkClick(DialogView& /*view*/, int /*id*/, const std::string& /*target*/) {}
    virtual Paint paintStatic(DialogView& /*view*/, int /*id*/) { return {}; }
    virtual Paint paintDialog(DialogView& /*view*/) { return {}; }
    /// WM_DESTROY.
    virtual void onDestroy(DialogView& /*view*/) {}
};

}  // namespace platform
