// The simulated system: a 64-bit Windows 10 workstation by default; every fact can be changed by a test
// before the code under test runs.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/sim/faults.h"
#include "platform/system.h"

namespace sim {

struct SystemSettings {
    std::optional<platform::OsVersion> rtlVersion = platform::OsVersion{10, 0, 19045, 2, "", 0, 0, 0x100, 1};
    std::int32_t rtlStatus = 0;
    platform::OsVersion version = platform::OsVersion{10, 0, 19045, 2, "", 0, 0, 0x100, 1};
    std::uint16_t nativeArchitecture = platform::arch::amd64;
    std::optional<bool> wow64 = false;  // nullopt: IsWow64Process is missing
    std::map<int, std::string> folders = {
        {platform::csidl::appData, "C:\\Users\\test\\AppData\\Roaming"},
        {platform::csidl::localAppData, "C:\\Users\\test\\AppData\\Local"},
        {platform::csidl::windows, "C:\\Windows"},
        {platform::csidl::system, "C:\\Windows\\system32"},
        {platform::csidl::programFiles, "C:\\Program Files"},
        {platform::csidl::commonAppData, "C:\\ProgramData"},
        {platform::csidl::programFilesCommonX86, "C:\\Program Files (x86)\\Common Files"},
    };
    bool knownFoldersAvailable = true;
    std::map<platform::KnownFolder, std::string> knownFolders = {
        {platform::KnownFolder::localAppDataLow, "C:\\Users\\test\\AppData\\LocalLow"},
        {platform::KnownFolder::localAppData, "C:\\Users\\test\\AppData\\Local"},
        {platform::KnownFolder::roamingAppData, "C:\\Users\\test\\AppData\\Roaming"},
        {platform::KnownFolder::programData, "C:\\ProgramData"},
    };
    std::string systemWow64Directory = "C:\\Windows\\SysWOW64";
    std::optional<std::vector<std::string>> preferredUILanguages = std::vector<std::string>{"0409"};
    std::uint32_t threadLocale = 1033;
    std::uint16_t userDefaultUILanguage = 1033;
    std::uint16_t systemDefaultUILanguage = 1033;
    std::string geoIso2 = "US";
    /// The account domain of the user (a workgroup machine's own SAM domain).
    std::string accountDomainSid = "S-1-5-21-3623811015-3361044348-30300820";
    std::optional<platform::SystemTime> fixedLocalTime;  // nullopt: the host's clock
    std::optional<std::int64_t> fixedSecondsSince1970;   // nullopt: the host's clock
    std::u16string commandLine = u"\"C:\\Users\\test\\Downloads\\kobuoffline.exe\"";
    std::string modulePath = "C:\\Users\\test\\Downloads\\kobuoffline.exe";
    std::map<std::string, std::string> environment;
    /// Descriptions of error codes, as FormatMessageW gives them (with their ".\r\n").
    std::map<std::uint32_t, std::u16string> messages;
    /// Libraries LoadLibrary can find, by file name, with their entry points.
    std::map<std::string, std::map<std::string, void*>> libraries;
};

class SimSystem final : public platform::System {
public:
    explicit SimSystem(Faults& faults);

    SystemSettings& settings() { return settings_; }

    std::optional<platform::OsVersion> rtlGetVersion(std::int32_t& status) override;
    platform::ErrorCode getVersionEx(platform::OsVersion& out) override;
    std::uint16_t nativeArchitecture() override;
    std::optional<platform::ErrorCode> isWow64Process(bool& wow64) override;
    std::int32_t folderPath(int csidl, std::string& out) override;
    std::optional<std::int32_t> knownFolderPath(platform::KnownFolder folder, std::string& out) override;
    platform::ErrorCode systemDirectory(std::string& out) override;
    platform::ErrorCode systemWow64Directory(std::string& out) override;
    platform::ErrorCode windowsDirectory(std::string& out) override;
    std::optional<platform::ErrorCode> threadPreferredUILanguages(std::string* buffer, std::uint32_t& length) override;
    std::uint32_t threadLocale() override;
    std::uint16_t userDefaultUILanguage() override;
    std::uint16_t systemDefaultUILanguage() override;
    std::string userGeoIso2() override;
    platform::SystemTime localTime() override;
    std::int64_t secondsSince1970() override;
    std::u16string commandLine() override;
    platform::ErrorCode splitCommandLine(std::u16string_view commandLine, std::vector<std::u16string>& out) override;
    platform::ErrorCode moduleFileName(platform::Module module, std::string& out) override;
    platform::ErrorCode environmentVariable(std::string_view name, std::string& out) override;
    platform::ErrorCode moduleFromAddress(const void* address, platform::Module& out) override;
    const void* apiAddress(std::string_view module, std::string_view function) override;
    bool formatMessage(std::uint32_t code, platform::MessageSource source, std::u16string& out) override;
    platform::ErrorCode loadLibrary(std::string_view path, platform::Module& out) override;
    platform::ErrorCode loadLibraryAsDataFile(std::string_view path, platform::Module& out) override;
    platform::ErrorCode freeLibrary(platform::Module module) override;
    platform::ErrorCode procAddress(platform::Module module, std::string_view name, void*& out) override;
    platform::ErrorCode setDllDirectory(std::string_view path) override;
    platform::ErrorCode setDefaultDllDirectories(std::uint32_t flags) override;
    /// The flags last given to setDefaultDllDirectories; nullopt when never called.
    const std::optional<std::uint32_t>& defaultDllDirectories() const { return defaultDllDirectories_; }
    platform::ErrorCode accountDomainUsersSid(std::string& out) override;
    /// The last directory given to setDllDirectory; nullopt when never called.
    const std::optional<std::string>& dllDirectory() const { return dllDirectory_; }

    /// Libraries loaded and not yet freed.
    std::size_t loadedLibraries() const { return loaded_.size(); }

private:
    Faults& faults_;
    SystemSettings settings_;
    std::optional<std::uint32_t> defaultDllDirectories_;
    std::map<std::uintptr_t, std::string> loaded_;  // module -> library name
    platform::ErrorCode load(std::string_view path, platform::Module& out);

    std::uintptr_t nextModule_ = 0x10000000;
    std::optional<std::string> dllDirectory_;
};

}  // namespace sim
