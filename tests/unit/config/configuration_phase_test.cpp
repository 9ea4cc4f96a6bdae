#include <gtest/gtest.h>

#include "config_test_support.h"
#include "driver/configuration_phase.h"

namespace {

using driver::ConfigKey;

TEST(InstallConfiguration, AnswersTheRunFromTheMergedConfiguration) {
    config_test::Machine machine;
    machine.writeFile(config_test::runtimeFile, "AUTO_UPDATE=Disable\n");
    machine.commandLine(R"(/s /lang:1036 INSTALLDIR=C:\Z NO_VERIFY=Enable WEB_ZARN_SECURITY_LEVEL=M /l C:\m.log /qn)");
    driver::InstallConfiguration configuration;
    ASSERT_EQ(configuration.load(platform::machine().system().commandLine()), 0);

    EXPECT_TRUE(configuration.has(ConfigKey::switchSilent));
    EXPECT_FALSE(configuration.has(ConfigKey::switchDownload));
    EXPECT_TRUE(configuration.isSilent());
    EXPECT_EQ(configuration.integer(ConfigKey::switchLang), 1036);
    EXPECT_EQ(configuration.text(ConfigKey::installDir), "C:\\Z");
    EXPECT_TRUE(configuration.boolean(ConfigKey::noVerify));
    EXPECT_FALSE(configuration.boolean(ConfigKey::autoUpdate)) << "from the runtime file";
    EXPECT_FALSE(configuration.boolean(ConfigKey::staticInstall)) << "the default";
    EXPECT_FALSE(configuration.has(ConfigKey::launchedFromTulk));
    EXPECT_FALSE(configuration.boolean(ConfigKey::launchedFromTulk)) << "absent reads false";
    EXPECT_EQ(configuration.integer(ConfigKey::webZarnSecurityLevel), 2);
    EXPECT_EQ(configuration.text(ConfigKey::msiCmdline), "/qn");
    EXPECT_EQ(configuration.text(ConfigKey::cmdline),
              R"(AUTO_UPDATE="Disable" INSTALLDIR="C:\Z" WEB_ZARN_SECURITY_LEVEL="M")");
    EXPECT_EQ(configuration.installLogPath(), "C:\\m.log");
}

TEST(InstallConfiguration, ExportAndRestoreWriteTheRuntimeFile) {
    config_test::Machine machine;
    machine.commandLine("/s EULA=Enable");
    driver::InstallConfiguration configuration;
    ASSERT_EQ(configuration.load(platform::machine().system().commandLine()), 0);
    EXPECT_EQ(configuration.exportSettings(), 0);
    EXPECT_EQ(machine.file(config_test::runtimeFile), "EULA=Enable\n");
    configuration.restoreRuntimeConfig();
    EXPECT_EQ(machine.file(config_test::runtimeFile), "(none)");
}

TEST(InstallConfiguration, ReadingBeforeLoadingIsAProgrammingError) {
    config_test::Machine machine;
    driver::InstallConfiguration configuration;
    EXPECT_THROW(configuration.has(ConfigKey::switchSilent), std::logic_error);
}

}  // namespace
