#include "driver/startup_phase.h"

#include "foundation/logger.h"
#include "platform/machine.h"

namespace driver {

void MachineStartup::removeCurrentDirectoryFromDllSearch() {
    auto& system = platform::machine().system();
    system.setDllDirectory("");
    // Every later load by name, the system's own on the installer's behalf too, searches the system
    // directory only: a library planted beside the downloaded installer is never picked up.
    if (const auto code = system.setDefaultDllDirectories(platform::dll::searchSystem32)) {
        LOG_WARNING("SetDefaultDllDirectories failed with " << code << "; the library search path stays the system's");
    }
}

bool MachineStartup::initCommonControls() { return platform::machine().desktop().initCommonControls(); }

}  // namespace driver
