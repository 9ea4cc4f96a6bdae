// The package's own installation steps: each custom action of the package runs this program with the
// operation it has reached, and the installer's progress dialog picks the operation up from the mailbox.
// Reporting progress must never fail an install, so every error here is swallowed; only "--fail", used
// by the failing test package, ends with a non-zero exit code.
#include <windows.h>
#include <shellapi.h>

#include <cstdlib>
#include <cwchar>
#include <string_view>

#include "ipc/operation_mailbox.h"
#include "platform/win32/win32_machine.h"

namespace {

// The dialog looks at the mailbox every 100 ms and, before it moves the bar to a new step, waits up to
// 100 ms more for the previous step's timer; when one is reading, holding on lets it show every step,
// the last one too, even when the steps follow each other closely. A silent install has no reader.
constexpr DWORD visibleForMs = 400;

int postOperation(const wchar_t* argument) {
    wchar_t* end = nullptr;
    const unsigned long id = std::wcstoul(argument, &end, 10);
    if (end == argument || *end != L'\0' || id == 0) return 0;
    try {
        const ipc::ClientOperation client(ipc::operationSequenceSectionName);
        ipc::OperationMailbox(client.section()).post(static_cast<std::uint32_t>(id));
        if (client.foundReader()) Sleep(visibleForMs);
    } catch (...) {
    }
    return 0;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    static platform::win32::Win32Machine machine;
    platform::installMachine(&machine);
    int count = 0;
    wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    if (arguments == nullptr) return 0;
    int result = 0;
    if (count == 3 && std::wstring_view(arguments[1]) == L"--fail") {
        result = static_cast<int>(std::wcstoul(arguments[2], nullptr, 10));
        if (result == 0) result = 1;
    } else if (count == 2) {
        result = postOperation(arguments[1]);
    }
    LocalFree(arguments);
    return result;
}
