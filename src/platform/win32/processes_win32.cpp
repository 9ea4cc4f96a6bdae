// The processes port: CreateProcessA and friends from kernel32, the process snapshot of the tool help
// functions, the message queue from user32, shell links from ole32/shell32.
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <cstdio>

#include "platform/kernel.h"
#include "platform/win32/win32_ports.h"

// <tlhelp32.h> builds on <windows.h>.
#include <tlhelp32.h>

namespace platform::win32 {

ErrorCode Win32Processes::createProcess(std::string_view application, std::string_view commandLine,
                                        std::uint32_t creationFlags, const StartupInfo& startup,
                                        ProcessInformation& out) {
    return guarded([&]() -> ErrorCode {
        // The port speaks UTF-8, so the wide call carries every path; CreateProcessW may write into
        // the command line, which is why it gets a private copy.
        const std::wstring app = widen(application);
        std::wstring line = widen(commandLine);
        STARTUPINFOW si{};
        si.cb = sizeof(si);
        si.dwFlags = startup.flags;
        si.wShowWindow = startup.showWindow;
        PROCESS_INFORMATION pi{};
        if (!CreateProcessW(app.empty() ? nullptr : app.c_str(), line.data(), nullptr, nullptr, FALSE, creationFlags,
                            nullptr, nullptr, &si, &pi)) {
            return lastError();
        }
        out.process = fromWin(pi.hProcess);
        out.thread = fromWin(pi.hThread);
        out.processId = pi.dwProcessId;
        out.threadId = pi.dwThreadId;
        return err::success;
    });
}

ErrorCode Win32Processes::exitCodeProcess(Handle process, std::uint32_t& code) {
    DWORD c = 0;
    if (!GetExitCodeProcess(toWin(process), &c)) return lastError();
    code = c;
    return err::success;
}

ErrorCode Win32Processes::terminateProcess(Handle process, std::uint32_t exitCode) {
    return TerminateProcess(toWin(process), exitCode) ? err::success : lastError();
}

ErrorCode Win32Processes::listProcesses(std::vector<ProcessEntry>& out) {
    out.clear();
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return lastError();
    const ErrorCode result = guarded([&]() -> ErrorCode {
        PROCESSENTRY32W entry{};
        entry.dwSize = sizeof entry;
        if (!Process32FirstW(snapshot, &entry)) return lastError();
        do {
            out.push_back(ProcessEntry{entry.th32ProcessID, narrow(entry.szExeFile)});
        } while (Process32NextW(snapshot, &entry));
        const ErrorCode e = lastError();
        return e == ERROR_NO_MORE_FILES ? err::success : e;
    });
    CloseHandle(snapshot);
    return result;
}

ErrorCode Win32Processes::openProcess(std::uint32_t access, std::uint32_t processId, Handle& out) {
    const HANDLE process = OpenProcess(access, FALSE, processId);
    if (process == nullptr) return lastError();
    out = fromWin(process);
    return err::success;
}

std::uint32_t Win32Processes::msgWaitForObject(Handle object, std::uint32_t milliseconds, std::uint32_t wakeMask,
                                               std::uint32_t flags, ErrorCode& error) {
    HANDLE h = toWin(object);
    const DWORD result = MsgWaitForMultipleObjectsEx(1, &h, milliseconds, wakeMask, flags);
    error = result == WAIT_FAILED ? lastError() : err::success;
    return result;
}

bool Win32Processes::dispatchOneMessage() {
    MSG msg{};
    if (!PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) return false;
    const bool unicode = msg.hwnd != nullptr && IsWindowUnicode(msg.hwnd);
    if (unicode) {
        if (GetMessageW(&msg, nullptr, 0, 0) <= 0) return false;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    } else {
        if (GetMessageA(&msg, nullptr, 0, 0) <= 0) return false;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return true;
}

void Win32Processes::writeStandardError(std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fflush(stderr);
}

std::int32_t Win32Processes::createShellLink(std::string_view target, std::string_view arguments,
                                             std::string_view linkPath, ShellLinkStep& failed) {
    failed = ShellLinkStep::none;
    std::wstring path, args, link;
    try {
        path = widen(target);
        args = widen(arguments);
        link = widen(linkPath);
    } catch (const std::bad_alloc&) {
        failed = ShellLinkStep::createInstance;
        return E_OUTOFMEMORY;
    }
    const HRESULT initialised = CoInitialize(nullptr);
    HRESULT hr = S_OK;
    IShellLinkW* shellLink = nullptr;
    IPersistFile* file = nullptr;
    hr = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_ALL, IID_IShellLinkW, reinterpret_cast<void**>(&shellLink));
    if (FAILED(hr)) {
        failed = ShellLinkStep::createInstance;
    } else if (FAILED(hr = shellLink->SetPath(path.c_str()))) {
        failed = ShellLinkStep::setPath;
    } else if (FAILED(hr = shellLink->SetArguments(args.c_str()))) {
        failed = ShellLinkStep::setArguments;
    } else if (FAILED(hr = shellLink->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
        failed = ShellLinkStep::queryPersistFile;
    } else if (FAILED(hr = file->Save(link.c_str(), TRUE))) {
        failed = ShellLinkStep::save;
    }
    if (file != nullptr) file->Release();
    if (shellLink != nullptr) shellLink->Release();
    if (SUCCEEDED(initialised)) CoUninitialize();
    return static_cast<std::int32_t>(hr);
}

}  // namespace platform::win32
