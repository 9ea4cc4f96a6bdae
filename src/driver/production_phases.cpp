#include "driver/production_phases.h"

#include "driver/auto_update.h"
#include "driver/completion_phase.h"
#include "driver/configuration_phase.h"
#include "driver/driver_constants.h"
#include "driver/embedded_payload.h"
#include "driver/install_ping.h"
#include "driver/removal_phase.h"
#include "driver/runtime_rules_phase.h"
#include "driver/startup_phase.h"
#include "driver/system_phase.h"
#include "driver/wizard_phase.h"

namespace driver {

Phases& productionPhases() {
    static MachineSystemFacts system;
    static MachineStartup startup;
    static MachineFileOps files;
    static InstallConfiguration configuration;
    static MachineLocalization localization;
    static MachineRuntimeRules runtimes(localization);
    static MachineMetrics metrics;
    static EmbeddedPayload payload;
    static DialogWizard wizard(configuration);
    static ProgressWindow progress;
    static MachineRemoval removal;
    static MachineCompletion completion;
    static MachineAutoUpdate autoUpdate;
    static MachinePing ping;
    static Phases phases{system,  startup, files,    configuration, localization, runtimes,   metrics,
                         payload, wizard,  progress, removal,       completion,   autoUpdate, ping};
    return phases;
}

}  // namespace driver
