// The entry point: the real machine goes in before anything else runs, then the installer takes over.
#include <windows.h>

#include <string>

#include "foundation/logger.h"
#include "platform/win32/win32_machine.h"

namespace {

// The installer run itself arrives with the driver; until then the program starts, logs and reports
// that nothing was installed.
constexpr int notInstalled = 1;

int runInstaller(const char* commandLine) {
    LOG_INFO("Wrapper begin...");
    LOG_INFO("Running offline Kobu wrapper with command line=<" << (commandLine ? commandLine : "") << ">");
    return notInstalled;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
    static platform::win32::Win32Machine machine;
    platform::installMachine(&machine);
    startLogging();
    return runInstaller(commandLine);
}
