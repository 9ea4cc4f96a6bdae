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
//   wait-gone [MS]          waits until the current window is hidden or destroyed
//   click ID                posts a click to button ID (posted: a click may open a modal box)
//   tick ID                 clicks check box ID unless it is ticked
//   text ID | title         prints the text of control ID or the window's title
//   checked ID | visible ID prints 1 or 0
//   pos ID                  prints the position of progress bar ID
//   sample ID MS            prints the positions of bar ID every MS milliseconds until the window goes
//   tab-order               prints the control ids the Tab key visits, from the focused control on
//   modules                 prints the path of comctl32.dll in the window's process
//   windows                 prints the title of every visible top-level window of the window's process
//   post-op ID              posts operation ID (Started) to the installer's operation mailbox
//   shot FILE [owner]       writes what the screen shows of the window (and its owner) as a BMP file
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

void writeBitmap(const std::string& file, HDC screen, const RECT& area) {
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC memory = CreateCompatibleDC(screen);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
    GdiFlush();
    const DWORD stride = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
    const DWORD imageSize = stride * static_cast<DWORD>(height);
    BITMAPFILEHEADER header{};
    header.bfType = 0x4D42;
    header.bfOffBits = sizeof header + sizeof info.bmiHeader;
    header.bfSize = header.bfOffBits + imageSize;
    FILE* out = _wfopen(widen(file).c_str(), L"wb");
    if (out == nullptr) fail("cannot write " + file);
    std::fwrite(&header, sizeof header, 1, out);
    std::fwrite(&info.bmiHeader, sizeof info.bmiHeader, 1, out);
    std::fwrite(bits, 1, imageSize, out);
    std::fclose(out);
    SelectObject(memory, previous);
    DeleteDC(memory);
    DeleteObject(bitmap);
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
    HDC screen = GetDC(nullptr);
    writeBitmap(file, screen, area);
    ReleaseDC(nullptr, screen);
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

void sample(HWND window, int id, DWORD interval) {
    HWND bar = control(window, id);
    std::string positions;
    while (present(window)) {
        const LRESULT position = SendMessageW(bar, PBM_GETPOS, 0, 0);
        positions += (positions.empty() ? "" : " ") + std::to_string(position);
        Sleep(interval);
    }
    std::printf("samples: %s\n", positions.c_str());
}

void tabOrder(HWND window) {
    HWND first = GetFocus();
    DWORD process = 0;
    const DWORD thread = GetWindowThreadProcessId(window, &process);
    // The focus lives in the installer's thread: look at it from there.
    AttachThreadInput(GetCurrentThreadId(), thread, TRUE);
    first = GetFocus();
    AttachThreadInput(GetCurrentThreadId(), thread, FALSE);
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
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& command = args[i];
        // An optional trailing number belongs to the command before it.
        const bool hasLimit = i + 1 < args.size() && isNumber(args[i + 1]);
        if (command == "wait-title") {
            const std::wstring title = widen(args.at(++i));
            const DWORD limit =
                i + 1 < args.size() && isNumber(args[i + 1]) ? number(args, ++i, defaultWait) : defaultWait;
            current = waitForWindow([&](HWND w) { return windowText(w) == title; }, limit, "titled " + narrow(title));
        } else if (command == "wait-dialog") {
            const auto id = static_cast<std::uintptr_t>(number(args, ++i, 0));
            const DWORD limit =
                i + 1 < args.size() && isNumber(args[i + 1]) ? number(args, ++i, defaultWait) : defaultWait;
            current = waitForWindow(
                [&](HWND w) { return reinterpret_cast<std::uintptr_t>(GetPropW(w, templateProperty)) == id; }, limit,
                "of dialog " + std::to_string(id));
        } else if (command == "wait-owned") {
            HWND owner = needWindow();
            const DWORD limit = hasLimit ? number(args, ++i, defaultWait) : defaultWait;
            current = waitForWindow([&](HWND w) { return GetWindow(w, GW_OWNER) == owner; }, limit,
                                    "owned by the current one");
        } else if (command == "wait-gone") {
            HWND window = needWindow();
            const DWORD limit = hasLimit ? number(args, ++i, defaultWait) : defaultWait;
            const ULONGLONG until = GetTickCount64() + limit;
            while (present(window)) {
                if (GetTickCount64() > until) fail("the window stayed");
                Sleep(20);
            }
        } else if (command == "click") {
            PostMessageW(control(needWindow(), static_cast<int>(number(args, ++i, 0))), BM_CLICK, 0, 0);
        } else if (command == "tick") {
            HWND box = control(needWindow(), static_cast<int>(number(args, ++i, 0)));
            if (SendMessageW(box, BM_GETCHECK, 0, 0) != BST_CHECKED) PostMessageW(box, BM_CLICK, 0, 0);
        } else if (command == "text") {
            std::printf("text: %s\n",
                        narrow(windowText(control(needWindow(), static_cast<int>(number(args, ++i, 0))))).c_str());
        } else if (command == "title") {
            std::printf("title: %s\n", narrow(windowText(needWindow())).c_str());
        } else if (command == "checked") {
            HWND box = control(needWindow(), static_cast<int>(number(args, ++i, 0)));
            std::printf("checked: %d\n", SendMessageW(box, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0);
        } else if (command == "visible") {
            HWND item = control(needWindow(), static_cast<int>(number(args, ++i, 0)));
            std::printf("visible: %d\n", IsWindowVisible(item) != FALSE ? 1 : 0);
        } else if (command == "pos") {
            HWND bar = control(needWindow(), static_cast<int>(number(args, ++i, 0)));
            std::printf("pos: %d\n", static_cast<int>(SendMessageW(bar, PBM_GETPOS, 0, 0)));
        } else if (command == "sample") {
            HWND window = needWindow();
            const int id = static_cast<int>(number(args, ++i, 0));
            sample(window, id, number(args, ++i, 100));
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
