// The settings of the install configuration that the run reads.
#pragma once

namespace driver {

enum class ConfigKey {
    switchSilent,    // "/s"
    switchDownload,  // "-download"
    switchLang,      // "/lang"
    installSilent,
    staticInstall,
    autoUpdate,
    oemUpdate,
    noVerify,
    launchedFromTulk,
    testFinalDialog,
    testProgressDialog,
    testWelcomeDialog,
    testChangeDialog,
    webZarnSecurityLevel,
    testConfigFileErrors,
    installDir,
    countryOverride,
    msiCmdline,
    cmdline,
    webAnalytics,
};

}  // namespace driver
