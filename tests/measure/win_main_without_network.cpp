// kobuoffline.exe without its options step: the baseline against which scripts/measure times what the
// network costs an offline run. Everything else is the program's own.
#include <windows.h>

#include "driver/embedded_payload.h"
#include "driver/main_flow.h"
#include "driver/production_phases.h"
#include "foundation/logger.h"
#include "foundation/sys_info.h"
#include "platform/win32/win32_machine.h"

namespace {

class WithoutNetwork final : public driver::Payload {
public:
    explicit WithoutNetwork(driver::Payload& payload) : payload_(payload) {}
    std::string preparePackagePath() override { return payload_.preparePackagePath(); }
    bool writePackage(const std::string& path) override { return payload_.writePackage(path); }
    int getOptionsFromXmlIfOnline(bool) override { return 0; }
    std::string commandLine(const driver::PackageAction& action) override { return payload_.commandLine(action); }
    int execCommand(const driver::PackageAction& action) override { return payload_.execCommand(action); }
    void releasePackage() override { payload_.releasePackage(); }

private:
    driver::Payload& payload_;
};

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
    static platform::win32::Win32Machine machine;
    platform::installMachine(&machine);
    startLogging();
    SysInfo::initialize();
    driver::Phases& p = driver::productionPhases();
    static WithoutNetwork payload(p.payload);
    static driver::Phases phases{p.system,   p.startup,    p.files,      p.configuration, p.localization,
                                 p.runtimes, p.metrics,    payload,      p.wizard,        p.progress,
                                 p.removal,  p.completion, p.autoUpdate, p.ping};
    return driver::RunInstaller(phases, commandLine != nullptr ? commandLine : "");
}
