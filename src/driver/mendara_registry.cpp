#include "driver/mendara_registry.h"

#include <vector>

#include "driver/driver_constants.h"
#include "foundation/auto_handle.h"
#include "foundation/logger.h"
#include "platform/machine.h"
#include "platform/win_errors.h"

namespace driver {

namespace err = platform::err;
namespace reg = platform::reg;
using platform::ErrorCode;
using platform::RegKey;

namespace {

platform::Registry& registry() { return platform::machine().registry(); }

ErrorCode openKey(const char* path, std::uint32_t access, AutoRegKey& key) {
    return registry().openKey(RegKey::localMachine, path, access, *key.put());
}

ErrorCode closeKey(AutoRegKey& key) { return registry().closeKey(key.release()); }

ErrorCode queryDword(RegKey key, const char* name, std::uint32_t& value) {
    std::uint32_t size = sizeof value;
    std::uint32_t type = 0;
    return registry().queryValue(key, name, &type, reinterpret_cast<std::uint8_t*>(&value), size);
}

// A text value read into a buffer of `capacity` bytes; the terminating NUL, if stored, is dropped.
std::optional<std::string> queryText(RegKey key, const char* name, std::uint32_t capacity) {
    std::vector<std::uint8_t> buffer(capacity);
    std::uint32_t size = capacity;
    std::uint32_t type = 0;
    if (registry().queryValue(key, name, &type, buffer.data(), size) != err::success) return std::nullopt;
    std::string text(buffer.begin(), buffer.begin() + size);
    if (const auto nul = text.find('\0'); nul != std::string::npos) text.resize(nul);
    return text;
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

}  // namespace

ErrorCode ClearMSIStatus() {
    AutoRegKey key;
    if (const ErrorCode opened = openKey(mendaraKey, reg::allAccess, key)) {
        if (opened == err::fileNotFound) {
            LOG_INFO("Could not find HKEY_LOCAL_MACHINE, SOFTWARE\\Mendara registry key.");
            return err::success;
        }
        LOG_ERROR("Could not open HKEY_LOCAL_MACHINE, SOFTWARE\\Mendara registry key.");
        return opened;
    }
    const ErrorCode first = clearStatusValue(key.get(), msiStatusErrorValue);
    const ErrorCode second = clearStatusValue(key.get(), msiStatusExtendedErrorValue);
    const ErrorCode closed = closeKey(key);
    return first != err::success ? first : (second != err::success ? second : closed);
}

ErrorCode GetMSIStatus(std::uint32_t& statusError, std::uint32_t& extendedError) {
    AutoRegKey key;
    if (const ErrorCode opened = openKey(mendaraKey, reg::read, key)) {
        LOG_ERROR("Could not open the registry key.");
        return opened;
    }
    const ErrorCode first = queryDword(key.get(), msiStatusErrorValue, statusError);
    if (first != err::success) LOG_ERROR("Could not get MSIStatusError registry value.");
    const ErrorCode second = queryDword(key.get(), msiStatusExtendedErrorValue, extendedError);
    if (second != err::success) LOG_ERROR("Could not get MSIStatusExtendedError registry value.");
    const ErrorCode closed = closeKey(key);
    return first != err::success ? first : (second != err::success ? second : closed);
}

bool WritePolicyValue(const std::string& name, const std::optional<std::string>& text) {
    AutoRegKey key;
    if (!text) {
        return openKey(policyKey, reg::write, key) == err::success &&
               registry().deleteValue(key.get(), name) == err::success;
    }
    if (registry().createKey(RegKey::localMachine, policyKey, reg::allAccess, *key.put()) != err::success) return false;
    return registry().setValue(key.get(), name, reg::sz, reinterpret_cast<const std::uint8_t*>(text->data()),
                               static_cast<std::uint32_t>(text->size())) == err::success;
}

void ClearInstallStatus() {
    AutoRegKey software;
    if (openKey("Software", reg::allAccess, software) != err::success) return;
    AutoRegKey mendara;
    if (registry().openKey(software.get(), "Mendara", reg::allAccess, *mendara.put()) != err::success) return;
    registry().deleteValue(mendara.get(), installStatusValue);
    platform::RegKeyInfo info;
    if (registry().queryInfo(mendara.get(), info) == err::success && info.subKeys == 0 && info.values == 0) {
        mendara.reset();
        registry().deleteKey(software.get(), "Mendara", 0);
    }
}

std::string ReadInstallStatus() {
    AutoRegKey key;
    if (openKey(mendaraKey, reg::read, key) != err::success) return {};
    return queryText(key.get(), installStatusValue, 512).value_or("");
}

std::string ReadPreviousAuVersion() {
    AutoRegKey key;
    std::optional<std::string> version;
    if (openKey(autoUpdateKey, reg::read | reg::wow64_32Key, key) == err::success) {
        version = queryText(key.get(), auVersionValue, 128);
    }
    if (!version) {
        LOG_INFO("No Old AU Version found\n");
        return noAuVersion;
    }
    return *version;
}

std::string ReadRegDeployStatus() {
    AutoRegKey key;
    if (openKey(kobuMetricsKey, reg::read, key) != err::success) return noRegDeployStatus;
    return queryText(key.get(), regDeployStatusValue, 512).value_or(noRegDeployStatus);
}

void CreateSilentInstallKey() {
    AutoRegKey key;
    registry().createKey(RegKey::localMachine, std::string(mendaraKey) + "\\" + silentInstallSubKey,
                         reg::read | reg::write, *key.put());
}

void DeleteSilentInstallKey() {
    AutoRegKey silent;
    if (openKey((std::string(mendaraKey) + "\\" + silentInstallSubKey).c_str(), reg::read, silent) != err::success) {
        return;
    }
    silent.reset();
    AutoRegKey mendara;
    if (openKey(mendaraKey, reg::allAccess, mendara) != err::success) return;
    registry().deleteKey(mendara.get(), silentInstallSubKey, 0);
}

void RemoveKobuMetrics() {
    const ErrorCode deleted = registry().deleteKey(RegKey::localMachine, kobuMetricsKey, 0);
    if (deleted == err::success) {
        LOG_INFO("RemoveKobuMetrics() - KobuMetrics key successfully removed\n");
    } else {
        LOG_ERROR("RemoveKobuMetrics() - RegDeleteKeyEx(): Error:" << deleted << ", ErrorCode:" << deleted << "\n");
    }
}

}  // namespace driver
