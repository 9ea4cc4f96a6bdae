// STAND-INS for the parts of the run that are not built yet; see stand_ins.h. Each class names the
// part it stands in for.
#include "driver/stand_ins.h"

#include "driver/auto_update.h"
#include "driver/configuration_phase.h"
#include "driver/driver_constants.h"
#include "driver/embedded_payload.h"
#include "driver/process_values.h"
#include "driver/runtime_rules_phase.h"
#include "driver/startup_phase.h"
#include "driver/system_phase.h"
#include "driver/wizard_phase.h"
#include "metrics/update_conf.h"
#include "metrics/update_utils.h"

namespace driver {

namespace {

// Stands in for the removal sequence, the completion pages and the ping: nothing is offered, shown or
// sent.
class RemovalStandIn final : public Removal {
public:
    RemovalResult run() override { return {}; }
};

class CompletionStandIn final : public Completion {
public:
    void finishWithSecurityPrompts(const std::string&, bool, bool, const std::string&) override {}
    void showError(int) override {}
    void testFinalDialog(bool) override {}
};

// Stands in for the ping's body and its sending. Until they come it does what the ping does before
// it sends, so that the metrics are right already: with pings on and an address of the product's, it
// takes the install status (no counting for a "reinstall"), and counts the run.
class PingStandIn final : public Ping {
public:
    void send(Configuration& configuration, const PingData& data) override {
        const std::string& address = processValues().postStatusUrl;
        if (!configuration.boolean(ConfigKey::webAnalytics) || !UpdateUtils::IsAllowedUrl(address)) return;
        UpdateConf::GetVisitorId();
        const std::string status = UpdateConf::ReadInstallStatus();
        UpdateConf::ClearInstallStatus();
        if (status == reinstallStatus) return;
        int result = data.installResult;
        if (result == 1638 || (status == "exists" && (result == 1603 || result == 1602))) result = -128;
        if (result != 0 || status == "decline") {
            UpdateConf::WritePolicyValue(visitorIdValue, std::nullopt);
            UpdateConf::WritePolicyValue(methodValue, std::nullopt);
        }
        UpdateConf::GetUpdatedKobuMetrics(result);
    }
};

}  // namespace

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
    static RemovalStandIn removal;
    static CompletionStandIn completion;
    static MachineAutoUpdate autoUpdate;
    static PingStandIn ping;
    static Phases phases{system,  startup, files,    configuration, localization, runtimes,   metrics,
                         payload, wizard,  progress, removal,       completion,   autoUpdate, ping};
    return phases;
}

}  // namespace driver
