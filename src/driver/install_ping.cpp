#include "driver/install_ping.h"

#include "driver/process_values.h"
#include "driver/system_phase.h"

namespace driver {

void MachinePing::send(Configuration& configuration, const PingData& data) {
    const ProcessValues& values = processValues();
    MachineSystemFacts system;
    const UpdateConf::PingContext context{values.postStatusUrl, values.countryCode, values.installMethod,
                                          system.is64BitProcess()};
    UpdateConf::PingReport report = data;
    report.removalData = data.removal.pingData ? &*data.removal.pingData : nullptr;
    ping_.send(configuration.boolean(ConfigKey::webAnalytics), context, report);
}

}  // namespace driver
