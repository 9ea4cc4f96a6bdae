// The system port: version, architecture, folders, languages, time and modules. Calls that older
// systems lack (RtlGetVersion, IsWow64Process, SHGetKnownFolderPath, GetThreadPreferredUILanguages)
// are looked up at run time so the program still starts there.
// <windows.h> comes first: the other system headers build on it.
#include "platform/win32/win32_ports.h"

#include <sddl.h>
#include <shellapi.h>
#include <shlobj.h>

#include <ctime>
#include <memory>
#include <vector>

namespace platform::win32 {

namespace {

using RtlGetVersionFn = LONG(WINAPI*)(RTL_OSVERSIONINFOEXW*);
using IsWow64ProcessFn = BOOL(WINAPI*)(HANDLE, BOOL*);
using SHGetKnownFolderPathFn = HRESULT(WINAPI*)(const GUID&, DWORD, HANDLE, PWSTR*);
using GetThreadPreferredUILanguagesFn = BOOL(WINAPI*)(DWORD, ULONG*, PZZWSTR, ULONG*);

constexpr DWORD muiLanguageIdWithFallbacks = 0x34;  // MUI_LANGUAGE_ID | MUI_MERGE_USER/SYSTEM_FALLBACK
constexpr HRESULT outOfMemory = static_cast<HRESULT>(0x8007000EL);
constexpr std::int32_t statusNoMemory = static_cast<std::int32_t>(0xC0000017u);

// Defined here rather than linked from libuuid: only these four are ever asked for.
constexpr GUID folderLocalAppDataLow{0xA520A1A4, 0x1780, 0x4FF6, {0xBD, 0x18, 0x16, 0x73, 0x43, 0xC5, 0xAF, 0x16}};
constexpr GUID folderLocalAppData{0xF1B32785, 0x6FBA, 0x4FCF, {0x9D, 0x55, 0x7B, 0x8E, 0x7F, 0x15, 0x70, 0x91}};
constexpr GUID folderRoamingAppData{0x3EB685DB, 0x65F9, 0x4CF6, {0xA0, 0x3A, 0xE3, 0xEF, 0x65, 0x72, 0x9F, 0x3D}};
constexpr GUID folderProgramData{0x62AB5D82, 0xFDC1, 0x4DC3, {0xA9, 0xDD, 0x07, 0x0D, 0x1D, 0x49, 0x5D, 0x97}};

const GUID& folderId(KnownFolder folder) {
    switch (folder) {
        case KnownFolder::localAppDataLow: return folderLocalAppDataLow;
        case KnownFolder::localAppData: return folderLocalAppData;
        case KnownFolder::roamingAppData: return folderRoamingAppData;
        case KnownFolder::programData: break;
    }
    return folderProgramData;
}

OsVersion toOsVersion(const OSVERSIONINFOEXW& v) {
    return OsVersion{v.dwMajorVersion,   v.dwMinorVersion,    v.dwBuildNumber,
                     v.dwPlatformId,     narrow(v.szCSDVersion), v.wServicePackMajor,
                     v.wServicePackMinor, v.wSuiteMask,        v.wProductType};
}

}  // namespace

std::optional<OsVersion> Win32System::rtlGetVersion(std::int32_t& status) {
    const auto fn = procAs<RtlGetVersionFn>(GetModuleHandleW(L"ntdll"), "RtlGetVersion");
    if (fn == nullptr) return std::nullopt;
    RTL_OSVERSIONINFOEXW info{};
    info.dwOSVersionInfoSize = sizeof info;
    status = fn(&info);
    try {
        return toOsVersion(info);
    } catch (const std::bad_alloc&) {
        status = statusNoMemory;
        return OsVersion{};
    }
}

ErrorCode Win32System::getVersionEx(OsVersion& out) {
    return guarded([&] {
        OSVERSIONINFOEXW info{};
        info.dwOSVersionInfoSize = sizeof info;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
        if (!GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&info))) return lastError();
#pragma GCC diagnostic pop
        out = toOsVersion(info);
        return err::success;
    });
}

std::uint16_t Win32System::nativeArchitecture() {
    SYSTEM_INFO info{};
    GetNativeSystemInfo(&info);
    return info.wProcessorArchitecture;
}

std::optional<ErrorCode> Win32System::isWow64Process(bool& wow64) {
    const auto fn = procAs<IsWow64ProcessFn>(GetModuleHandleW(L"kernel32"), "IsWow64Process");
    if (fn == nullptr) return std::nullopt;
    BOOL value = FALSE;
    if (!fn(GetCurrentProcess(), &value)) return lastError();
    wow64 = value != FALSE;
    return err::success;
}

std::int32_t Win32System::folderPath(int csidl, std::string& out) {
    return guarded<std::int32_t>(
        [&] {
            wchar_t buffer[MAX_PATH] = {};
            const HRESULT hr = SHGetFolderPathW(nullptr, csidl, nullptr, 0, buffer);
            if (SUCCEEDED(hr)) out = narrow(buffer);
            return static_cast<std::int32_t>(hr);
        },
        outOfMemory);
}

std::optional<std::int32_t> Win32System::knownFolderPath(KnownFolder folder, std::string& out) {
    const auto fn = procAs<SHGetKnownFolderPathFn>(GetModuleHandleW(L"shell32"), "SHGetKnownFolderPath");
    if (fn == nullptr) return std::nullopt;
    PWSTR path = nullptr;
    const HRESULT hr = fn(folderId(folder), 0, nullptr, &path);
    const std::int32_t result = guarded<std::int32_t>(
        [&] {
            if (SUCCEEDED(hr)) out = narrow(path);
            return static_cast<std::int32_t>(hr);
        },
        outOfMemory);
    CoTaskMemFree(path);  // owed even when the call fails
    return result;
}

ErrorCode Win32System::systemDirectory(std::string& out) {
    return guarded([&] { return readWideString([](wchar_t* b, DWORD n) { return GetSystemDirectoryW(b, n); }, out); });
}

ErrorCode Win32System::systemWow64Directory(std::string& out) {
    return guarded(
        [&] { return readWideString([](wchar_t* b, DWORD n) { return GetSystemWow64DirectoryW(b, n); }, out); });
}

ErrorCode Win32System::windowsDirectory(std::string& out) {
    return guarded([&] { return readWideString([](wchar_t* b, DWORD n) { return GetWindowsDirectoryW(b, n); }, out); });
}

std::optional<ErrorCode> Win32System::threadPreferredUILanguages(std::string* buffer, std::uint32_t& length) {
    const auto fn =
        procAs<GetThreadPreferredUILanguagesFn>(GetModuleHandleW(L"kernel32"), "GetThreadPreferredUILanguages");
    if (fn == nullptr) return std::nullopt;
    return guarded([&] {
        ULONG count = 0;
        ULONG size = buffer != nullptr ? length : 0;
        if (buffer == nullptr) {
            if (!fn(muiLanguageIdWithFallbacks, &count, nullptr, &size)) return lastError();
            length = size;
            return err::success;
        }
        std::wstring list(size, L'\0');
        if (!fn(muiLanguageIdWithFallbacks, &count, list.data(), &size)) {
            const ErrorCode e = lastError();
            if (e == err::insufficientBuffer) length = size;
            return e;
        }
        length = size;
        *buffer = narrow(std::wstring_view(list.data(), size));
        return err::success;
    });
}

std::uint32_t Win32System::threadLocale() { return GetThreadLocale(); }

std::uint16_t Win32System::userDefaultUILanguage() { return GetUserDefaultUILanguage(); }

std::uint16_t Win32System::systemDefaultUILanguage() { return GetSystemDefaultUILanguage(); }

std::string Win32System::userGeoIso2() {
    const GEOID id = GetUserGeoID(GEOCLASS_NATION);
    if (id == GEOID_NOT_AVAILABLE) return {};
    wchar_t buffer[16] = {};
    if (GetGeoInfoW(id, GEO_ISO2, buffer, 16, 0) == 0) return {};
    return narrow(buffer);
}

SystemTime Win32System::localTime() {
    SYSTEMTIME t{};
    GetLocalTime(&t);
    return SystemTime{t.wYear, t.wMonth, t.wDayOfWeek, t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds};
}

std::int64_t Win32System::secondsSince1970() { return _time64(nullptr); }

std::u16string Win32System::commandLine() {
    static_assert(sizeof(wchar_t) == sizeof(char16_t));
    return std::u16string(reinterpret_cast<const char16_t*>(GetCommandLineW()));
}

namespace {

// CommandLineToArgvW hands back one LocalAlloc block holding the pointers and the texts.
struct LocalArgvFree {
    void operator()(LPWSTR* argv) const noexcept { LocalFree(argv); }
};

}  // namespace

ErrorCode Win32System::splitCommandLine(std::u16string_view commandLine, std::vector<std::u16string>& out) {
    return guarded([&] {
        const std::wstring line(commandLine.begin(), commandLine.end());  // the call needs a terminator
        int count = 0;
        const std::unique_ptr<LPWSTR, LocalArgvFree> argv(CommandLineToArgvW(line.c_str(), &count));
        if (!argv) return lastError();
        std::vector<std::u16string> arguments;
        arguments.reserve(static_cast<std::size_t>(count));
        for (int i = 0; i < count; ++i) arguments.emplace_back(reinterpret_cast<const char16_t*>(argv.get()[i]));
        out = std::move(arguments);
        return err::success;
    });
}

ErrorCode Win32System::moduleFileName(Module module, std::string& out) {
    return guarded([&] {
        // A full buffer means the name may be cut short (XP does not even say so): double and retry.
        std::wstring buffer;
        for (DWORD capacity = MAX_PATH;; capacity *= 2) {
            buffer.assign(capacity, L'\0');
            const DWORD n = GetModuleFileNameW(toWin(module), buffer.data(), capacity);
            if (n == 0) return lastError();
            if (n < capacity) {
                buffer.resize(n);
                out = narrow(buffer);
                return err::success;
            }
        }
    });
}

ErrorCode Win32System::environmentVariable(std::string_view name, std::string& out) {
    return guarded([&] {
        const std::wstring wide = widen(name);
        return readWideString([&](wchar_t* b, DWORD n) { return GetEnvironmentVariableW(wide.c_str(), b, n); }, out);
    });
}

ErrorCode Win32System::moduleFromAddress(const void* address, Module& out) {
    HMODULE module = nullptr;
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            static_cast<const wchar_t*>(address), &module)) {
        return lastError();
    }
    out = fromWin(module);
    return err::success;
}

const void* Win32System::apiAddress(std::string_view module, std::string_view function) {
    return guarded<const void*>(
        [&]() -> const void* {
            const HMODULE m = GetModuleHandleW(widen(module).c_str());
            if (m == nullptr) return nullptr;
            return reinterpret_cast<const void*>(GetProcAddress(m, std::string(function).c_str()));
        },
        nullptr);
}

bool Win32System::formatMessage(std::uint32_t code, MessageSource source, std::u16string& out) {
    DWORD flags = FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_FROM_SYSTEM;
    if (source.module != Module::null) flags |= FORMAT_MESSAGE_FROM_HMODULE;
    HMODULE module = source.module != Module::null ? toWin(source.module) : nullptr;
    wchar_t* text = nullptr;
    // With ALLOCATE_BUFFER the buffer argument receives the address of the allocated text.
    const DWORD n = FormatMessageW(flags, module, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    if (n == 0) return false;
    const bool ok = guarded<bool>(
        [&] {
            out.assign(reinterpret_cast<const char16_t*>(text), n);
            return true;
        },
        false);
    LocalFree(text);
    return ok;
}

ErrorCode Win32System::loadLibrary(std::string_view path, Module& out) {
    return guarded([&] {
        const HMODULE m = LoadLibraryW(widen(path).c_str());
        if (m == nullptr) return lastError();
        out = fromWin(m);
        return err::success;
    });
}

ErrorCode Win32System::loadLibraryAsDataFile(std::string_view path, Module& out) {
    return guarded([&] {
        const HMODULE m = LoadLibraryExW(widen(path).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        if (m == nullptr) return lastError();
        out = fromWin(m);
        return err::success;
    });
}

ErrorCode Win32System::freeLibrary(Module module) { return FreeLibrary(toWin(module)) ? err::success : lastError(); }

ErrorCode Win32System::procAddress(Module module, std::string_view name, void*& out) {
    return guarded([&] {
        const FARPROC p = GetProcAddress(toWin(module), std::string(name).c_str());
        if (p == nullptr) return lastError();
        out = reinterpret_cast<void*>(p);
        return err::success;
    });
}

ErrorCode Win32System::setDllDirectory(std::string_view path) {
    return guarded([&] { return SetDllDirectoryW(widen(path).c_str()) ? err::success : lastError(); });
}

ErrorCode Win32System::setDefaultDllDirectories(std::uint32_t flags) {
    // Windows 7 has it only with its security update; resolved at run time so the program starts anyway.
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    const auto fn = procAs<SetDefaultDllDirectoriesFn>(GetModuleHandleW(L"kernel32"), "SetDefaultDllDirectories");
    if (fn == nullptr) return err::procNotFound;
    return guarded([&] { return fn(flags) ? err::success : lastError(); });
}

ErrorCode Win32System::accountDomainUsersSid(std::string& out) {
    return guarded([&] {
        HANDLE token = nullptr;
        if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return lastError();
        DWORD size = 0;
        GetTokenInformation(token, TokenUser, nullptr, 0, &size);
        std::vector<BYTE> user(size == 0 ? 1 : size);
        const BOOL gotUser = GetTokenInformation(token, TokenUser, user.data(), size, &size);
        const ErrorCode tokenError = gotUser ? err::success : lastError();
        CloseHandle(token);
        if (!gotUser) return tokenError;

        BYTE domain[SECURITY_MAX_SID_SIZE];
        DWORD domainSize = sizeof domain;
        if (!GetWindowsAccountDomainSid(reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid, domain, &domainSize)) {
            return lastError();
        }
        BYTE group[SECURITY_MAX_SID_SIZE];
        DWORD groupSize = sizeof group;
        if (!CreateWellKnownSid(WinAccountDomainUsersSid, domain, group, &groupSize)) return lastError();
        LPWSTR text = nullptr;
        if (!ConvertSidToStringSidW(group, &text)) return lastError();
        out = narrow(text);
        LocalFree(text);
        return err::success;
    });
}

}  // namespace platform::win32
