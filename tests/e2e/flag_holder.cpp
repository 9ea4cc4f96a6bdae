// flag_holder.exe SECONDS: holds the installer's single-instance flag the way a running installer
// does (new file, no sharing, deleted on close) for SECONDS, then exits.
#include <windows.h>
#include <shlobj.h>

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
    const DWORD seconds = argc > 1 ? static_cast<DWORD>(std::strtoul(argv[1], nullptr, 10)) : 30;
    PWSTR folder = nullptr;
    if (FAILED(SHGetKnownFolderPath(FOLDERID_LocalAppDataLow, 0, nullptr, &folder))) return 2;
    std::wstring path = folder;
    CoTaskMemFree(folder);
    path += L"\\Pellam\\";
    CreateDirectoryW(path.c_str(), nullptr);
    path += L"Zarn\\";
    CreateDirectoryW(path.c_str(), nullptr);
    path += L"ZARN_INSTALL_FLAG";
    const HANDLE flag = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (flag == INVALID_HANDLE_VALUE) {
        std::printf("cannot hold the flag: error %lu\n", GetLastError());
        return 3;
    }
    std::printf("holding\n");
    std::fflush(stdout);
    Sleep(seconds * 1000);
    CloseHandle(flag);
    return 0;
}
