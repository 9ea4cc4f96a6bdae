#include "driver/startup_phase.h"

#include "platform/machine.h"

namespace driver {

void MachineStartup::removeCurrentDirectoryFromDllSearch() { platform::machine().system().setDllDirectory(""); }

bool MachineStartup::initCommonControls() { return platform::machine().desktop().initCommonControls(); }

}  // namespace driver
