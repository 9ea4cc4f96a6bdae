// STAND-INS: the production bindings of the parts of the run that are not built yet. Each behaves
// neutrally (nothing to detect, nothing to show, nothing to install) and is replaced, here, by the
// real part when it lands. Nothing else in the program may depend on a stand-in.
#pragma once

#include "driver/phases.h"

namespace driver {

/// Every phase of the run as the program binds it today: the real ones where they exist, the
/// stand-ins of this file elsewhere.
Phases& productionPhases();

}  // namespace driver
