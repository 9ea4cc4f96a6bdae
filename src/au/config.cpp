#include "au/config.h"

#include <mutex>
#include <random>
#include <stdexcept>
#include <vector>

#include "au/reg_data.h"
#include "foundation/errors.h"
#include "foundation/logger.h"
#include "platform/kernel.h"
#include "platform/machine.h"

namespace au {

namespace {

constexpr std::uint32_t daysOfWeek = 7;

// A generator seeded the same way everywhere gives every repaired machine the same day, hour and
// minute. Seeded once per process from a new GUID (the system's random source), with the process id
// and the clocks in case that call fails.
std::mt19937 seededEngine() {
    auto& kernel = platform::machine().kernel();
    std::string guid;
    if (kernel.createGuid(guid) != 0) guid.clear();
    std::int64_t counter = 0;
    kernel.performanceCounter(counter);
    std::vector<std::uint32_t> material(guid.begin(), guid.end());
    material.push_back(kernel.currentProcessId());
    material.push_back(static_cast<std::uint32_t>(kernel.tickCount64()));
    material.push_back(static_cast<std::uint32_t>(counter));
    material.push_back(static_cast<std::uint32_t>(static_cast<std::uint64_t>(counter) >> 32));
    std::seed_seq sequence(material.begin(), material.end());
    return std::mt19937(sequence);
}

std::uint32_t randomBelow(std::uint32_t bound) {
    static std::mutex mutex;
    const std::lock_guard lock(mutex);
    static std::mt19937 engine = seededEngine();
    return std::uniform_int_distribution<std::uint32_t>(0, bound - 1)(engine);
}

std::uint32_t weeklyDayBit(std::uint32_t day) {
    if (day >= daysOfWeek) ZARN_THROW(std::out_of_range, "(weekly) day value is out of range");
    return 1u << day;
}

}  // namespace

Schedule randomSchedule() {
    Schedule schedule;
    // Byte 0 and byte 1 each carry one day bit; byte 2 and bit 24 stay clear.
    schedule.frequency = weeklyDayBit(randomBelow(daysOfWeek)) | weeklyDayBit(randomBelow(daysOfWeek)) << 8;
    schedule.updateSchedule = randomBelow(24);
    schedule.updateMin = randomBelow(60);
    return schedule;
}

Schedule Config::getSchedule(bool* stored) {
    if (stored != nullptr) *stored = true;
    try {
        return Schedule{frequency.getValue(store_), updateSchedule.getValue(store_), updateMin.getValue(store_)};
    } catch (const std::exception& e) {
        LOG_ERROR("getSchedule failed: " << e.what() << ", rescheduling");
    }
    const Schedule schedule = randomSchedule();
    try {
        setSchedule(schedule);
    } catch (const std::exception&) {
        if (stored != nullptr) *stored = false;
    }
    return schedule;
}

void Config::setSchedule(const Schedule& schedule) {
    frequency.setValue(store_, schedule.frequency);
    updateSchedule.setValue(store_, schedule.updateSchedule);
    updateMin.setValue(store_, schedule.updateMin);
}

std::uint32_t Config::getNotifyType() {
    try {
        const bool download = notifyDownload.getValue(store_) != 0;
        const bool install = notifyInstall.getValue(store_) != 0;
        if (download == install) ZARN_THROW(std::runtime_error, "inconsistent data");
        return install ? notifyBeforeInstall : notifyBeforeDownload;
    } catch (const std::exception& e) {
        LOG_ERROR("getNotifyType failed: " << e.what() << ", reset to default");
    }
    setNotifyType(notifyBeforeDownload);
    return notifyBeforeDownload;
}

void Config::setNotifyType(std::uint32_t type) {
    if (type != notifyBeforeDownload && type != notifyBeforeInstall) {
        LOG_ERROR("setNotifyType: unknown value: " << type);
        ZARN_THROW(std::runtime_error, "unknown notifyType");
    }
    notifyDownload.setValue(store_, type == notifyBeforeInstall ? 0 : 1);
    notifyInstall.setValue(store_, type == notifyBeforeInstall ? 1 : 0);
}

}  // namespace au
