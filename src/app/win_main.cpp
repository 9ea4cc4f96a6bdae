// The entry point: the real machine goes in before anything else runs, then the installer run takes over.
#include <windows.h>

#include "driver/main_flow.h"
#include "driver/production_phases.h"
#include "foundation/logger.h"
#include "foundation/sys_info.h"
#include "html_ui/dialog.h"
#include "net/request_deadline.h"
#include "platform/win32/win32_machine.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
    static platform::win32::Win32Machine machine;
    platform::installMachine(&machine);
    startLogging();
    SysInfo::initialize();
    ui::initDialogSettings();
    const int exitCode = driver::RunInstaller(driver::productionPhases(), commandLine != nullptr ? commandLine : "");
    // A request still running past the run's last wait may use the machine and the log: their destructors
    // must not run under it, so the process ends here, as it is.
    if (!net::awaitAbandonedRequests(0)) TerminateProcess(GetCurrentProcess(), static_cast<UINT>(exitCode));
    return exitCode;
}
