#include "platform/sim/system_sim.h"

#include <chrono>
#include <ctime>

#include "foundation/tstrings_convert.h"
#include "platform/sim/text.h"
#include "platform/win_errors.h"

namespace sim {

namespace err = platform::err;
using platform::ErrorCode;

namespace {

std::int32_t hresultFromWin32(ErrorCode code) {
    return code == 0 ? 0 : static_cast<std::int32_t>(0x80070000u | (code & 0xFFFFu));
}

// A few descriptions as the system's message table words them, for the codes tests meet most.
std::map<std::uint32_t, std::u16string> standardMessages() {
    return {
        {0, u"The operation completed successfully.\r\n"},
        {2, u"The system cannot find the file specified.\r\n"},
        {3, u"The system cannot find the path specified.\r\n"},
        {5, u"Access is denied.\r\n"},
        {6, u"The handle is invalid.\r\n"},
        {32, u"The process cannot access the file because it is being used by another process.\r\n"},
        {80, u"The file exists.\r\n"},
        {87, u"The parameter is incorrect.\r\n"},
        {183, u"Cannot create a file when that file already exists.\r\n"},
        {234, u"More data is available.\r\n"},
        {259, u"No more data is available.\r\n"},
        {1603, u"Fatal error during installation.\r\n"},
    };
}

// The executable's own "module" and the system libraries' addresses are fixed fake values.
const char apiAnchor = 0;

}  // namespace

SimSystem::SimSystem(Faults& faults) : faults_(faults) { settings_.messages = standardMessages(); }

std::optional<platform::OsVersion> SimSystem::rtlGetVersion(std::int32_t& status) {
    status = settings_.rtlStatus;
    return settings_.rtlVersion;
}

ErrorCode SimSystem::getVersionEx(platform::OsVersion& out) {
    if (auto fault = faults_.check("System.getVersionEx")) return *fault;
    out = settings_.version;
    return err::success;
}

std::uint16_t SimSystem::nativeArchitecture() { return settings_.nativeArchitecture; }

std::optional<ErrorCode> SimSystem::isWow64Process(bool& wow64) {
    if (!settings_.wow64) return std::nullopt;
    if (auto fault = faults_.check("System.isWow64Process")) return *fault;
    wow64 = *settings_.wow64;
    return err::success;
}

std::int32_t SimSystem::folderPath(int csidl, std::string& out) {
    if (auto fault = faults_.check("System.folderPath")) return hresultFromWin32(*fault);
    const auto found = settings_.folders.find(csidl);
    if (found == settings_.folders.end()) return hresultFromWin32(err::fileNotFound);
    out = found->second;
    return 0;
}

std::optional<std::int32_t> SimSystem::knownFolderPath(platform::KnownFolder folder, std::string& out) {
    if (!settings_.knownFoldersAvailable) return std::nullopt;
    if (auto fault = faults_.check("System.knownFolderPath")) return hresultFromWin32(*fault);
    const auto found = settings_.knownFolders.find(folder);
    if (found == settings_.knownFolders.end()) return hresultFromWin32(err::fileNotFound);
    out = found->second;
    return 0;
}

ErrorCode SimSystem::systemDirectory(std::string& out) {
    if (auto fault = faults_.check("System.systemDirectory")) return *fault;
    out = settings_.folders.at(platform::csidl::system);
    return err::success;
}

ErrorCode SimSystem::systemWow64Directory(std::string& out) {
    if (auto fault = faults_.check("System.systemWow64Directory")) return *fault;
    if (settings_.systemWow64Directory.empty()) return err::callNotImplemented;
    out = settings_.systemWow64Directory;
    return err::success;
}

ErrorCode SimSystem::windowsDirectory(std::string& out) {
    if (auto fault = faults_.check("System.windowsDirectory")) return *fault;
    out = settings_.folders.at(platform::csidl::windows);
    return err::success;
}

std::optional<ErrorCode> SimSystem::threadPreferredUILanguages(std::string* buffer, std::uint32_t& length) {
    if (!settings_.preferredUILanguages) return std::nullopt;
    if (auto fault = faults_.check("System.threadPreferredUILanguages")) return *fault;
    std::string list;
    for (const auto& language : *settings_.preferredUILanguages) list += language + '\0';
    list += '\0';
    const auto needed = static_cast<std::uint32_t>(list.size());
    if (buffer != nullptr && length < needed) {
        length = needed;
        return err::insufficientBuffer;
    }
    length = needed;
    if (buffer != nullptr) *buffer = std::move(list);
    return err::success;
}

std::uint32_t SimSystem::threadLocale() { return settings_.threadLocale; }
std::uint16_t SimSystem::userDefaultUILanguage() { return settings_.userDefaultUILanguage; }
std::uint16_t SimSystem::systemDefaultUILanguage() { return settings_.systemDefaultUILanguage; }
std::string SimSystem::userGeoIso2() { return settings_.geoIso2; }

std::int64_t SimSystem::secondsSince1970() {
    if (settings_.fixedSecondsSince1970) return *settings_.fixedSecondsSince1970;
    return std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

platform::SystemTime SimSystem::localTime() {
    if (settings_.fixedLocalTime) return *settings_.fixedLocalTime;
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    std::tm local{};
    localtime_r(&seconds, &local);
    const auto millis = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    platform::SystemTime t;
    t.year = static_cast<std::uint16_t>(local.tm_year + 1900);
    t.month = static_cast<std::uint16_t>(local.tm_mon + 1);
    t.dayOfWeek = static_cast<std::uint16_t>(local.tm_wday);
    t.day = static_cast<std::uint16_t>(local.tm_mday);
    t.hour = static_cast<std::uint16_t>(local.tm_hour);
    t.minute = static_cast<std::uint16_t>(local.tm_min);
    t.second = static_cast<std::uint16_t>(local.tm_sec);
    t.milliseconds = static_cast<std::uint16_t>(millis);
    return t;
}

std::u16string SimSystem::commandLine() { return settings_.commandLine; }

// The rules of CommandLineToArgvW. The program name ends at the closing quote, or at the first blank
// when unquoted, and keeps its backslashes. In the arguments, 2n backslashes before a quote become n
// and the quote opens or closes a quoted part; 2n+1 become n and a literal quote; backslashes before
// anything else stay. Within a run of quotes every third one is a literal quote.
ErrorCode SimSystem::splitCommandLine(std::u16string_view line, std::vector<std::u16string>& out) {
    if (auto fault = faults_.check("System.splitCommandLine")) return *fault;
    const auto blank = [&](std::size_t i) { return i < line.size() && (line[i] == u' ' || line[i] == u'\t'); };
    std::vector<std::u16string> arguments;
    if (line.empty()) {
        arguments.push_back(tstrings::toUtf16(settings_.modulePath));
        out = std::move(arguments);
        return err::success;
    }
    std::size_t at = 0;
    std::u16string current;
    if (line[0] == u'"') {
        for (at = 1; at < line.size() && line[at] != u'"'; ++at) current += line[at];
        if (at < line.size()) ++at;
    } else {
        for (; at < line.size() && !blank(at); ++at) current += line[at];
    }
    arguments.push_back(std::move(current));
    current.clear();
    while (blank(at)) ++at;
    bool open = at < line.size();
    std::size_t backslashes = 0;
    int quotes = 0;
    while (at < line.size()) {
        const char16_t c = line[at];
        if (quotes == 0 && blank(at)) {
            arguments.push_back(std::move(current));
            current.clear();
            while (blank(at)) ++at;
            open = at < line.size();
            backslashes = 0;
        } else if (c != u'"') {
            current += c;
            backslashes = c == u'\\' ? backslashes + 1 : 0;
            ++at;
        } else {
            if (backslashes % 2 == 0) {
                current.resize(current.size() - backslashes / 2);
                ++quotes;
            } else {
                current.resize(current.size() - backslashes / 2 - 1);
                current += u'"';
            }
            backslashes = 0;
            for (++at; at < line.size() && line[at] == u'"'; ++at) {
                if (++quotes == 3) {
                    current += u'"';
                    quotes = 0;
                }
            }
            if (quotes == 2) quotes = 0;
        }
    }
    if (open) arguments.push_back(std::move(current));
    out = std::move(arguments);
    return err::success;
}

ErrorCode SimSystem::moduleFileName(platform::Module module, std::string& out) {
    if (auto fault = faults_.check("System.moduleFileName")) return *fault;
    if (module == platform::Module::self) {
        out = settings_.modulePath;
        return err::success;
    }
    const auto found = loaded_.find(platform::raw(module));
    if (found == loaded_.end()) return err::modNotFound;
    out = found->second;
    return err::success;
}

ErrorCode SimSystem::environmentVariable(std::string_view name, std::string& out) {
    if (auto fault = faults_.check("System.environmentVariable")) return *fault;
    for (const auto& [key, value] : settings_.environment) {
        if (equalsNoCase(key, name)) {
            out = value;
            return err::success;
        }
    }
    return 203;  // ERROR_ENVVAR_NOT_FOUND
}

ErrorCode SimSystem::moduleFromAddress(const void* address, platform::Module& out) {
    if (auto fault = faults_.check("System.moduleFromAddress")) return *fault;
    if (address == nullptr) return err::invalidParameter;
    out = platform::Module::self;
    return err::success;
}

const void* SimSystem::apiAddress(std::string_view, std::string_view) { return &apiAnchor; }

bool SimSystem::formatMessage(std::uint32_t code, platform::MessageSource, std::u16string& out) {
    if (faults_.check("System.formatMessage")) return false;
    const auto found = settings_.messages.find(code);
    if (found == settings_.messages.end()) return false;
    out = found->second;
    return true;
}

ErrorCode SimSystem::loadLibrary(std::string_view path, platform::Module& out) {
    if (auto fault = faults_.check("System.loadLibrary")) return *fault;
    return load(path, out);
}

// A data-file load finds the same libraries; their strings are the machine's resources.
ErrorCode SimSystem::loadLibraryAsDataFile(std::string_view path, platform::Module& out) {
    if (auto fault = faults_.check("System.loadLibraryAsDataFile")) return *fault;
    return load(path, out);
}

ErrorCode SimSystem::load(std::string_view path, platform::Module& out) {
    const auto slash = path.find_last_of("\\/");
    const std::string name(slash == std::string_view::npos ? path : path.substr(slash + 1));
    for (const auto& [library, functions] : settings_.libraries) {
        if (equalsNoCase(library, name)) {
            const auto id = nextModule_;
            nextModule_ += 0x10000;
            loaded_.emplace(id, library);
            out = static_cast<platform::Module>(id);
            return err::success;
        }
    }
    return err::modNotFound;
}

ErrorCode SimSystem::freeLibrary(platform::Module module) {
    if (auto fault = faults_.check("System.freeLibrary")) return *fault;
    return loaded_.erase(platform::raw(module)) == 1 ? err::success : err::invalidHandle;
}

ErrorCode SimSystem::procAddress(platform::Module module, std::string_view name, void*& out) {
    if (auto fault = faults_.check("System.procAddress")) return *fault;
    const auto found = loaded_.find(platform::raw(module));
    if (found == loaded_.end()) return err::invalidHandle;
    const auto& functions = settings_.libraries.at(found->second);
    const auto function = functions.find(std::string(name));
    if (function == functions.end()) return err::procNotFound;
    out = function->second;
    return err::success;
}

ErrorCode SimSystem::accountDomainUsersSid(std::string& out) {
    if (auto fault = faults_.check("System.accountDomainUsersSid")) return *fault;
    out = settings_.accountDomainSid + "-513";
    return err::success;
}

ErrorCode SimSystem::setDefaultDllDirectories(std::uint32_t flags) {
    if (auto fault = faults_.check("System.setDefaultDllDirectories")) return *fault;
    defaultDllDirectories_ = flags;
    return err::success;
}

ErrorCode SimSystem::setDllDirectory(std::string_view path) {
    if (auto fault = faults_.check("System.setDllDirectory")) return *fault;
    dllDirectory_ = std::string(path);
    return err::success;
}

}  // namespace sim
