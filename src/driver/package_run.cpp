#include "driver/package_run.h"

#include <optional>

#include "driver/driver_constants.h"
#include "driver/mendara_registry.h"
#include "foundation/catch_handlers.h"
#include "msi/action.h"
#include "msi/install_callback.h"
#include "msi/msi_error.h"

namespace driver {

namespace {

constexpr int notAnInstallerError = 1603;

}  // namespace

std::string ComposeCommandLine(const PackageAction& action) {
    return msi::buildCommandLine(action.extraCommandLine, action.properties);
}

int ExecCommand(const PackageAction& action, const std::function<bool()>& packageIntact) {
    WritePolicyValue(postStatusUrlValue, std::nullopt);
    int result = notAnInstallerError;
    try {
        if (packageIntact && !packageIntact()) return result;
        InstallCallback callback;
        msi::action<msi::install> install;
        install.properties = action.properties;
        install.commandLine = action.extraCommandLine;
        install.uiLevel = static_cast<std::uint32_t>(action.internalUiLevel);
        install.callback = &callback;
        install.logFile = action.logPath;
        install.packagePath = action.packagePath;
        install.execute();
        result = 0;
    } catch (const msi::Error& e) {
        logCaughtException(ZARN_LOCATION, e);
        result = static_cast<int>(e.code());
    }
    ZARN_CATCH_ALL_BUT_EXIT
    return result;
}

}  // namespace driver
