#include "driver/removal_phase.h"

#include "foundation/catch_handlers.h"
#include "scrub/removal_sequence.h"

namespace driver {

RemovalResult MachineRemoval::run() {
    RemovalResult result;
    // Reading the installed runtimes comes before the report exists; nothing here may end the run.
    try {
        result.pingData = zscrub::runSequence();
        result.offered = true;
    }
    ZARN_CATCH_ALL_BUT_EXIT
    return result;
}

}  // namespace driver
