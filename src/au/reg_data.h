// One DWORD policy value: where it lives, its name and how it is protected, and its reading and
// writing through a store.
#pragma once

#include <cstdint>

#include "au/au_constants.h"
#include "au/store.h"

namespace au {

/// How a DWORD is stored: plain, protected for the user as binary, or protected for the machine as
/// Base64 text. The legacy layout stores the machine-protected values plain.
enum class Encryption : std::uint32_t { none = 0, user = 1, machineBase64 = 2 };

class RegData {
public:
    constexpr RegData(Location location, const char* name, Encryption encryption)
        : RegData(static_cast<std::uint32_t>(location), name, static_cast<std::uint32_t>(encryption)) {}
    constexpr RegData(std::uint32_t location, const char* name, std::uint32_t encryption)
        : location_(location), name_(name), encryption_(encryption) {}

    /// Failures are logged at ERROR and raised again.
    std::uint32_t getValue(Store& store) const;
    void setValue(Store& store, std::uint32_t value) const;

    const char* name() const { return name_; }

private:
    std::uint32_t effectiveEncryption(const Store& store) const;

    std::uint32_t location_;
    const char* name_;
    std::uint32_t encryption_;
};

// The DWORD values of the policy. The installer reads and writes only the schedule and the notify pair.
inline constexpr RegData enableAutoUpdateCheck{Location::userPolicy, "EnableAutoUpdateCheck", Encryption::user};
inline constexpr RegData itConfig{Location::machinePolicy, "ITCONFIG", Encryption::none};
inline constexpr RegData enableZarnUpdate{Location::machinePolicy, "EnableZarnUpdate", Encryption::none};
inline constexpr RegData frequency{Location::machineCheck, frequencyValue, Encryption::machineBase64};
inline constexpr RegData updateSchedule{Location::machineCheck, updateScheduleValue, Encryption::machineBase64};
inline constexpr RegData updateMin{Location::machineCheck, updateMinValue, Encryption::machineBase64};
inline constexpr RegData notifyDownload{Location::machineCheck, notifyDownloadValue, Encryption::none};
inline constexpr RegData notifyInstall{Location::machineCheck, notifyInstallValue, Encryption::none};
inline constexpr RegData oemDelay{Location::machinePolicy, "OEMDelay", Encryption::none};
inline constexpr RegData oobd{Location::userPolicy, "OOBD", Encryption::user};
inline constexpr RegData startupDelay{Location::machinePolicy, "StartupDelay", Encryption::none};
inline constexpr RegData sdvc{Location::userPolicy, "SDVC", Encryption::user};

}  // namespace au
