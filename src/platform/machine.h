// The machine: one object per operating-system service. Logic reaches the system only through it.
#pragma once

#include "platform/desktop.h"
#include "platform/file_system.h"
#include "platform/kernel.h"
#include "platform/later_ports.h"
#include "platform/registry.h"
#include "platform/resources.h"
#include "platform/system.h"

namespace platform {

class Machine {
public:
    virtual ~Machine() = default;

    virtual Registry& registry() = 0;
    virtual FileSystem& fileSystem() = 0;
    virtual Kernel& kernel() = 0;
    virtual System& system() = 0;
    virtual Resources& resources() = 0;
    virtual Desktop& desktop() = 0;
    virtual Processes& processes() = 0;
    virtual Installer& installer() = 0;
    virtual Internet& internet() = 0;
    virtual Crypto& crypto() = 0;
};

/// The process-wide machine. Using it before one is installed is a programming error.
Machine& machine();

/// Installs `m` (not owned) as the process-wide machine and returns the one it replaces.
Machine* installMachine(Machine* m);

}  // namespace platform
