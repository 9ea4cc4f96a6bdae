// zwindow.exe: one hidden top-level window and a message loop. Closing the window ends the program
// with 3; the processes contract closes, destroys and terminates it from outside.
#include <windows.h>

namespace {

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
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}
