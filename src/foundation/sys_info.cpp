#include "foundation/sys_info.h"

#include <mutex>
#include <optional>

#include "foundation/dll.h"
#include "foundation/errors.h"
#include "foundation/logger.h"
#include "foundation/path.h"
#include "foundation/product_constants.h"
#include "foundation/tstrings_format.h"
#include "platform/machine.h"

namespace SysInfo {

namespace {

constexpr std::uint8_t workstation = 1;

struct OsRecord {
    const platform::Machine* machine = nullptr;
    platform::OsVersion version;
};

std::mutex recordMutex;
std::optional<OsRecord> record;

OsRecord& currentRecord() {
    platform::Machine& machine = platform::machine();
    if (!record || record->machine != &machine) record = OsRecord{&machine, readOsVersion()};
    return *record;
}

[[noreturn]] void throwSystemError(const SourceLocation& where, const std::string& text, const char* module,
                                   const char* function, platform::ErrorCode code) {
    throw MevError<SysError>(SysError(text, platform::machine().system().apiAddress(module, function), code), where);
}

// SHGetFolderPath of `csidl`; its HRESULT travels as the error code.
std::string folder(int csidl, const char* failure, const SourceLocation& where) {
    std::string out;
    if (const std::int32_t hr = platform::machine().system().folderPath(csidl, out); hr != 0) {
        throwSystemError(where, failure, "shell32", "SHGetFolderPathW", static_cast<platform::ErrorCode>(hr));
    }
    return out;
}

}  // namespace

int osLevelOf(const platform::OsVersion& version) {
    const auto major = version.majorVersion;
    const auto minor = version.minorVersion;
    if (major < 5 || (major == 5 && minor < 1)) return olderThanXp;
    if (major == 5) return xp;
    if (major > 6 || minor >= 4) return later;
    static constexpr int sixes[] = {vista, windows7, windows8, windows81};
    return sixes[minor];
}

std::string osNameOf(const platform::OsVersion& version) {
    const bool server = version.productType != workstation;
    std::string name;
    switch (osLevelOf(version)) {
        case olderThanXp: name = "win32"; break;
        case xp: name = server ? "win2003" : "winxp"; break;
        case vista: name = server ? "winlong" : "winvista"; break;
        case windows7: name = server ? "win2008R2" : "win7"; break;
        case windows8: name = server ? "win2012" : "win8"; break;
        case windows81: name = server ? "win2012R2" : "win81"; break;
        default: name = std::to_string(version.majorVersion) + "." + std::to_string(version.minorVersion); break;
    }
    if (version.servicePackMajor != 0) name += "-sp" + std::to_string(version.servicePackMajor);
    return name;
}

platform::OsVersion readOsVersion() {
    auto& system = platform::machine().system();
    std::int32_t status = 0;
    if (const auto version = system.rtlGetVersion(status)) {
        if (status == 0) return *version;
        // A failed call leaves a zeroed record, which would pass for a pre-XP system; ask the older way.
        LOG_ERROR("RtlGetVersion failed: " << status);
    } else {
        LOG_ERROR("ntdll:RtlGetVersion is not available");
    }
    platform::OsVersion version;
    if (const auto code = system.getVersionEx(version)) {
        LOG_ERROR(tstrings::format("%s failed with %s", "SysInfo::initialize(GetVersionEx)",
                                   WinErrorHandling::systemErrorText(code).c_str()));
        return {};
    }
    return version;
}

void initialize() {
    const std::lock_guard lock(recordMutex);
    record = OsRecord{&platform::machine(), readOsVersion()};
}

platform::OsVersion osVersion() {
    const std::lock_guard lock(recordMutex);
    return currentRecord().version;
}

int osLevel() { return osLevelOf(osVersion()); }

std::string getOsName() { return osNameOf(osVersion()); }

std::string getArchName() {
    return platform::machine().system().nativeArchitecture() == platform::arch::amd64 ? "amd64" : "i586";
}

int processBitness() { return getArchName() == "amd64" && !isWow64() ? 64 : 32; }

bool isWow64() {
    bool wow64 = false;
    const auto result = platform::machine().system().isWow64Process(wow64);
    if (!result) return false;  // a system without IsWow64Process has no WOW64
    if (*result != 0) throwSystemError(ZARN_LOCATION, "fnIsWow64Process() failed", "kernel32", "IsWow64Process", *result);
    return wow64;
}

std::string getProcessModulePath() {
    std::string out;
    if (const auto code = platform::machine().system().moduleFileName(platform::Module::self, out)) {
        throwSystemError(ZARN_LOCATION, "GetModuleFileName(NULL) failed", "kernel32", "GetModuleFileNameW", code);
    }
    return out;
}

std::string getCommonAppDataDir() {
    return folder(platform::csidl::commonAppData, "SHGetFolderPath(CSIDL_COMMON_APPDATA) failed", ZARN_LOCATION);
}

std::string getSystem32Dir() {
    return folder(platform::csidl::system, "SHGetFolderPath(CSIDL_SYSTEM) failed", ZARN_LOCATION);
}

std::string getSystemWow64Dir() {
    std::string out;
    if (const auto code = platform::machine().system().systemWow64Directory(out)) {
        throwSystemError(ZARN_LOCATION, "GetSystemWow64Directory(LPTSTR lpBuffer, UINT uSize) failed", "kernel32",
                         "GetSystemWow64DirectoryW", code);
    }
    return out;
}

std::string getWindowsDir() {
    return folder(platform::csidl::windows, "SHGetFolderPath(CSIDL_WINDOWS) failed", ZARN_LOCATION);
}

std::string getProgramFilesCommonX86Dir() {
    return folder(platform::csidl::programFilesCommonX86, "SHGetFolderPath(CSIDL_PROGRAM_FILES_COMMONX86) failed",
                  ZARN_LOCATION);
}

std::string getPatchCache(int arch) {
    const char* cache = nullptr;
    if (arch == 32) cache = product::installCache32;
    if (arch == 64) cache = product::installCache64;
    if (cache == nullptr) ZARN_THROW(std::runtime_error, "getPatchCache() failed, invalid arch passed");
    return path::join(path::join(path::join(getCommonAppDataDir(), product::makerFolder), product::productFolder),
                      cache);
}

std::string getUserDataDir() {
    if (osLevel() < vista) {
        return folder(platform::csidl::appData, "SHGetFolderPath(CSIDL_APPDATA) failed", ZARN_LOCATION);
    }
    std::string out;
    const auto hr = platform::machine().system().knownFolderPath(platform::KnownFolder::localAppDataLow, out);
    if (!hr) throwFunctionNotAvailable("SHGetKnownFolderPath");
    if (*hr != 0) {
        throwSystemError(ZARN_LOCATION, "SHGetKnownFolderPath(FOLDERID_LocalAppDataLow) failed", "shell32",
                         "SHGetKnownFolderPath", static_cast<platform::ErrorCode>(*hr));
    }
    return out;
}

}  // namespace SysInfo
