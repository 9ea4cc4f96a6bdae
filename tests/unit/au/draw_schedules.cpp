// Prints random schedules drawn by a process of its own, so that a test can compare two processes.
#include <cstdio>

#include "au/config.h"
#include "platform/sim/sim_machine.h"

int main() {
    sim::MachineScope sim;
    for (int i = 0; i < 4; ++i) {
        const au::Schedule schedule = au::randomSchedule();
        std::printf("%x %u %u\n", schedule.frequency, schedule.updateSchedule, schedule.updateMin);
    }
    return 0;
}
