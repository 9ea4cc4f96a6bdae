// Process set-up of the user interface on the machine.
#pragma once

#include "driver/phases.h"

namespace driver {

class MachineStartup final : public Startup {
public:
    void removeCurrentDirectoryFromDllSearch() override;
    bool initCommonControls() override;
};

}  // namespace driver
