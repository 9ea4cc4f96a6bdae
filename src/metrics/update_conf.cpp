#include "metrics/update_conf.h"

#include <vector>

#include "foundation/auto_handle.h"
#include "foundation/browsers.h"
#include "foundation/catch_handlers.h"
#include "foundation/logger.h"
#include "foundation/product_constants.h"
#include "foundation/tstrings_format.h"
#include "foundation/version_details.h"
#include "foundation/zarn_environment.h"
#include "metrics/metrics_constants.h"
#include "metrics/registry_text.h"
#include "platform/machine.h"
#include "platform/win_errors.h"

namespace UpdateConf {

namespace err = platform::err;
namespace reg = platform::reg;
using platform::ErrorCode;
using platform::RegKey;

namespace {

/// The visitor id is kept in a buffer of this many bytes, and a stored one this short is replaced.
constexpr std::uint32_t visitorIdBytes = 32;
constexpr std::size_t visitorIdMinimum = 16;
/// The metrics key's access for the update: all but delete, in the 32-bit view.
constexpr std::uint32_t metricsUpdateAccess = 0x2021F;
/// The result that only clears the attempts: the same build was there already.
constexpr int sameBuildExists = -128;

platform::Registry& registry() { return platform::machine().registry(); }

ErrorCode openKey(const char* path, std::uint32_t access, AutoRegKey& key) {
    return registry().openKey(RegKey::localMachine, path, access, *key.put());
}

ErrorCode queryDword(RegKey key, const char* name, std::uint32_t& value) {
    std::uint32_t size = sizeof value;
    std::uint32_t type = 0;
    return registry().queryValue(key, name, &type, reinterpret_cast<std::uint8_t*>(&value), size);
}

ErrorCode setDword(RegKey key, const char* name, std::uint32_t value) {
    return registry().setValue(key, name, reg::dword, reinterpret_cast<const std::uint8_t*>(&value), sizeof value);
}

/// A text stored with its NUL, as the ping's values are.
ErrorCode setText(RegKey key, const char* name, const std::string& text) {
    return registry().setValue(key, name, reg::sz, reinterpret_cast<const std::uint8_t*>(text.c_str()),
                               static_cast<std::uint32_t>(text.size() + 1));
}

// Deletes one status value; a value that is not there is no failure.
ErrorCode clearStatusValue(RegKey key, const char* name) {
    std::uint32_t value = 0;
    const ErrorCode queried = queryDword(key, name, value);
    if (queried == err::fileNotFound) return err::success;
    if (queried != err::success && queried != err::moreData) return queried;
    const ErrorCode deleted = registry().deleteValue(key, name);
    if (deleted != err::success) LOG_ERROR("Could not delete " << name << " registry value.");
    return deleted;
}

/// "<what>: <result> Error Code: <error>": the counters' failures name the call's result twice.
void logFailure(const char* what, ErrorCode result) {
    logit(std::string("GetUpdatedKobuMetrics() - ") + what + ": " + std::to_string(result) +
          " Error Code: " + std::to_string(result) + "\n");
}

bool isThisBuild(const std::string& text) {
    try {
        return ZarnVersion(text) == ZarnVersion(product::versionText);
    } catch (const std::exception& e) {
        logit("GetUpdatedKobuMetrics() - unreadable build '" + text + "': " + e.what() + "\n");
        return false;
    }
}

/// A stored build that cannot be read counts as older: the run's build replaces it.
bool isOlderThanThisBuild(const std::string& text) {
    try {
        return ZarnVersion(text) < ZarnVersion(product::versionText);
    } catch (const std::exception& e) {
        logit("GetUpdatedKobuMetrics() - unreadable build '" + text + "': " + e.what() + "\n");
        return true;
    }
}

bool hasValue(const char* keyPath, const char* name) {
    AutoRegKey key;
    if (openKey(keyPath, reg::read, key) != err::success) return false;
    std::string text;
    return queryText(key.get(), name, 1024, text) == err::success;
}

}  // namespace

void logit(const std::string& text) { logger().write(logInfo, "AllUtils", 177, "logit", text); }

std::optional<std::string> ReadPolicyValue(const std::string& name, std::uint32_t capacity) {
    AutoRegKey key;
    if (openKey(metrics::policyKey, reg::read, key) != err::success) return std::nullopt;
    std::string text;
    const ErrorCode result = queryText(key.get(), name, capacity, text);
    if (result == err::success) return text;
    if (result != err::fileNotFound) {
        logit(tstrings::format("RegQueryValueEx(%s): Error:%d, ErrorCode:%d\n", name.c_str(), static_cast<int>(result),
                               static_cast<int>(result)));
    }
    return std::nullopt;
}

bool WritePolicyValue(const std::string& name, const std::optional<std::string>& text) {
    AutoRegKey key;
    if (!text) {
        return openKey(metrics::policyKey, reg::write, key) == err::success &&
               registry().deleteValue(key.get(), name) == err::success;
    }
    if (registry().createKey(RegKey::localMachine, metrics::policyKey, reg::allAccess, *key.put()) != err::success) {
        return false;
    }
    return registry().setValue(key.get(), name, reg::sz, reinterpret_cast<const std::uint8_t*>(text->data()),
                               static_cast<std::uint32_t>(text->size())) == err::success;
}

std::string MakeVisitorId(std::uint32_t ticks, std::uint32_t seconds, std::uint32_t processId) {
    std::string text = tstrings::format("%x%x%x", ticks, seconds, processId);
    if (text.size() < visitorIdMinimum) text += std::string("ffffffff").substr(0, visitorIdMinimum - text.size());
    const std::size_t half = text.size() / 2;
    return text.substr(0, half) + "-" + text.substr(half);
}

std::string GetVisitorId() {
    AutoRegKey key;
    if (openKey(metrics::policyKey, reg::read, key) == err::success) {
        std::string stored;
        std::uint32_t size = 0;
        if (queryText(key.get(), metrics::visitorIdValue, visitorIdBytes, stored, &size) == err::success &&
            size >= visitorIdMinimum) {
            return stored;
        }
    }
    auto& machine = platform::machine();
    // The C runtime's "%lx" of Windows takes 32 bits: the time is cut to them, as there.
    const std::string id =
        MakeVisitorId(machine.kernel().tickCount(), static_cast<std::uint32_t>(machine.system().secondsSince1970()),
                      machine.kernel().currentProcessId());
    WritePolicyValue(metrics::visitorIdValue, id);
    return id;
}

ErrorCode GetKobuMetrics(RegKey key, const std::string& name, std::string& text, std::uint32_t capacity) {
    AutoRegKey opened;
    if (key == RegKey::null) {
        if (const ErrorCode result = openKey(metrics::kobuMetricsKey, reg::read, opened)) {
            logit(tstrings::format("GetKobuMetrics() - RegOpenKeyEx(%s): Error:%d, ErrorCode:%d\n", name.c_str(),
                                   static_cast<int>(result), static_cast<int>(result)));
            return result;
        }
        key = opened.get();
    }
    const ErrorCode result = queryText(key, name, capacity, text);
    if (result != err::success && result != err::fileNotFound) {
        logit(tstrings::format("GetKobuMetrics() - RegQueryValueEx(%s): Error:%d, ErrorCode:%d\n", name.c_str(),
                               static_cast<int>(result), static_cast<int>(result)));
    }
    return result;
}

MetricsTexts GetUpdatedKobuMetrics(int installResult) {
    MetricsTexts texts{metrics::undecided, metrics::undecided, metrics::undecided};
    AutoRegKey key;
    if (const ErrorCode created =
            registry().createKey(RegKey::localMachine, metrics::kobuMetricsKey, metricsUpdateAccess, *key.put())) {
        logFailure("RegCreateKeyEx failed", created);
        return texts;
    }
    const bool installed = installResult == 0;

    std::uint32_t machineCount = 0;
    const ErrorCode counted = queryDword(key.get(), metrics::machineCountValue, machineCount);
    if (counted == err::fileNotFound && installed) {
        if (const ErrorCode set = setDword(key.get(), metrics::machineCountValue, 1)) {
            logFailure("RegSetValue for MachineCount failed", set);
        } else {
            texts.machineCounted = "false";
            logit("GetUpdatedKobuMetrics() - MachineCount registry value created\n");
        }
    } else if (counted == err::fileNotFound) {
        texts.machineCounted = "ZZ";
        logit(
            tstrings::format("GetUpdatedKobuMetrics() - MachineCount registry value does not exist and will not be "
                             "created  because install was not successful. Error: %d\n",
                             static_cast<int>(counted)));
    } else if (counted == err::success) {
        logit("GetUpdatedKobuMetrics() - MachineCount registry value exists\n");
        texts.machineCounted = installed ? "true" : "YY";
    } else {
        logFailure("RegQueryValueEx for MachineCount failed", counted);
    }

    std::uint32_t storedAttempts = 0;
    std::string attemptedBuild;
    const bool sameBuild = queryDword(key.get(), metrics::installAttemptsValue, storedAttempts) == err::success &&
                           queryText(key.get(), metrics::newKobuVersionValue, 64, attemptedBuild) == err::success &&
                           isThisBuild(attemptedBuild);
    const std::uint32_t attempts = sameBuild ? storedAttempts + 1 : 1;

    std::uint32_t storedUpdates = 0;
    std::int64_t updateCount = -1;
    if (queryDword(key.get(), metrics::updateCountValue, storedUpdates) == err::success) updateCount = storedUpdates;

    if (installed) {
        std::string installedBuild;
        if (queryText(key.get(), metrics::kobuVersionValue, 64, installedBuild) != err::success ||
            isOlderThanThisBuild(installedBuild)) {
            ++updateCount;
            if (const ErrorCode set = setText(key.get(), metrics::kobuVersionValue, product::versionText)) {
                logFailure("RegSetValueEx failed for KobuVersion", set);
            }
            if (const ErrorCode set =
                    setDword(key.get(), metrics::updateCountValue, static_cast<std::uint32_t>(updateCount))) {
                logFailure("RegSetValueEx failed for UpdateCount", set);
            }
        }
    }
    if (installed || installResult == sameBuildExists) {
        registry().deleteValue(key.get(), metrics::installAttemptsValue);
        registry().deleteValue(key.get(), metrics::newKobuVersionValue);
    } else {
        if (const ErrorCode set = setDword(key.get(), metrics::installAttemptsValue, attempts)) {
            logFailure("RegSetValueEx failed for InstallAttempts", set);
        }
        if (const ErrorCode set = setText(key.get(), metrics::newKobuVersionValue, product::versionText)) {
            logFailure("RegSetValueEx failed for NewKobuVersion", set);
        }
    }

    if (updateCount == -1) updateCount = 0;
    texts.updateCount = std::to_string(updateCount);
    texts.installAttempts = std::to_string(attempts);
    logit(tstrings::format("GetUpdatedKobuMetrics() - MachineCounted: %s, InstallAttempts: %s, UpdateCount: %s\n",
                           texts.machineCounted.c_str(), texts.installAttempts.c_str(), texts.updateCount.c_str()));
    return texts;
}

int GetOfferedCount() {
    AutoRegKey key;
    if (registry().createKey(RegKey::localMachine, metrics::kobuMetricsKey, reg::allAccess, *key.put()) !=
        err::success) {
        return 0;
    }
    std::uint32_t count = 0;
    const ErrorCode result = queryDword(key.get(), metrics::offeredCountValue, count);
    if (result == err::fileNotFound) return -1;
    if (result != err::success) return -2;
    registry().deleteValue(key.get(), metrics::offeredCountValue);
    return static_cast<int>(count);
}

ErrorCode ClearMSIStatus() {
    AutoRegKey key;
    if (const ErrorCode opened = openKey(metrics::mendaraKey, reg::allAccess, key)) {
        if (opened == err::fileNotFound) {
            LOG_INFO("Could not find HKEY_LOCAL_MACHINE, SOFTWARE\\Mendara registry key.");
            return err::success;
        }
        LOG_ERROR("Could not open HKEY_LOCAL_MACHINE, SOFTWARE\\Mendara registry key.");
        return opened;
    }
    const ErrorCode first = clearStatusValue(key.get(), metrics::msiStatusErrorValue);
    const ErrorCode second = clearStatusValue(key.get(), metrics::msiStatusExtendedErrorValue);
    const ErrorCode closed = registry().closeKey(key.release());
    return first != err::success ? first : (second != err::success ? second : closed);
}

ErrorCode GetMSIStatus(std::uint32_t& statusError, std::uint32_t& extendedError) {
    AutoRegKey key;
    if (const ErrorCode opened = openKey(metrics::mendaraKey, reg::read, key)) {
        LOG_ERROR("Could not open the registry key.");
        return opened;
    }
    const ErrorCode first = queryDword(key.get(), metrics::msiStatusErrorValue, statusError);
    if (first != err::success) LOG_ERROR("Could not get MSIStatusError registry value.");
    const ErrorCode second = queryDword(key.get(), metrics::msiStatusExtendedErrorValue, extendedError);
    if (second != err::success) LOG_ERROR("Could not get MSIStatusExtendedError registry value.");
    const ErrorCode closed = registry().closeKey(key.release());
    return first != err::success ? first : (second != err::success ? second : closed);
}

void ClearInstallStatus() {
    AutoRegKey software;
    if (openKey(metrics::softwareKey, reg::allAccess, software) != err::success) return;
    AutoRegKey mendara;
    if (registry().openKey(software.get(), metrics::mendaraSubKey, reg::allAccess, *mendara.put()) != err::success)
        return;
    registry().deleteValue(mendara.get(), metrics::installStatusValue);
    platform::RegKeyInfo info;
    if (registry().queryInfo(mendara.get(), info) == err::success && info.subKeys == 0 && info.values == 0) {
        mendara.reset();
        registry().deleteKey(software.get(), metrics::mendaraSubKey, 0);
    }
}

std::string ReadInstallStatus() {
    AutoRegKey key;
    if (openKey(metrics::mendaraKey, reg::read, key) != err::success) return {};
    std::string status;
    if (queryText(key.get(), metrics::installStatusValue, 512, status) != err::success) return {};
    return status;
}

std::string BrowserPresence() {
    bool firefox = false;
    for (const char* key : browsers::firefoxKeys) firefox = firefox || hasValue(key, browsers::firefoxVersionValue);
    const auto digit = [](bool present) { return present ? "1" : "0"; };
    return std::string("B") + digit(hasValue(browsers::internetExplorerKey, "")) + digit(firefox) +
           digit(hasValue(browsers::chromeKey, browsers::chromePathValue)) + "00";
}

std::string GetLatestKobuKey() {
    try {
        if (const auto latest = ZarnEnvironment::latestInstalledKobu(product::processBitness)) return latest->keyName;
    }
    ZARN_CATCH_ALL
    return {};
}

}  // namespace UpdateConf
