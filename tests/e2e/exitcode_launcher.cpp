// zrun.exe: runs the command line it is given, waits, and prints the child's full exit code, which
// the shell would otherwise see cut to its low eight bits.
#include <windows.h>

#include <cstdio>
#include <cwchar>

namespace {

// The rest of our own command line after the program name, quoted or not.
const wchar_t* childCommandLine() {
    const wchar_t* p = GetCommandLineW();
    if (*p == L'"') {
        ++p;
        while (*p != L'\0' && *p != L'"') ++p;
        if (*p == L'"') ++p;
    } else {
        while (*p != L'\0' && *p != L' ' && *p != L'\t') ++p;
    }
    while (*p == L' ' || *p == L'\t') ++p;
    return p;
}

}  // namespace

int main() {
    wchar_t commandLine[32768];
    std::wcsncpy(commandLine, childCommandLine(), 32767);
    commandLine[32767] = L'\0';
    if (commandLine[0] == L'\0') {
        std::fputs("usage: zrun program [arguments]\n", stderr);
        return 2;
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        std::fprintf(stderr, "zrun: cannot start the program: error %lu\n", GetLastError());
        return 3;
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    std::printf("exit code: %ld\n", static_cast<long>(static_cast<LONG>(code)));
    std::fflush(stdout);
    return 0;
}
