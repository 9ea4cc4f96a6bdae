// The command line is the administrator's outside input: split by Windows' rules, then read as
// switches and KEY=VALUE settings. Any line must end in a result code, never in a crash or an overrun.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "config/install_config_data.h"
#include "foundation/logger.h"
#include "platform/sim/sim_machine.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // One simulated machine for the whole session, without a log: each input would otherwise grow it.
    static const auto machine = [] {
        auto scope = std::make_unique<sim::MachineScope>();
        replaceLogger(Logger{});
        return scope;
    }();

    std::u16string line(size / 2, u'\0');
    for (std::size_t i = 0; i < line.size(); ++i) {
        line[i] = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
    }
    config::InstallConfigData configuration;
    const int result = configuration.LoadConfigSettings(line);
    (void)result;
    return 0;
}
