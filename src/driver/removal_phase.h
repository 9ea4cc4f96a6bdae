// The removal of out-of-date runtimes, offered after a successful interactive install.
#pragma once

#include "driver/phases.h"

namespace driver {

class MachineRemoval final : public Removal {
public:
    RemovalResult run() override;
};

}  // namespace driver
