// The system port: facts about the operating system, the process and its environment.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/types.h"

namespace platform {

/// Library search flags.
namespace dll {
inline constexpr std::uint32_t searchSystem32 = 0x00000800;  // LOAD_LIBRARY_SEARCH_SYSTEM32
}  // namespace dll

/// The fields of RTL_OSVERSIONINFOEXW the installer reads.
struct OsVersion {
    std::uint32_t majorVersion = 0;
    std::uint32_t minorVersion = 0;
    std::uint32_t buildNumber = 0;
    std::uint32_t platformId = 0;
    std::string servicePack;  // szCSDVersion, UTF-8
    std::uint16_t servicePackMajor = 0;
    std::uint16_t servicePackMinor = 0;
    std::uint16_t suiteMask = 0;
    std::uint8_t productType = 0;  // 1 workstation, 2 domain controller, 3 server
};

namespace arch {
inline constexpr std::uint16_t x86 = 0;
inline constexpr std::uint16_t ia64 = 6;
inline constexpr std::uint16_t amd64 = 9;
inline constexpr std::uint16_t arm64 = 12;
}  // namespace arch

namespace csidl {
inline constexpr int appData = 0x001a;
inline constexpr int localAppData = 0x001c;
inline constexpr int windows = 0x0024;
inline constexpr int system = 0x0025;
inline constexpr int programFiles = 0x0026;
inline constexpr int commonAppData = 0x0023;
inline constexpr int programFilesCommonX86 = 0x002c;
inline constexpr int drives = 0x0011;
}  // namespace csidl

/// Known folders looked up by SHGetKnownFolderPath.
enum class KnownFolder { localAppDataLow, localAppData, roamingAppData, programData };

/// Where `FormatMessageW` looks for a description.
struct MessageSource {
    Module module = Module::null;  // from-module when not null, always from-system
};

class System {
public:
    virtual ~System() = default;

    /// RtlGetVersion; nullopt when ntdll lacks it.
    virtual std::optional<OsVersion> rtlGetVersion(std::int32_t& status) = 0;
    /// GetVersionExW (OSVERSIONINFOEXW).
    virtual ErrorCode getVersionEx(OsVersion& out) = 0;
    /// GetNativeSystemInfo().wProcessorArchitecture.
    virtual std::uint16_t nativeArchitecture() = 0;
    /// IsWow64Process of the current process; nullopt when kernel32 lacks it.
    virtual std::optional<ErrorCode> isWow64Process(bool& wow64) = 0;

    /// SHGetFolderPath: an HRESULT, 0 on success.
    virtual std::int32_t folderPath(int csidl, std::string& out) = 0;
    /// SHGetKnownFolderPath; nullopt when shell32 lacks it, otherwise its HRESULT.
    virtual std::optional<std::int32_t> knownFolderPath(KnownFolder folder, std::string& out) = 0;
    virtual ErrorCode systemDirectory(std::string& out) = 0;
    virtual ErrorCode systemWow64Directory(std::string& out) = 0;
    virtual ErrorCode windowsDirectory(std::string& out) = 0;

    /// GetThreadPreferredUILanguages with MUI_LANGUAGE_ID | MUI_MERGE_USER_FALLBACK |
    /// MUI_MERGE_SYSTEM_FALLBACK (0x34). With `buffer` null only `length` is set, to the characters the
    /// list needs; otherwise `buffer` receives the list, at most `length` characters: NUL-terminated
    /// hexadecimal identifiers ("0409\0" "0407\0") and a final NUL. nullopt when kernel32 lacks the call.
    virtual std::optional<ErrorCode> threadPreferredUILanguages(std::string* buffer, std::uint32_t& length) = 0;
    virtual std::uint32_t threadLocale() = 0;
    virtual std::uint16_t userDefaultUILanguage() = 0;
    virtual std::uint16_t systemDefaultUILanguage() = 0;
    /// GetUserGeoID(GEOCLASS_NATION) and its two-letter ISO name (GetGeoInfo GEO_ISO2).
    virtual std::string userGeoIso2() = 0;

    virtual SystemTime localTime() = 0;
    /// The C runtime's time(): seconds since 1970, UTC.
    virtual std::int64_t secondsSince1970() = 0;
    /// The process's command line as UTF-16, exactly as GetCommandLineW gives it.
    virtual std::u16string commandLine() = 0;
    /// CommandLineToArgvW: the program name, then each argument with quotes and backslashes resolved.
    /// An empty command line gives the executable's path as its only entry.
    virtual ErrorCode splitCommandLine(std::u16string_view commandLine, std::vector<std::u16string>& out) = 0;
    /// GetModuleFileName of `module` (`Module::self` for the executable).
    virtual ErrorCode moduleFileName(Module module, std::string& out) = 0;
    virtual ErrorCode environmentVariable(std::string_view name, std::string& out) = 0;

    /// GetModuleHandleEx(from address, unchanged refcount).
    virtual ErrorCode moduleFromAddress(const void* address, Module& out) = 0;
    /// The address of a system function, for error texts that name the module of the failed call.
    virtual const void* apiAddress(std::string_view module, std::string_view function) = 0;
    /// FormatMessageW (allocate buffer, ignore inserts, from system, plus from module when given),
    /// language 0. False when no description exists.
    virtual bool formatMessage(std::uint32_t code, MessageSource source, std::u16string& out) = 0;

    /// LoadLibraryW, FreeLibrary, GetProcAddress.
    virtual ErrorCode loadLibrary(std::string_view path, Module& out) = 0;
    /// LoadLibraryExW with LOAD_LIBRARY_AS_DATAFILE: only the module's resources are usable; freed with
    /// freeLibrary.
    virtual ErrorCode loadLibraryAsDataFile(std::string_view path, Module& out) = 0;
    virtual ErrorCode freeLibrary(Module module) = 0;
    virtual ErrorCode procAddress(Module module, std::string_view name, void*& out) = 0;
    /// The Domain Users group of the account domain of the user running the process, as a SID text
    /// (process token user, GetWindowsAccountDomainSid, CreateWellKnownSid, ConvertSidToStringSid).
    virtual ErrorCode accountDomainUsersSid(std::string& out) = 0;
    /// SetDllDirectoryW; an empty path takes the current directory out of the library search path.
    virtual ErrorCode setDllDirectory(std::string_view path) = 0;
    /// SetDefaultDllDirectories: `flags` (LOAD_LIBRARY_SEARCH_*) become the search path of every later
    /// load by name in the process, the system's own loads included. 127 where the system lacks it.
    virtual ErrorCode setDefaultDllDirectories(std::uint32_t flags) = 0;
};

}  // namespace platform
