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

// A text value read into a buffer of `capacity` bytes; the terminating NUL, if stored, is dropped.
std::optional<std::string> queryText(RegKey key, const char* name, std::uint32_t capacity) {
    std::vector<std::uint8_t> buffer(capacity);
    std::uint32_t size = capacity;
    std::uint32_t type = 0;
    if (registry().queryValue(key, name, &type, buffer.data(), size) != err::success) return std::nullopt;
    std::string text(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(size));
    if (const auto nul = text.find('\0'); nul != std::string::npos) text.resize(nul);
    return text;
}

}  // namespace

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
