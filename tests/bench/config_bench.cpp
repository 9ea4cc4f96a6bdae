// The largest install configuration file the installer accepts (1 MiB less one byte) read as a run
// reads it: the command line naming it, the file parsed and every line validated against the key
// table, the runtime file and the defaults merged. Runs on the simulated machine, natively.
#include <benchmark/benchmark.h>

#include <string>

#include "config/install_config_data.h"
#include "platform/sim/sim_machine.h"
#include "settings/constants.h"

namespace {

constexpr const char* installFile = "C:\\admin\\zarn.cfg";

/// An administrator's file: each setting with a comment above it, over and over (a later line of a
/// key wins), cut at the last whole line that fits.
std::string largestInstallFile() {
    const char* const block =
        "# Install without any window.\r\nINSTALL_SILENT=Enable\r\n"
        "# Keep updates on.\r\nAUTO_UPDATE=Enable\r\n"
        "# Where the runtime goes.\r\nINSTALLDIR=C:\\Program Files\\Zarn\\Runtime\r\n"
        "WEB_ANALYTICS=Disable\r\nEULA=Disable\r\nSPONSORS=0\r\nSTATIC=Disable\r\n"
        "WEB_ZARN_SECURITY_LEVEL=H\r\nREBOOT=Disable\r\nNOSTARTMENU=Enable\r\n";
    std::string text;
    while (text.size() + std::char_traits<char>::length(block) < settings_impl::maxFileSize) text += block;
    return text;
}

void LoadLargestInstallFile(benchmark::State& state) {
    sim::MachineScope sim;
    const std::string text = largestInstallFile();
    sim->fileSystem().makeDirectories("C:\\admin");
    sim->fileSystem().writeAll(installFile, text);
    const std::u16string commandLine = u"kobuoffline.exe INSTALLCFG=C:\\admin\\zarn.cfg";
    for (auto _ : state) {
        config::InstallConfigData data;
        if (const int result = data.LoadConfigSettings(commandLine); result != 0) {
            state.SkipWithError(("the file was refused with " + std::to_string(result)).c_str());
            break;
        }
        benchmark::DoNotOptimize(data.isSilent());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(text.size()));
    state.counters["file_bytes"] = static_cast<double>(text.size());
}
BENCHMARK(LoadLargestInstallFile)->Unit(benchmark::kMillisecond)->MinTime(1.0);

}  // namespace

BENCHMARK_MAIN();
