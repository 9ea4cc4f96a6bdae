#include "metrics/default_browser.h"

#include <string>

#include "foundation/auto_handle.h"
#include "foundation/sys_info.h"
#include "foundation/tstrings_format.h"
#include "metrics/registry_text.h"
#include "platform/machine.h"
#include "platform/registry.h"
#include "platform/win_errors.h"

namespace UpdateConf {

namespace {

namespace err = platform::err;
namespace reg = platform::reg;
using platform::RegKey;

constexpr const char* httpCommandKey = "http\\shell\\open\\command";
constexpr const char* httpDdeApplicationKey = "http\\shell\\open\\ddeexec\\Application";
constexpr const char* userChoiceKey =
    "Software\\Microsoft\\Windows\\Shell\\Associations\\UrlAssociations\\http\\UserChoice";
constexpr std::uint32_t textCapacity = 1024;

// The default value of `path` under HKEY_CLASSES_ROOT; false when the key cannot be opened.
bool classDefault(const char* path, std::string& text, platform::ErrorCode& read) {
    AutoRegKey key;
    if (platform::machine().registry().openKey(RegKey::classesRoot, path, reg::read, *key.put()) != err::success) {
        return false;
    }
    read = queryText(key.get(), "", textCapacity, text);
    return true;
}

// The class registration of "http": Chrome's command, else the DDE application's name.
int fromClassRegistration(int missingApplicationKey) {
    std::string command;
    platform::ErrorCode read = err::success;
    if (classDefault(httpCommandKey, command, read) && read == err::success &&
        command.find("chrome.exe") != std::string::npos) {
        return browserOther;
    }
    std::string application;
    if (!classDefault(httpDdeApplicationKey, application, read)) return missingApplicationKey;
    if (read != err::success) return browserUnknown;
    if (tstrings::compareNoCase(application, "IExplore") == 0) return browserInternetExplorer;
    if (tstrings::compareNoCase(application, "Firefox") == 0) return browserFirefox;
    return browserOther;
}

}  // namespace

int DefaultBrowserCode() {
    if (SysInfo::osLevel() < SysInfo::vista) return fromClassRegistration(browserUnknown);
    AutoRegKey choice;
    const auto opened =
        platform::machine().registry().openKey(RegKey::currentUser, userChoiceKey, reg::read, *choice.put());
    if (opened == err::fileNotFound) return fromClassRegistration(browserFirefox);
    if (opened != err::success) return browserUnknown;
    std::string progId;
    if (queryText(choice.get(), "Progid", textCapacity, progId) != err::success) return browserUnknown;
    if (progId == "FirefoxURL") return browserFirefox;
    if (progId == "IE.HTTP") return browserInternetExplorer;
    return browserOther;
}

}  // namespace UpdateConf
