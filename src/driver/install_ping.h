// The install ping as the run sends it: the process-wide texts and the run's results handed to the
// metrics' ping.
#pragma once

#include "driver/phases.h"
#include "metrics/ping.h"

namespace driver {

class MachinePing final : public Ping {
public:
    void send(Configuration& configuration, const PingData& data) override;

private:
    UpdateConf::InstallPing ping_;
};

}  // namespace driver
