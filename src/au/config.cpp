#include "au/config.h"

#include <cstdlib>
#include <stdexcept>

#include "au/reg_data.h"
#include "foundation/errors.h"
#include "foundation/logger.h"

namespace au {

namespace {

constexpr std::uint32_t daysOfWeek = 7;

std::uint32_t randomBelow(std::uint32_t bound) { return static_cast<std::uint32_t>(std::rand()) % bound; }

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
