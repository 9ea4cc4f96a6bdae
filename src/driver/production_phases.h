// The production bindings of the run's phases: each phase as the program runs it on the real machine.
#pragma once

#include "driver/phases.h"

namespace driver {

/// Every phase of the run as the program binds it.
Phases& productionPhases();

}  // namespace driver
