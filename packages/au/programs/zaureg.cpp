// The auto-update component's registration tool: "zaureg.exe -r <product> <build>" records the runtime
// registered with the component under the component's key and exits 0; other arguments exit with 87.
// The component keeps 32-bit state: the record goes to the 32-bit registry view.
#include <windows.h>
#include <shellapi.h>

#include <cwchar>

namespace {

constexpr const wchar_t* registeredKey = L"SOFTWARE\\Mendara\\Auto Update\\Registered";

// The tokens after the program name; a command line that starts with a blank has an empty name.
bool registrationArguments(int argc, wchar_t** argv, const wchar_t*& product, const wchar_t*& build) {
    if (argc != 4 || std::wcscmp(argv[1], L"-r") != 0 || *argv[2] == L'\0' || *argv[3] == L'\0') return false;
    product = argv[2];
    build = argv[3];
    return true;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    const wchar_t* product = nullptr;
    const wchar_t* build = nullptr;
    if (argv == nullptr || !registrationArguments(argc, argv, product, build)) {
        if (argv != nullptr) LocalFree(argv);
        return ERROR_INVALID_PARAMETER;
    }
    HKEY key = nullptr;
    LSTATUS status = RegCreateKeyExW(HKEY_LOCAL_MACHINE, registeredKey, 0, nullptr, 0, KEY_SET_VALUE | KEY_WOW64_32KEY,
                                     nullptr, &key, nullptr);
    if (status == ERROR_SUCCESS) {
        const auto bytes = static_cast<DWORD>((std::wcslen(build) + 1) * sizeof(wchar_t));
        status = RegSetValueExW(key, product, 0, REG_SZ, reinterpret_cast<const BYTE*>(build), bytes);
        RegCloseKey(key);
    }
    LocalFree(argv);
    return static_cast<int>(status);
}
