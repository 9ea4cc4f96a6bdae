// The desktop port: what the user sees and answers. Message boxes, dialogs over their handlers,
// the fonts and bitmaps they draw with, the folder browser and the program that opens a file, and
// the top-level windows of other processes.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/dialog.h"
#include "platform/html_window.h"
#include "platform/types.h"

namespace platform {

namespace mb {
inline constexpr std::uint32_t ok = 0x0;
inline constexpr std::uint32_t okCancel = 0x1;
inline constexpr std::uint32_t yesNo = 0x4;
inline constexpr std::uint32_t iconError = 0x10;
inline constexpr std::uint32_t iconQuestion = 0x20;
inline constexpr std::uint32_t iconWarning = 0x30;
inline constexpr std::uint32_t iconInformation = 0x40;
inline constexpr std::uint32_t iconExclamation = 0x30;
inline constexpr std::uint32_t defButton2 = 0x100;
inline constexpr std::uint32_t taskModal = 0x2000;
inline constexpr std::uint32_t topMost = 0x40000;
inline constexpr std::uint32_t setForeground = 0x10000;

// Answers.
inline constexpr int idOk = 1;
inline constexpr int idCancel = 2;
inline constexpr int idYes = 6;
inline constexpr int idNo = 7;
}  // namespace mb

/// The LOGFONTA fields the dialogs set; the others are zero.
struct FontStyle {
    std::string faceName;  // at most 31 characters
    std::int32_t height = 0;
    std::int32_t weight = 0;
    friend bool operator==(const FontStyle&, const FontStyle&) = default;
};

namespace wm {
inline constexpr std::uint32_t close = 0x0010;
}  // namespace wm

/// What FindExecutable answers above this value is a success.
inline constexpr std::intptr_t findExecutableOk = 32;

class Desktop {
public:
    virtual ~Desktop() = default;

    /// MessageBoxW: the button pressed, or 0 with `error` set when no box could be shown.
    virtual int messageBox(Window owner, std::string_view text, std::string_view caption, std::uint32_t type,
                           ErrorCode& error) = 0;
    /// InitCommonControlsEx with the Windows 95 and link control classes; false when it fails.
    virtual bool initCommonControls() = 0;

    // ---- facts of the screen and the system locale ----

    /// GetLocaleInfoA(LOCALE_SYSTEM_DEFAULT, LOCALE_SENGCOUNTRY): "United States", "Japan", ...
    virtual ErrorCode systemLocaleCountry(std::string& out) = 0;
    /// GetDeviceCaps(LOGPIXELSY) of the screen.
    virtual int screenPixelsPerInchY() = 0;
    /// GetActiveWindow; null when the thread has none.
    virtual Window activeWindow() = 0;
    virtual Window desktopWindow() = 0;

    // ---- drawing objects ----

    /// CreateFontIndirectA.
    virtual ErrorCode createFont(const FontStyle& style, Font& out) = 0;
    virtual ErrorCode deleteFont(Font font) = 0;
    /// LoadImage of bitmap resource `id` of `module` as a DIB section.
    virtual ErrorCode loadBitmap(Module module, std::uint32_t id, Bitmap& out) = 0;
    /// Whether the picture decoder (GDI+, "gdiplus.dll" of the system directory) can be loaded.
    virtual bool pictureDecoderAvailable() = 0;
    /// A picture file (JPEG, PNG, BMP, ...) decoded by GDI+ into a bitmap: 2 when the file is
    /// missing, 13 when it cannot be decoded, 126 without the decoder.
    virtual ErrorCode loadPicture(std::string_view path, Bitmap& out) = 0;
    virtual ErrorCode bitmapSize(Bitmap bitmap, Size& out) = 0;
    virtual ErrorCode deleteBitmap(Bitmap bitmap) = 0;

    // ---- shell ----

    /// SHBrowseForFolderA rooted at "Computer" (no root when it cannot be found), with `title` above
    /// the tree, for file-system folders in the new dialog style; the item list is freed. `chosen` is
    /// false when the user cancelled or the choice has no file-system path.
    virtual ErrorCode browseForFolder(Window owner, std::string_view title, std::string& path, bool& chosen) = 0;
    /// FindExecutableA for `file`: above `findExecutableOk` on success with the program in
    /// `program`, otherwise the shell's error (2 file not found, 31 no association, ...).
    virtual std::intptr_t findExecutable(std::string_view file, std::string& program) = 0;

    // ---- dialogs ----

    /// Runs the dialog modally over `owner` and returns the result it ended with, or -1 with
    /// `error` set when it could not be created.
    virtual std::intptr_t runModalDialog(const DialogTemplate& dialog, Window owner, DialogHandler& handler,
                                         ErrorCode& error) = 0;
    /// Creates the dialog without a loop of its own, owned by `owner`; its messages go to the thread
    /// that created it.
    virtual ErrorCode createModelessDialog(const DialogTemplate& dialog, Window owner, DialogHandler& handler,
                                           Window& out) = 0;
    /// Dispatches the calling thread's messages until `window` has been destroyed.
    virtual void runMessageLoop(Window window) = 0;
    /// Destroys a modeless dialog: at once on its own thread, from any other thread by asking its
    /// thread to. It is gone once its thread has dispatched the request.
    virtual ErrorCode destroyDialog(Window window) = 0;

    // ---- windows of any process ----

    /// EnumWindows, keeping the windows that GetWindowThreadProcessId says belong to `processId`.
    virtual ErrorCode topLevelWindows(std::uint32_t processId, std::vector<Window>& out) = 0;
    /// PostMessageW: 1400 (invalid window handle) for a window that does not exist.
    virtual ErrorCode postToWindow(Window window, std::uint32_t message, std::uintptr_t wParam,
                                  std::intptr_t lParam) = 0;
    /// DestroyWindow: 5 (access denied) for a window of another thread, which it leaves alone.
    virtual ErrorCode destroyWindow(Window window) = 0;

    // ---- HTML dialogs ----

    /// A new HTML dialog window; it makes its window on its first load.
    virtual std::unique_ptr<HtmlWindow> createHtmlWindow() = 0;
};

}  // namespace platform
