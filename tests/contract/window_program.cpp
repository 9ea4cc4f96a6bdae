// zwindow.exe: one hidden top-level window and a message loop. Closing the window ends the program
// with 3; the processes contract closes, destroys and terminates it from outside. Copied under a
// browser's name it stands for that browser: each start appends its command line, in UTF-8, as a line
// of "<program>.cmdline" beside it, once its window exists, so that a reader of the line can close it.
#include <windows.h>

namespace {

void recordCommandLine() {
    wchar_t program[MAX_PATH + 16];
    const DWORD length = GetModuleFileNameW(nullptr, program, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return;
    lstrcpyW(program + length, L".cmdline");
    const HANDLE file = CreateFileW(program, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    const wchar_t* commandLine = GetCommandLineW();
    char line[4096];
    int size = WideCharToMultiByte(CP_UTF8, 0, commandLine, -1, line, sizeof line - 1, nullptr, nullptr);
    if (size > 0) {
        line[size - 1] = '\n';
        DWORD written = 0;
        WriteFile(file, line, static_cast<DWORD>(size), &written, nullptr);
    }
    CloseHandle(file);
}

LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) {
        PostQuitMessage(3);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

int main() {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = windowProcedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"ZarnContractWindow";
    if (RegisterClassW(&windowClass) == 0) return 1;
    if (CreateWindowExW(0, windowClass.lpszClassName, L"Zarn contract window", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                        CW_USEDEFAULT, 200, 100, nullptr, nullptr, windowClass.hInstance, nullptr) == nullptr) {
        return 2;
    }
    recordCommandLine();
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}
