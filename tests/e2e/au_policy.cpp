// Reads the auto-update policy the way the installer does, for the end-to-end scenarios:
// "zaupolicy <mode>" prints the schedule, whether it was stored, and the notify type.
#include <cstdio>
#include <cstdlib>
#include <exception>

#include "au/config.h"
#include "platform/win32/win32_machine.h"

int main(int argc, char** argv) {
    static platform::win32::Win32Machine machine;
    platform::installMachine(&machine);
    try {
        au::Config config(argc > 1 ? static_cast<std::uint32_t>(std::strtoul(argv[1], nullptr, 10)) : 1);
        bool stored = false;
        const au::Schedule schedule = config.getSchedule(&stored);
        std::printf("schedule: %u %u %u\nstored: %d\nnotify: %u\n", schedule.frequency, schedule.updateSchedule,
                    schedule.updateMin, stored ? 1 : 0, config.getNotifyType());
    } catch (const std::exception& e) {
        std::printf("error: %s\n", e.what());
        return 1;
    }
    return 0;
}
