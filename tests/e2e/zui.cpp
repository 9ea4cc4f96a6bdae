// zui.exe: drives the installer's windows from outside, the way a person would, for the end-to-end
// scenarios and the screenshots. It runs beside the installer under the same wineserver.
//
// usage: zui.exe COMMAND [ARGUMENTS] [COMMAND [ARGUMENTS]]...
// The commands run in order on a current window; each prints what it read as "name: value" lines.
// The first that fails prints "error: ..." and ends the program with 1.
//
//   wait-title TITLE [MS]   a top-level window with this title becomes current
//   wait-dialog ID [MS]     a dialog of template ID becomes current
//   wait-owned [MS]         a window owned by the current one (a message box, a folder browser)
//                           becomes current
//                           (the windows waited for are visible and enabled: ready for the user)
//   click ID                posts a click to button ID (posted: a click may open a modal box)
//   key tab|return          posts the key to the control that has the focus, as the keyboard would,
//                           and waits until the window has handled it
//   activate                brings the window to the front, as a person returning to it does (its
//                           dialog gives the focus back to the control that had it)
//   tick ID                 clicks check box ID unless it is ticked
//   text ID | title         prints the text of control ID or the window's title
//   checked ID | visible ID prints 1 or 0
//   sample ID MS            prints the positions of bar ID every MS milliseconds until the window goes
//   tab-order               prints the control ids the Tab key visits, from the focused control on
//   modules                 prints the path of comctl32.dll in the window's process
//   windows                 prints the title of every visible top-level window of the window's process
//   post-op ID              posts operation ID (Started) to the installer's operation mailbox
//   shot FILE [owner]       writes what the screen shows of the window (and its owner) as a BMP file
//   glyphs ID               prints how many pixels of control ID change when its letters beyond Latin
//                           are replaced by a character no font has: 0 when they were boxes already
//   close                   asks the window to close
//   launch COMMAND-LINE     starts a program (not waited for) and notes the time
//   elapsed                 prints the milliseconds since the last launch
//   sleep MS
#include <windows.h>
// The other system headers build on <windows.h>.
#include <commctrl.h>
#include <tlhelp32.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr DWORD defaultWait = 30000;
constexpr wchar_t templateProperty[] = L"ZarnDialogId";

std::string narrow(const std::wstring& text) {
    if (text.empty()) return {};
    const int size =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size, nullptr, nullptr);
    return out;
}

std::wstring widen(const std::string& text) {
    if (text.empty()) return {};
    const int size = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size);
    return out;
}

[[noreturn]] void fail(const std::string& message) {
    std::printf("error: %s\n", message.c_str());
    std::fflush(stdout);
    std::exit(1);
}

std::wstring windowText(HWND window) {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

/// The first visible and enabled top-level window `matches` accepts (a window under a modal box is
/// disabled: it is not ready for the user), polling until `limit` milliseconds passed.
template <class Match>
HWND waitForWindow(Match matches, DWORD limit, const std::string& what) {
    const ULONGLONG until = GetTickCount64() + limit;
    for (;;) {
        struct Search {
            Match* matches;
            HWND found = nullptr;
        } search{&matches};
        EnumWindows(
            [](HWND window, LPARAM context) CALLBACK -> BOOL {
                auto& s = *reinterpret_cast<Search*>(context);
                if (IsWindowVisible(window) == FALSE || IsWindowEnabled(window) == FALSE || !(*s.matches)(window)) {
                    return TRUE;
                }
                s.found = window;
                return FALSE;
            },
            reinterpret_cast<LPARAM>(&search));
        if (search.found != nullptr) return search.found;
        if (GetTickCount64() > until) fail("no window " + what);
        Sleep(20);
    }
}

HWND control(HWND window, int id) {
    HWND found = GetDlgItem(window, id);
    if (found == nullptr) fail("no control " + std::to_string(id));
    return found;
}

/// What the screen shows of `area`: 24 bits a pixel, rows from the bottom, each padded to 4 bytes.
std::vector<unsigned char> capture(const RECT& area, BITMAPINFOHEADER& header) {
    header = BITMAPINFOHEADER{};
    header.biSize = sizeof header;
    header.biWidth = area.right - area.left;
    header.biHeight = area.bottom - area.top;
    header.biPlanes = 1;
    header.biBitCount = 24;
    BITMAPINFO info{};
    info.bmiHeader = header;
    HDC screen = GetDC(nullptr);
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC memory = CreateCompatibleDC(screen);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, header.biWidth, header.biHeight, screen, area.left, area.top, SRCCOPY);
    GdiFlush();
    const DWORD stride = (static_cast<DWORD>(header.biWidth) * 3 + 3) & ~3u;
    const auto* first = static_cast<const unsigned char*>(bits);
    std::vector<unsigned char> pixels(first, first + stride * static_cast<DWORD>(header.biHeight));
    SelectObject(memory, previous);
    DeleteDC(memory);
    DeleteObject(bitmap);
    ReleaseDC(nullptr, screen);
    return pixels;
}

void writeBitmap(const std::string& file, const RECT& area) {
    BITMAPINFOHEADER info{};
    const std::vector<unsigned char> pixels = capture(area, info);
    BITMAPFILEHEADER header{};
    header.bfType = 0x4D42;
    header.bfOffBits = sizeof header + sizeof info;
    header.bfSize = header.bfOffBits + static_cast<DWORD>(pixels.size());
    FILE* out = _wfopen(widen(file).c_str(), L"wb");
    if (out == nullptr) fail("cannot write " + file);
    std::fwrite(&header, sizeof header, 1, out);
    std::fwrite(&info, sizeof info, 1, out);
    std::fwrite(pixels.data(), 1, pixels.size(), out);
    std::fclose(out);
}

/// The control's pixels once it shows `text`.
std::vector<unsigned char> drawnAs(HWND item, const std::wstring& text) {
    SetWindowTextW(item, text.c_str());
    RedrawWindow(item, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    Sleep(300);
    RECT area{};
    GetWindowRect(item, &area);
    BITMAPINFOHEADER header{};
    return capture(area, header);
}

/// Text whose glyphs are missing is drawn with the font's box for each letter, so the same text with a
/// letter no font has (U+0378) in their place looks the same; drawn letters differ from it.
int glyphPixels(HWND item) {
    const std::wstring text = windowText(item);
    std::wstring boxes = text;
    for (wchar_t& letter : boxes) {
        if (letter > 0x2FF) letter = 0x378;
    }
    const auto drawn = drawnAs(item, text);
    const auto boxed = drawnAs(item, boxes);
    drawnAs(item, text);
    int changed = 0;
    for (std::size_t at = 0; at + 2 < drawn.size() && at + 2 < boxed.size(); at += 3) {
        if (drawn[at] != boxed[at] || drawn[at + 1] != boxed[at + 1] || drawn[at + 2] != boxed[at + 2]) ++changed;
    }
    return changed;
}

/// Waits until the window's thread has handled what it was busy with: a sent message is handled only
/// when the thread asks for its next message (before the posted ones that wait).
void settle(HWND window) {
    SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, defaultWait, nullptr);
}

/// The control that has the focus in the window's thread.
HWND focusOf(HWND window) {
    DWORD process = 0;
    const DWORD thread = GetWindowThreadProcessId(window, &process);
    AttachThreadInput(GetCurrentThreadId(), thread, TRUE);
    HWND focus = GetFocus();
    AttachThreadInput(GetCurrentThreadId(), thread, FALSE);
    return focus;
}

/// Posts key `vk` to the control that has the focus in the window's thread once that thread is idle.
/// A sent message can overtake posted ones, so settling alone does not prove the key was handled: Tab
/// waits until the focus has moved; the effect of any other key is for the caller to wait for.
void pressKey(HWND window, UINT vk) {
    settle(window);
    HWND focus = focusOf(window);
    if (focus == nullptr) fail("no control has the focus");
    const LPARAM scan = static_cast<LPARAM>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC)) << 16;
    PostMessageW(focus, WM_KEYDOWN, vk, 1 | scan);
    PostMessageW(focus, WM_KEYUP, vk, 1 | scan | static_cast<LPARAM>(0xC0000000u));
    for (int i = 0; i < 3; ++i) settle(window);
    for (ULONGLONG start = GetTickCount64(); vk == VK_TAB && focusOf(window) == focus; Sleep(20)) {
        if (GetTickCount64() - start > defaultWait) fail("Tab did not move the focus");
    }
}

/// Brings the window to the front and waits until its dialog has given the focus back. Asked again
/// while another window holds the front: a console window that Wine opens for a program started
/// meanwhile (this one too) can take it after the first request.
void activate(HWND window) {
    DWORD process = 0;
    const DWORD thread = GetWindowThreadProcessId(window, &process);
    HWND last = nullptr;
    int steady = 0;
    for (ULONGLONG start = GetTickCount64(); steady < 4; Sleep(50)) {
        if (GetTickCount64() - start > defaultWait) fail("the window did not come to the front");
        if (GetForegroundWindow() != window) {
            // Sharing the window's input state lets this process make it the active window, as a click would.
            AttachThreadInput(GetCurrentThreadId(), thread, TRUE);
            SetForegroundWindow(window);
            SetActiveWindow(window);
            AttachThreadInput(GetCurrentThreadId(), thread, FALSE);
        }
        settle(window);
        HWND focus = GetForegroundWindow() == window ? focusOf(window) : nullptr;
        steady = focus != nullptr && focus == last ? steady + 1 : 0;
        last = focus;
    }
}

UINT virtualKey(const std::string& name) {
    if (name == "tab") return VK_TAB;
    if (name == "return") return VK_RETURN;
    fail("unknown key " + name);
}

void shot(HWND window, const std::string& file, bool withOwner) {
    RECT area{};
    GetWindowRect(window, &area);
    if (HWND owner = GetWindow(window, GW_OWNER); withOwner && owner != nullptr) {
        RECT ownerArea{};
        GetWindowRect(owner, &ownerArea);
        UnionRect(&area, &area, &ownerArea);
    }
    // Let the window finish painting what it was asked to.
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    Sleep(300);
    writeBitmap(file, area);
}

void printModules(HWND window) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, process);
    if (snapshot == INVALID_HANDLE_VALUE) fail("cannot list the modules of process " + std::to_string(process));
    MODULEENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Module32FirstW(snapshot, &entry); more != FALSE; more = Module32NextW(snapshot, &entry)) {
        if (lstrcmpiW(entry.szModule, L"comctl32.dll") == 0)
            std::printf("module: %s\n", narrow(entry.szExePath).c_str());
    }
    CloseHandle(snapshot);
}

void printWindows(HWND window) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    EnumWindows(
        [](HWND candidate, LPARAM wanted) CALLBACK -> BOOL {
            DWORD owner = 0;
            GetWindowThreadProcessId(candidate, &owner);
            if (owner == static_cast<DWORD>(wanted) && IsWindowVisible(candidate) != FALSE) {
                std::printf("window: %s\n", narrow(windowText(candidate)).c_str());
            }
            return TRUE;
        },
        static_cast<LPARAM>(process));
}

void postOperation(DWORD id) {
    HANDLE section = OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, "MevOperationSequenceSharedMemory");
    if (section == nullptr) fail("no operation mailbox");
    auto* record = static_cast<DWORD*>(MapViewOfFile(section, FILE_MAP_ALL_ACCESS, 0, 0, 8));
    if (record == nullptr) fail("cannot map the operation mailbox");
    record[0] = id;
    record[1] = 1;
    FlushViewOfFile(record, 8);
    UnmapViewOfFile(record);
    CloseHandle(section);
}

bool present(HWND window) { return IsWindow(window) != FALSE && IsWindowVisible(window) != FALSE; }

void sample(HWND window, HWND bar, DWORD interval) {
    std::string positions;
    while (present(window)) {
        const LRESULT position = SendMessageW(bar, PBM_GETPOS, 0, 0);
        positions += (positions.empty() ? "" : " ") + std::to_string(position);
        Sleep(interval);
    }
    std::printf("samples: %s\n", positions.c_str());
}

void tabOrder(HWND window) {
    HWND first = focusOf(window);
    if (first == nullptr) first = GetNextDlgTabItem(window, nullptr, FALSE);
    std::string order;
    HWND item = first;
    do {
        order += (order.empty() ? "" : " ") + std::to_string(GetDlgCtrlID(item));
        item = GetNextDlgTabItem(window, item, FALSE);
    } while (item != nullptr && item != first && order.size() < 400);
    std::printf("tab: %s\n", order.c_str());
}

DWORD number(const std::vector<std::string>& args, std::size_t at, DWORD fallback) {
    return at < args.size() ? static_cast<DWORD>(std::strtoul(args[at].c_str(), nullptr, 10)) : fallback;
}

bool isNumber(const std::string& text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) args.push_back(narrow(argv[i]));
    HWND current = nullptr;
    ULONGLONG launched = 0;
    auto needWindow = [&] {
        if (current == nullptr) fail("no current window");
        return current;
    };
    // The control of the current window that the next argument names.
    std::size_t i = 0;
    auto item = [&] { return control(needWindow(), static_cast<int>(number(args, ++i, 0))); };
    for (; i < args.size(); ++i) {
        const std::string& command = args[i];
        // An optional trailing number belongs to the wait before it.
        const auto limit = [&] {
            return i + 1 < args.size() && isNumber(args[i + 1]) ? number(args, ++i, 0) : defaultWait;
        };
        if (command == "wait-title") {
            const std::wstring title = widen(args.at(++i));
            current = waitForWindow([&](HWND w) { return windowText(w) == title; }, limit(), "titled " + narrow(title));
        } else if (command == "wait-dialog") {
            const auto id = static_cast<std::uintptr_t>(number(args, ++i, 0));
            current = waitForWindow(
                [&](HWND w) { return reinterpret_cast<std::uintptr_t>(GetPropW(w, templateProperty)) == id; }, limit(),
                "of dialog " + std::to_string(id));
        } else if (command == "wait-owned") {
            HWND owner = needWindow();
            current = waitForWindow([&](HWND w) { return GetWindow(w, GW_OWNER) == owner; }, limit(),
                                    "owned by the current one");
        } else if (command == "click") {
            PostMessageW(item(), BM_CLICK, 0, 0);
        } else if (command == "key") {
            pressKey(needWindow(), virtualKey(args.at(++i)));
        } else if (command == "activate") {
            activate(needWindow());
        } else if (command == "tick") {
            HWND box = item();
            if (SendMessageW(box, BM_GETCHECK, 0, 0) != BST_CHECKED) PostMessageW(box, BM_CLICK, 0, 0);
        } else if (command == "text") {
            std::printf("text: %s\n", narrow(windowText(item())).c_str());
        } else if (command == "title") {
            std::printf("title: %s\n", narrow(windowText(needWindow())).c_str());
        } else if (command == "checked") {
            std::printf("checked: %d\n", SendMessageW(item(), BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0);
        } else if (command == "visible") {
            std::printf("visible: %d\n", IsWindowVisible(item()) != FALSE ? 1 : 0);
        } else if (command == "sample") {
            HWND bar = item();
            sample(needWindow(), bar, number(args, ++i, 100));
        } else if (command == "tab-order") {
            tabOrder(needWindow());
        } else if (command == "modules") {
            printModules(needWindow());
        } else if (command == "windows") {
            printWindows(needWindow());
        } else if (command == "post-op") {
            postOperation(number(args, ++i, 0));
        } else if (command == "shot") {
            const std::string file = args.at(++i);
            const bool withOwner = i + 1 < args.size() && args[i + 1] == "owner";
            if (withOwner) ++i;
            shot(needWindow(), file, withOwner);
        } else if (command == "glyphs") {
            std::printf("glyphs: %d\n", glyphPixels(item()));
        } else if (command == "close") {
            PostMessageW(needWindow(), WM_CLOSE, 0, 0);
        } else if (command == "launch") {
            std::wstring commandLine = widen(args.at(++i));
            STARTUPINFOW startup{};
            startup.cb = sizeof startup;
            PROCESS_INFORMATION process{};
            launched = GetTickCount64();
            if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                                &process)) {
                fail("cannot start " + args[i] + ": error " + std::to_string(GetLastError()));
            }
            CloseHandle(process.hThread);
            CloseHandle(process.hProcess);
        } else if (command == "elapsed") {
            std::printf("elapsed: %llu\n", static_cast<unsigned long long>(GetTickCount64() - launched));
        } else if (command == "sleep") {
            Sleep(number(args, ++i, 0));
        } else {
            fail("unknown command " + command);
        }
        std::fflush(stdout);
    }
    return 0;
}
