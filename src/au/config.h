// The typed view of the auto-update policy the installer keeps across a component upgrade: the
// update schedule and whether the user is notified before download or before install.
#pragma once

#include <cstdint>

#include "au/store.h"

namespace au {

struct Schedule {
    std::uint32_t frequency = 0;
    std::uint32_t updateSchedule = 0;  // hour
    std::uint32_t updateMin = 0;       // minute
    bool operator==(const Schedule&) const = default;
};

/// Notify before download (0) or before install (1).
inline constexpr std::uint32_t notifyBeforeDownload = 0;
inline constexpr std::uint32_t notifyBeforeInstall = 1;

/// A random weekly schedule: two day bits (0 to 6) in the low two bytes of the frequency, an hour
/// and a minute, from a generator seeded once per process.
Schedule randomSchedule();

class Config {
public:
    /// `mode` 0 reads and writes the legacy layout, 1 or more the current one.
    explicit Config(std::uint32_t mode) : store_(mode) {}
    virtual ~Config() = default;
    Config(const Config&) = delete;
    Config& operator=(const Config&) = delete;

    /// The stored schedule. Stored data that cannot be read is replaced by a random schedule, which
    /// is written and returned; `stored`, when given, is false when even that write failed.
    Schedule getSchedule(bool* stored = nullptr);
    void setSchedule(const Schedule& schedule);
    /// The stored notify type; inconsistent or unreadable data is reset to notify before download.
    std::uint32_t getNotifyType();
    /// Writes the notify pair; a type other than 0 or 1 throws "unknown notifyType" and writes nothing.
    void setNotifyType(std::uint32_t type);

private:
    Store store_;
};

}  // namespace au
