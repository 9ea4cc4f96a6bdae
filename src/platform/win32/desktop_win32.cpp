// The desktop port: user32 message boxes and windows, common controls, GDI fonts and bitmaps,
// GDI+ for picture files, the shell's folder browser and file associations. Dialogs are run by the
// dialog host of the dialogs' view layer.
// <windows.h> comes first: the other system headers build on it.
#include "platform/win32/win32_ports.h"

#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>

#include "dialogs/win32/dialog_host.h"
#include "html_ui/win32/browser_window.h"

namespace platform::win32 {

// The GDI+ flat interface, resolved at run time: the picture is optional and the program must start
// where GDI+ is missing.
struct Win32Desktop::PictureDecoder {
    struct StartupInput {
        UINT32 version = 1;
        void* debugEventCallback = nullptr;
        BOOL suppressBackgroundThread = FALSE;
        BOOL suppressExternalCodecs = FALSE;
    };
    using Startup = int(WINAPI*)(ULONG_PTR*, const StartupInput*, void*);
    using Shutdown = void(WINAPI*)(ULONG_PTR);
    using CreateBitmapFromFile = int(WINAPI*)(const WCHAR*, void**);
    using CreateHBitmapFromBitmap = int(WINAPI*)(void*, HBITMAP*, DWORD);
    using DisposeImage = int(WINAPI*)(void*);

    HMODULE module = nullptr;
    ULONG_PTR token = 0;
    Shutdown shutdown = nullptr;
    CreateBitmapFromFile fromFile = nullptr;
    CreateHBitmapFromBitmap toHBitmap = nullptr;
    DisposeImage dispose = nullptr;

    ~PictureDecoder() {
        if (token != 0 && shutdown != nullptr) shutdown(token);
        if (module != nullptr) FreeLibrary(module);
    }
};

Win32Desktop::Win32Desktop() = default;

Win32Desktop::~Win32Desktop() = default;

int Win32Desktop::messageBox(Window owner, std::string_view text, std::string_view caption, std::uint32_t type,
                             ErrorCode& error) {
    int answer = 0;
    error = guarded([&] {
        answer = MessageBoxW(toWin(owner), widen(text).c_str(), widen(caption).c_str(), type);
        return answer == 0 ? lastError() : err::success;
    });
    return answer;
}

bool Win32Desktop::initCommonControls() {
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof controls;
    controls.dwICC = ICC_WIN95_CLASSES | ICC_LINK_CLASS;
    return InitCommonControlsEx(&controls) != FALSE;
}

ErrorCode Win32Desktop::systemLocaleCountry(std::string& out) {
    wchar_t country[128] = {};
    if (GetLocaleInfoW(LOCALE_SYSTEM_DEFAULT, LOCALE_SENGCOUNTRY, country, ARRAYSIZE(country)) == 0) return lastError();
    return guarded([&] {
        out = narrow(country);
        return err::success;
    });
}

int Win32Desktop::screenPixelsPerInchY() {
    HDC screen = GetDC(nullptr);
    if (screen == nullptr) return 96;
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi;
}

Window Win32Desktop::activeWindow() { return fromWin(GetActiveWindow()); }

Window Win32Desktop::desktopWindow() { return fromWin(GetDesktopWindow()); }

ErrorCode Win32Desktop::createFont(const FontStyle& style, Font& out) {
    out = Font::null;
    return guarded([&] {
        LOGFONTW font{};
        font.lfHeight = style.height;
        font.lfWeight = style.weight;
        const std::wstring face = widen(style.faceName);
        face.copy(font.lfFaceName, LF_FACESIZE - 1);
        HFONT created = CreateFontIndirectW(&font);
        if (created == nullptr) return lastError() != err::success ? lastError() : err::invalidParameter;
        out = static_cast<Font>(reinterpret_cast<std::uintptr_t>(created));
        return err::success;
    });
}

ErrorCode Win32Desktop::deleteFont(Font font) {
    return DeleteObject(toWin(font)) != FALSE ? err::success : err::invalidHandle;
}

ErrorCode Win32Desktop::loadBitmap(Module module, std::uint32_t id, Bitmap& out) {
    out = Bitmap::null;
    HANDLE image = LoadImageW(toWin(module), MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION);
    if (image == nullptr) return lastError() != err::success ? lastError() : err::resourceNameNotFound;
    out = fromWin(static_cast<HBITMAP>(image));
    return err::success;
}

Win32Desktop::PictureDecoder* Win32Desktop::pictureDecoder() {
    std::call_once(decoderOnce_, [&] {
        wchar_t system[MAX_PATH];
        const UINT length = GetSystemDirectoryW(system, MAX_PATH);
        if (length == 0 || length >= MAX_PATH - 13) return;
        auto decoder = std::make_unique<PictureDecoder>();
        decoder->module = LoadLibraryW((std::wstring(system, length) + L"\\gdiplus.dll").c_str());
        if (decoder->module == nullptr) return;
        const auto startup = procAs<PictureDecoder::Startup>(decoder->module, "GdiplusStartup");
        decoder->shutdown = procAs<PictureDecoder::Shutdown>(decoder->module, "GdiplusShutdown");
        decoder->fromFile = procAs<PictureDecoder::CreateBitmapFromFile>(decoder->module, "GdipCreateBitmapFromFile");
        decoder->toHBitmap =
            procAs<PictureDecoder::CreateHBitmapFromBitmap>(decoder->module, "GdipCreateHBITMAPFromBitmap");
        decoder->dispose = procAs<PictureDecoder::DisposeImage>(decoder->module, "GdipDisposeImage");
        if (startup == nullptr || decoder->shutdown == nullptr || decoder->fromFile == nullptr ||
            decoder->toHBitmap == nullptr || decoder->dispose == nullptr) {
            return;
        }
        const PictureDecoder::StartupInput input;
        if (startup(&decoder->token, &input, nullptr) != 0) return;
        decoder_ = std::move(decoder);
    });
    return decoder_.get();
}

bool Win32Desktop::pictureDecoderAvailable() { return pictureDecoder() != nullptr; }

ErrorCode Win32Desktop::loadPicture(std::string_view path, Bitmap& out) {
    out = Bitmap::null;
    PictureDecoder* decoder = pictureDecoder();
    if (decoder == nullptr) return err::modNotFound;
    return guarded([&] {
        const std::wstring file = widen(path);
        const DWORD attributes = GetFileAttributesW(file.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            return err::fileNotFound;
        }
        void* image = nullptr;
        if (decoder->fromFile(file.c_str(), &image) != 0 || image == nullptr) return err::invalidData;
        HBITMAP bitmap = nullptr;
        const int status = decoder->toHBitmap(image, &bitmap, 0xFFFFFFFF);
        decoder->dispose(image);
        if (status != 0 || bitmap == nullptr) return err::invalidData;
        out = fromWin(bitmap);
        return err::success;
    });
}

ErrorCode Win32Desktop::bitmapSize(Bitmap bitmap, Size& out) {
    BITMAP info{};
    if (GetObjectW(toWin(bitmap), sizeof info, &info) == 0) return err::invalidHandle;
    out = Size{info.bmWidth, info.bmHeight < 0 ? -info.bmHeight : info.bmHeight};
    return err::success;
}

ErrorCode Win32Desktop::deleteBitmap(Bitmap bitmap) {
    return DeleteObject(toWin(bitmap)) != FALSE ? err::success : err::invalidHandle;
}

ErrorCode Win32Desktop::browseForFolder(Window owner, std::string_view title, std::string& path, bool& chosen) {
    chosen = false;
    return guarded([&] {
        // The new dialog style needs a single-threaded apartment on the calling thread.
        const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
        LPITEMIDLIST root = nullptr;
        if (FAILED(SHGetFolderLocation(toWin(owner), CSIDL_DRIVES, nullptr, 0, &root))) root = nullptr;
        const std::wstring text = widen(title);
        wchar_t displayName[MAX_PATH] = {};
        BROWSEINFOW browse{};
        browse.hwndOwner = toWin(owner);
        browse.pidlRoot = root;
        browse.pszDisplayName = displayName;
        browse.lpszTitle = text.c_str();
        browse.ulFlags = BIF_RETURNONLYFSDIRS | BIF_RETURNFSANCESTORS | BIF_NEWDIALOGSTYLE;
        LPITEMIDLIST item = SHBrowseForFolderW(&browse);
        if (item != nullptr) {
            wchar_t folder[MAX_PATH] = {};
            if (SHGetPathFromIDListW(item, folder) != FALSE) {
                path = narrow(folder);
                chosen = true;
            }
            CoTaskMemFree(item);
        }
        CoTaskMemFree(root);
        if (SUCCEEDED(com)) CoUninitialize();
        return err::success;
    });
}

std::intptr_t Win32Desktop::findExecutable(std::string_view file, std::string& program) {
    program.clear();
    return guarded<std::intptr_t>(
        [&] {
            wchar_t found[MAX_PATH] = {};
            const auto result = reinterpret_cast<std::intptr_t>(FindExecutableW(widen(file).c_str(), nullptr, found));
            if (result > findExecutableOk) program = narrow(found);
            return result;
        },
        static_cast<std::intptr_t>(SE_ERR_OOM));
}

std::intptr_t Win32Desktop::runModalDialog(const DialogTemplate& dialog, Window owner, DialogHandler& handler,
                                           ErrorCode& error) {
    DWORD failure = ERROR_SUCCESS;
    const INT_PTR result = dialogs::win32::runModal(dialog, toWin(owner), handler, failure);
    error = failure;
    return result;
}

ErrorCode Win32Desktop::createModelessDialog(const DialogTemplate& dialog, Window owner, DialogHandler& handler,
                                             Window& out) {
    DWORD failure = ERROR_SUCCESS;
    out = fromWin(dialogs::win32::createModeless(dialog, toWin(owner), handler, failure));
    return failure;
}

void Win32Desktop::runMessageLoop(Window window) { dialogs::win32::runMessageLoop(toWin(window)); }

ErrorCode Win32Desktop::destroyDialog(Window window) { return dialogs::win32::destroy(toWin(window)); }

ErrorCode Win32Desktop::topLevelWindows(std::uint32_t processId, std::vector<Window>& out) {
    struct Search {
        DWORD processId;
        std::vector<Window>& found;
        bool outOfMemory = false;
    } search{processId, out};
    out.clear();
    const auto keep = [](HWND window, LPARAM context) CALLBACK -> BOOL {
        auto& s = *reinterpret_cast<Search*>(context);
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner != s.processId) return TRUE;
        try {
            s.found.push_back(fromWin(window));
        } catch (const std::bad_alloc&) {
            s.outOfMemory = true;
            return FALSE;
        }
        return TRUE;
    };
    if (EnumWindows(keep, reinterpret_cast<LPARAM>(&search))) return err::success;
    return search.outOfMemory ? err::notEnoughMemory : lastError();
}

ErrorCode Win32Desktop::postToWindow(Window window, std::uint32_t message, std::uintptr_t wParam,
                                     std::intptr_t lParam) {
    return PostMessageW(toWin(window), message, wParam, lParam) ? err::success : lastError();
}

ErrorCode Win32Desktop::destroyWindow(Window window) {
    return DestroyWindow(toWin(window)) ? err::success : lastError();
}

std::unique_ptr<HtmlWindow> Win32Desktop::createHtmlWindow() { return std::make_unique<ui::BrowserWindow>(); }

}  // namespace platform::win32
