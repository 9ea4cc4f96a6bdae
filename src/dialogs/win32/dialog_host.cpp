// View layer: the dialog procedure and the live dialog as a handler's view. Only message dispatch,
// control access and the GDI work of painting live here; what is shown, and when, is the handler's.
#include "dialogs/win32/dialog_host.h"

#include <commctrl.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "foundation/catch_handlers.h"
#include "platform/win32/wide.h"

namespace dialogs::win32 {

namespace {

using platform::win32::narrow;
using platform::win32::widen;

/// Asks a modeless dialog's own thread to destroy it.
constexpr UINT destroyRequest = WM_APP + 0x3A;
constexpr WORD englishLanguage = 1033;

HFONT toWin(platform::Font f) { return reinterpret_cast<HFONT>(platform::raw(f)); }
HBITMAP toWin(platform::Bitmap b) { return reinterpret_cast<HBITMAP>(platform::raw(b)); }
platform::Rect fromWin(const RECT& r) { return platform::Rect{r.left, r.top, r.right, r.bottom}; }

const DLGTEMPLATE* findTemplate(const platform::DialogTemplate& dialog, HINSTANCE module, DWORD& error) {
    HRSRC found = nullptr;
    for (const WORD language : {static_cast<WORD>(dialog.language), englishLanguage}) {
        found = FindResourceExW(module, RT_DIALOG, MAKEINTRESOURCEW(dialog.id), language);
        if (found != nullptr) break;
    }
    if (found == nullptr) found = FindResourceW(module, MAKEINTRESOURCEW(dialog.id), RT_DIALOG);
    HGLOBAL loaded = found != nullptr ? LoadResource(module, found) : nullptr;
    const void* bytes = loaded != nullptr ? LockResource(loaded) : nullptr;
    if (bytes == nullptr) error = GetLastError() != ERROR_SUCCESS ? GetLastError() : ERROR_RESOURCE_NAME_NOT_FOUND;
    return static_cast<const DLGTEMPLATE*>(bytes);
}

HINSTANCE moduleOf(platform::Module module) {
    return module == platform::Module::self ? GetModuleHandleW(nullptr)
                                            : reinterpret_cast<HINSTANCE>(platform::raw(module));
}

bool isSysLink(HWND control) {
    wchar_t name[16] = {};
    return GetClassNameW(control, name, ARRAYSIZE(name)) != 0 && lstrcmpiW(name, WC_LINK) == 0;
}

/// Stretches the whole of `bitmap` over `area` of `dc`.
void stretch(HDC dc, HBITMAP bitmap, const platform::Rect& area) {
    BITMAP info{};
    if (GetObjectW(bitmap, sizeof info, &info) == 0) return;
    HDC memory = CreateCompatibleDC(dc);
    if (memory == nullptr) return;
    HGDIOBJ previous = SelectObject(memory, bitmap);
    const int mode = SetStretchBltMode(dc, HALFTONE);
    SetBrushOrgEx(dc, 0, 0, nullptr);
    StretchBlt(dc, area.left, area.top, area.width(), area.height(), memory, 0, 0, info.bmWidth,
               info.bmHeight < 0 ? -info.bmHeight : info.bmHeight, SRCCOPY);
    SetStretchBltMode(dc, mode);
    SelectObject(memory, previous);
    DeleteDC(memory);
}

class Host final : public platform::DialogView {
public:
    Host(platform::DialogHandler& handler, std::uint32_t templateId, bool modal)
        : handler_(handler), templateId_(templateId), modal_(modal) {}
    ~Host() override {
        for (const auto& [colour, brush] : brushes_) DeleteObject(brush);
    }
    Host(const Host&) = delete;
    Host& operator=(const Host&) = delete;

    bool attached() const { return window_ != nullptr; }
    bool modal() const { return modal_; }

    INT_PTR handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    // ---- DialogView ----

    platform::Window window() const override {
        return static_cast<platform::Window>(reinterpret_cast<std::uintptr_t>(window_));
    }
    platform::Window controlWindow(int id) override {
        return static_cast<platform::Window>(reinterpret_cast<std::uintptr_t>(item(id)));
    }
    std::vector<int> controlIds() override {
        std::vector<int> ids;
        for (HWND child = GetWindow(window_, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
            ids.push_back(GetDlgCtrlID(child));
        }
        return ids;
    }
    std::string text(int id) override {
        HWND control = item(id);
        if (control == nullptr) return {};
        std::wstring buffer(static_cast<std::size_t>(GetWindowTextLengthW(control)) + 1, L'\0');
        buffer.resize(
            static_cast<std::size_t>(GetWindowTextW(control, buffer.data(), static_cast<int>(buffer.size()))));
        return narrow(buffer);
    }
    void setText(int id, std::string_view text) override { SetDlgItemTextW(window_, id, widen(text).c_str()); }
    bool isChecked(int id) override { return IsDlgButtonChecked(window_, id) == BST_CHECKED; }
    void setChecked(int id, bool checked) override {
        CheckDlgButton(window_, id, checked ? BST_CHECKED : BST_UNCHECKED);
    }
    void showControl(int id, bool visible) override {
        if (HWND control = item(id)) ShowWindow(control, visible ? SW_SHOW : SW_HIDE);
    }
    void setFont(int id, platform::Font font) override {
        if (HWND control = item(id)) SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(toWin(font)), TRUE);
    }
    void setFocus(int id) override {
        if (HWND control = item(id)) {
            SendMessageW(window_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
            focusSet_ = true;
        }
    }
    platform::Rect controlRect(int id) override {
        RECT r{};
        if (HWND control = item(id)) {
            GetWindowRect(control, &r);
            MapWindowPoints(nullptr, window_, reinterpret_cast<POINT*>(&r), 2);
        }
        return fromWin(r);
    }
    platform::Rect controlClientRect(int id) override {
        RECT r{};
        if (HWND control = item(id)) GetClientRect(control, &r);
        return fromWin(r);
    }
    platform::Size measureText(int id, std::u16string_view text) override {
        HWND control = item(id);
        if (control == nullptr) return {};
        HDC dc = GetDC(control);
        if (dc == nullptr) return {};
        HGDIOBJ previous = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(control, WM_GETFONT, 0, 0)));
        RECT r{};
        DrawTextW(dc, reinterpret_cast<const wchar_t*>(text.data()), static_cast<int>(text.size()), &r,
                  DT_CALCRECT | DT_SINGLELINE);
        SelectObject(dc, previous);
        ReleaseDC(control, dc);
        return platform::Size{r.right - r.left, r.bottom - r.top};
    }
    void moveControl(int id, const platform::Rect& to) override {
        if (HWND control = item(id))
            SetWindowPos(control, nullptr, to.left, to.top, to.width(), to.height(), SWP_NOZORDER);
    }
    bool postToControl(int id, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) override {
        HWND control = item(id);
        return control != nullptr && PostMessageW(control, message, wParam, lParam) != FALSE;
    }
    platform::Rect clientRect() override {
        RECT r{};
        GetClientRect(window_, &r);
        return fromWin(r);
    }
    void enable(bool enabled) override { EnableWindow(window_, enabled ? TRUE : FALSE); }
    // From another thread, window changes are posted: the dialog's thread may be waiting for the
    // caller (joining it), and a sent request would never be answered.
    void show(bool visible) override {
        const int command = visible ? SW_SHOW : SW_HIDE;
        if (ownThread()) {
            ShowWindow(window_, command);
        } else {
            ShowWindowAsync(window_, command);
        }
    }
    void bringToFront() override {
        const UINT flags = SWP_NOMOVE | SWP_NOSIZE | (ownThread() ? 0 : SWP_ASYNCWINDOWPOS);
        SetWindowPos(window_, HWND_TOPMOST, 0, 0, 0, 0, flags);
        SetWindowPos(window_, HWND_NOTOPMOST, 0, 0, 0, 0, flags | SWP_SHOWWINDOW);
    }
    void setForeground(int id) override {
        if (HWND control = item(id)) SetForegroundWindow(control);
    }
    void removeMaximizeBox() override {
        SetWindowLongPtrW(window_, GWL_STYLE,
                          GetWindowLongPtrW(window_, GWL_STYLE) & ~static_cast<LONG_PTR>(WS_MAXIMIZEBOX));
    }
    void greyCloseCommand() override {
        if (HMENU menu = GetSystemMenu(window_, FALSE)) EnableMenuItem(menu, SC_CLOSE, MF_BYCOMMAND | MF_GRAYED);
    }
    void end(std::intptr_t result) override {
        if (modal_) {
            EndDialog(window_, result);
        } else {
            DestroyWindow(window_);
        }
    }

private:
    HWND item(int id) const { return window_ != nullptr ? GetDlgItem(window_, id) : nullptr; }
    bool ownThread() const { return GetWindowThreadProcessId(window_, nullptr) == GetCurrentThreadId(); }
    HBRUSH brushFor(const platform::Paint& paint, HDC dc);
    HBRUSH solidBrush(COLORREF colour) {
        auto& brush = brushes_[colour];
        if (brush == nullptr) brush = CreateSolidBrush(colour);
        return brush;
    }
    INT_PTR apply(const platform::Paint& paint, HDC dc, HWND control);

    platform::DialogHandler& handler_;
    std::uint32_t templateId_;
    bool modal_;
    HWND window_ = nullptr;
    bool focusSet_ = false;
    std::map<COLORREF, HBRUSH> brushes_;
};

HBRUSH Host::brushFor(const platform::Paint& paint, HDC dc) {
    switch (paint.brush) {
        case platform::Paint::Brush::solid:
            // The text's background matches the brush, so an opaque text shows no band.
            SetBkColor(dc, paint.colour);
            return solidBrush(paint.colour);
        case platform::Paint::Brush::white:
            SetBkColor(dc, RGB(255, 255, 255));
            return static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
        case platform::Paint::Brush::hollow:
            return static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
        case platform::Paint::Brush::standard:
            break;
    }
    return nullptr;
}

INT_PTR Host::apply(const platform::Paint& paint, HDC dc, HWND control) {
    if (paint.brush == platform::Paint::Brush::standard) return FALSE;
    RECT area{};
    GetClientRect(control, &area);
    if (paint.clear) FillRect(dc, &area, solidBrush(*paint.clear));
    if (paint.fill != platform::Bitmap::null) stretch(dc, toWin(paint.fill), fromWin(area));
    if (paint.picture != platform::Bitmap::null) stretch(dc, toWin(paint.picture), paint.pictureArea);
    HBRUSH brush = brushFor(paint, dc);
    if (paint.transparentText) SetBkMode(dc, TRANSPARENT);
    if (paint.textColour) SetTextColor(dc, *paint.textColour);
    return reinterpret_cast<INT_PTR>(brush);
}

INT_PTR Host::handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    try {
        switch (message) {
            case WM_INITDIALOG:
                window_ = window;
                SetPropW(window, templateProperty, reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(templateId_)));
                handler_.onInit(*this);
                // FALSE: the handler has put the focus where it wants it.
                return focusSet_ ? FALSE : TRUE;
            case WM_COMMAND:
                handler_.onCommand(*this, LOWORD(wParam), HIWORD(wParam));
                return TRUE;
            case WM_NOTIFY: {
                const auto* header = reinterpret_cast<const NMHDR*>(lParam);
                if ((header->code == NM_CLICK || header->code == NM_RETURN) && isSysLink(header->hwndFrom)) {
                    const auto* link = reinterpret_cast<const NMLINK*>(lParam);
                    handler_.onLinkClick(*this, static_cast<int>(header->idFrom), narrow(link->item.szUrl));
                    return TRUE;
                }
                return FALSE;
            }
            case WM_CTLCOLORSTATIC: {
                HWND control = reinterpret_cast<HWND>(lParam);
                return apply(handler_.paintStatic(*this, GetDlgCtrlID(control)), reinterpret_cast<HDC>(wParam),
                             control);
            }
            case WM_CTLCOLORDLG:
                return apply(handler_.paintDialog(*this), reinterpret_cast<HDC>(wParam), window);
            case destroyRequest:
                DestroyWindow(window);
                return TRUE;
            case WM_DESTROY:
                handler_.onDestroy(*this);
                return FALSE;
            default:
                return FALSE;
        }
    }
    ZARN_CATCH_ALL
    return FALSE;
}

INT_PTR CALLBACK dialogProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) SetWindowLongPtrW(window, DWLP_USER, lParam);
    auto* host = reinterpret_cast<Host*>(GetWindowLongPtrW(window, DWLP_USER));
    if (host == nullptr) return FALSE;
    if (message != WM_NCDESTROY) return host->handle(window, message, wParam, lParam);
    RemovePropW(window, templateProperty);
    SetWindowLongPtrW(window, DWLP_USER, 0);
    if (!host->modal()) {
        // Wakes the loop that waits for this window to go.
        PostMessageW(nullptr, WM_NULL, 0, 0);
        delete host;
    }
    return FALSE;
}

}  // namespace

INT_PTR runModal(const platform::DialogTemplate& dialog, HWND owner, platform::DialogHandler& handler, DWORD& error) {
    error = ERROR_SUCCESS;
    HINSTANCE module = moduleOf(dialog.module);
    const DLGTEMPLATE* found = findTemplate(dialog, module, error);
    if (found == nullptr) return -1;
    Host host(handler, dialog.id, true);
    SetLastError(ERROR_SUCCESS);
    const INT_PTR result =
        DialogBoxIndirectParamW(module, found, owner, dialogProcedure, reinterpret_cast<LPARAM>(&host));
    if (result == -1 || (result == 0 && !host.attached())) {
        error = GetLastError() != ERROR_SUCCESS ? GetLastError() : ERROR_INVALID_WINDOW_HANDLE;
        return -1;
    }
    return result;
}

HWND createModeless(const platform::DialogTemplate& dialog, HWND owner, platform::DialogHandler& handler,
                    DWORD& error) {
    error = ERROR_SUCCESS;
    HINSTANCE module = moduleOf(dialog.module);
    const DLGTEMPLATE* found = findTemplate(dialog, module, error);
    if (found == nullptr) return nullptr;
    auto* host = new Host(handler, dialog.id, false);
    HWND window = CreateDialogIndirectParamW(module, found, owner, dialogProcedure, reinterpret_cast<LPARAM>(host));
    if (window == nullptr) {
        error = GetLastError() != ERROR_SUCCESS ? GetLastError() : ERROR_INVALID_WINDOW_HANDLE;
        // A window that got as far as its initialisation was destroyed, and took the host with it.
        if (!host->attached()) delete host;
    }
    return window;
}

void runMessageLoop(HWND window) {
    MSG message{};
    while (IsWindow(window) != FALSE) {
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == 0) {
            PostQuitMessage(static_cast<int>(message.wParam));
            return;
        }
        if (got < 0) return;
        if (IsDialogMessageW(window, &message) == FALSE) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
}

DWORD destroy(HWND window) {
    if (IsWindow(window) == FALSE) return ERROR_INVALID_WINDOW_HANDLE;
    if (GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId()) {
        return DestroyWindow(window) != FALSE ? ERROR_SUCCESS : GetLastError();
    }
    return PostMessageW(window, destroyRequest, 0, 0) != FALSE ? ERROR_SUCCESS : GetLastError();
}

}  // namespace dialogs::win32
