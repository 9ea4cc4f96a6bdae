#include <gtest/gtest.h>

#include "config/install_config_data.h"
#include "config_test_support.h"
#include "driver/configuration_phase.h"
#include "platform/win_errors.h"

namespace {

using config::InstallConfigData;
using config_test::load;
using config_test::runtimeFile;
using config_test::valueOf;
using driver::ConfigKey;

constexpr const char* installFile = "C:\\admin\\zarn.cfg";

class InstallConfigDataTest : public testing::Test {
protected:
    config_test::Machine machine;
};

TEST_F(InstallConfigDataTest, WithoutSourcesTheWorkingConfigurationIsTheDefaults) {
    InstallConfigData data;
    ASSERT_EQ(load(data), 0);
    EXPECT_EQ(InstallConfigData::dumpConfig(data.workingConfig(), "W"),
              "|------W--------|\n\nINSTALL_SILENT = Disable\nSTATIC = Disable\nAUTO_UPDATE = Enable\nSPONSORS = Enable\n"
              "WEB_ANALYTICS = Enable\nEULA = Disable\nOEMUPDATE = Disable\n|-------------------------------------|\n");
    EXPECT_FALSE(data.isSilent());

    // Nothing exported equals the empty backup: an export holding any default would be written.
    EXPECT_EQ(data.SaveRuntimeConfig(), 0);
    EXPECT_EQ(machine.file(runtimeFile), "(none)");
    EXPECT_NE(machine.log().find("Nothing new to export to runtime."), std::string::npos);
    EXPECT_TRUE(machine.boxes().empty());
}

TEST_F(InstallConfigDataTest, FirstInstallWritesOnlyTheExportedSettingAndAFailedLaterInstallPutsItBack) {
    machine.commandLine("INSTALL_SILENT=Enable STATIC=Enable");
    {
        InstallConfigData first;
        ASSERT_EQ(load(first), 0);
        EXPECT_TRUE(first.isSilent());
        ASSERT_EQ(first.SaveRuntimeConfig(), 0);
    }
    const std::string written = machine.file(runtimeFile);
    EXPECT_EQ(written, "INSTALL_SILENT=Enable\n");

    machine.commandLine("AUTO_UPDATE=Disable EULA=Enable");
    InstallConfigData second;
    ASSERT_EQ(load(second), 0);
    EXPECT_TRUE(second.isSilent()) << "the runtime file's setting holds for the next run";
    ASSERT_EQ(second.SaveRuntimeConfig(), 0);
    EXPECT_EQ(machine.file(runtimeFile), "AUTO_UPDATE=Disable\r\nEULA=Enable\r\nINSTALL_SILENT=Enable\r\n");
    ASSERT_EQ(second.RestoreRuntimeConfig(), 0);
    EXPECT_EQ(machine.file(runtimeFile), "INSTALL_SILENT=Enable\r\n");
}

TEST_F(InstallConfigDataTest, CommandLineOverInstallFileOverRuntimeFileOverDefaults) {
    machine.writeFile(runtimeFile, "AUTO_UPDATE=Disable\nEULA=Enable\nSPONSORS=Disable\nWEB_ANALYTICS=Disable\n");
    machine.writeFile(installFile, "# by the administrator\nEULA=Disable\nSPONSORS=Enable\n");
    machine.commandLine(std::string("INSTALLCFG=") + installFile + " SPONSORS=0");
    InstallConfigData data;
    ASSERT_EQ(load(data), 0);
    const auto& working = data.workingConfig();
    EXPECT_EQ(valueOf(working, "WEB_ANALYTICS"), "Disable") << "runtime file";
    EXPECT_EQ(valueOf(working, "AUTO_UPDATE"), "Disable") << "runtime file";
    EXPECT_EQ(valueOf(working, "EULA"), "Disable") << "install file";
    EXPECT_EQ(valueOf(working, "SPONSORS"), "0") << "command line";
    EXPECT_EQ(valueOf(working, "STATIC"), "Disable") << "default";
    EXPECT_FALSE(data.getEnableDisable(config::eSponsors));
    EXPECT_EQ(valueOf(data.exportConfig(), "INSTALLCFG"), "(absent)") << "not kept";
    EXPECT_EQ(valueOf(data.exportConfig(), "STATIC"), "(absent)") << "never from the defaults";
    EXPECT_EQ(valueOf(data.backupConfig(), "EULA"), "Enable");
    EXPECT_NE(machine.log().find(std::string("Path to the install configuration file is set to ") + installFile),
              std::string::npos);
}

struct ArgumentRow {
    const char* name;
    std::string arguments;
    int result;
    std::map<std::string, std::string> expected;  // key -> valueOf in the working configuration
    std::string logPath = "";
};

TEST_F(InstallConfigDataTest, CommandLineArguments) {
    const ArgumentRow rows[] = {
        {"lower-case key stored canonically", "install_silent=Enable", 0, {{"INSTALL_SILENT", "Enable"}}},
        {"colon separator", "AUTO_UPDATE:Disable", 0, {{"AUTO_UPDATE", "Disable"}}},
        {"prefix switch stored under its key", "/Q", 0, {{"/q", "(no value)"}, {"MSI_CMDLINE", "/Q"}}},
        {"pass-through list", "ADDLOCAL=x /q", 0,
         {{"ADDLOCAL", "x"}, {"/q", "(no value)"}, {"MSI_CMDLINE", "ADDLOCAL=x /q"}}},
        {"log switch takes the next argument", R"(/L*v C:\logs\msi.log)", 0, {{"/l", "(absent)"}},
         R"(C:\logs\msi.log)"},
        {"switch spelled in upper case", "/S", 313, {{"/s", "(absent)"}}},
        {"switch with a value", "/s=1", 313, {{"/s", "(absent)"}}},
        {"setting without value", "INSTALLDIR", 313, {{"INSTALLDIR", "(absent)"}}},
        {"empty argument skipped", "\"\" /s", 0, {{"/s", "(no value)"}}},
        {"relative directory refused", R"(INSTALLDIR=Zarn\kobu1.8.0_45)", 313, {{"INSTALLDIR", "(absent)"}}},
        {"install file without drive refused", R"(INSTALLCFG=\admin\zarn.cfg)", 313, {{"INSTALLCFG", "(absent)"}}},
        {"CMDLINE doubles the quotes inside a value",
         R"("/installmethod=x\" ADDLOCAL=\"y")",
         0,
         {{"CMDLINE", R"(/installmethod="x"" ADDLOCAL=""y")"}}},
        {"enterprise-only setting", R"(DEPLOYMENT_RULE_SET=C:\rules.jar)", 3090, {}},
    };
    for (const auto& row : rows) {
        config_test::Machine fresh;
        fresh.commandLine(row.arguments);
        InstallConfigData data;
        EXPECT_EQ(load(data), row.result) << row.name;
        for (const auto& [key, value] : row.expected) {
            EXPECT_EQ(valueOf(data.workingConfig(), key.c_str()), value) << row.name << ": " << key;
        }
        EXPECT_EQ(data.installLogPath(), row.logPath) << row.name;
    }
}

TEST_F(InstallConfigDataTest, AnArgumentIsOneLineOfConfiguration) {
    machine->system().settings().commandLine = u"k.exe \"EULA=Enable\nINSTALL_SILENT=Enable\"";
    InstallConfigData data;
    EXPECT_EQ(load(data), 313);
    EXPECT_EQ(valueOf(data.workingConfig(), "INSTALL_SILENT"), "Disable");
}

TEST_F(InstallConfigDataTest, FailedSwitchesAreListedInOneBox) {
    machine.commandLine("FOO=1 INSTALL_SILENT=enable /l");
    InstallConfigData data;
    EXPECT_EQ(load(data), 313);
    const auto boxes = machine.boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, "Zarn Installation Not Completed");
    EXPECT_EQ(boxes[0].type, platform::mb::iconError);
    EXPECT_EQ(boxes[0].text,
              "Unable to install Zarn\n\nThere are errors in the following switches:\n"
              "\"FOO=1\";\"INSTALL_SILENT=enable\";\"/l\";.\n\nCheck that the commands are valid and try again.");
    const std::string log = machine.log();
    EXPECT_NE(log.find("ERROR: arg FOO=1 is not supported\n"), std::string::npos);
    EXPECT_NE(log.find("ERROR: Loading arg INSTALL_SILENT=enable failed with 313\n"), std::string::npos);
    EXPECT_NE(log.find("ERROR: arg /l is incorrect\n"), std::string::npos);
    EXPECT_NE(log.find("ERROR: Error occurred while importing important args. Exiting installer.\n"),
              std::string::npos);
}

// /s and INSTALL_SILENT make a run silent in InstallConfiguration's and FirstInstall's tests.
TEST_F(InstallConfigDataTest, SilentRunsShowNoBox) {
    machine.commandLine("-download FOO=1");
    InstallConfigData data;
    EXPECT_EQ(load(data), 313);
    EXPECT_TRUE(machine.boxes().empty());
    EXPECT_NE(machine.log().find("There are errors in the following switches"), std::string::npos);
}

TEST_F(InstallConfigDataTest, MalformedInstallFileNamesItsLine) {
    machine.writeFile(installFile, "EULA=Enable\nAUTO_UPDATE=Enable\nSPONSORS=maybe\n");
    machine.commandLine(std::string("INSTALLCFG=") + installFile);
    InstallConfigData data;
    EXPECT_EQ(load(data), 313);
    const auto boxes = machine.boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, std::string("Unable to install Zarn\n\nConfiguration file ") + installFile +
                                 " is malformed in line 3.\nCheck data and formatting of the file.");
    EXPECT_NE(machine.log().find("ERROR: Install Configuration file import failed with 313\n"), std::string::npos);
}

struct FileRow {
    const char* name;
    std::string runtimeText;       // empty: no file
    const char* fault = nullptr;   // operation made to fail with access denied
    int result;
};

TEST_F(InstallConfigDataTest, RuntimeFile) {
    const FileRow rows[] = {
        {"missing is no error", "", nullptr, 0},
        {"cannot be opened", "EULA=Enable\n", "FileSystem.createFile", 305},
        {"switch in a file", "/s\n", nullptr, 313},
        {"unknown key", "COLOR=blue\n", nullptr, 313},
    };
    for (const auto& row : rows) {
        config_test::Machine fresh;
        if (!row.runtimeText.empty()) fresh.writeFile(runtimeFile, row.runtimeText);
        InstallConfigData data;
        // The log writes through the same file system: every call fails, not just the next one.
        if (row.fault != nullptr) fresh->faults().fail(row.fault, platform::err::accessDenied, -1);
        EXPECT_EQ(load(data), row.result) << row.name;
        EXPECT_EQ(fresh.boxes().size(), row.result == 0 ? 0u : 1u) << row.name;
    }
}

TEST_F(InstallConfigDataTest, CommandLineThatCannotBeSplit) {
    InstallConfigData data;
    machine->faults().fail("System.splitCommandLine", 87);
    EXPECT_EQ(load(data), 200);
    EXPECT_NE(machine.log().find("ERROR: CommandLineToArgvW failed with system error 87"), std::string::npos);
}

TEST_F(InstallConfigDataTest, RestoreRemovesAFileTheRunCreatedAndAFailedWriteIsReported) {
    machine.commandLine("EULA=Enable");
    InstallConfigData data;
    ASSERT_EQ(load(data), 0);
    ASSERT_EQ(data.SaveRuntimeConfig(), 0);
    EXPECT_EQ(machine.file(runtimeFile), "EULA=Enable\n");
    ASSERT_EQ(data.RestoreRuntimeConfig(), 0);
    EXPECT_EQ(machine.file(runtimeFile), "(none)");
    machine->faults().fail("FileSystem.writeFile", platform::err::accessDenied, -1);
    EXPECT_EQ(data.SaveRuntimeConfig(), 306);
    EXPECT_EQ(machine.boxes().size(), 1u) << "its text is ShowConfigError's row";
}

// The runtime file is read for the settings the installer keeps there and nothing else: a CMDLINE,
// STATIC or INSTALLDIR found in it does not reach the package, and the file comes back whole.
TEST(RuntimeFileTest, OnlyExportedSettingsAreTakenFromIt) {
    config_test::Machine machine;
    const std::string file =
        "INSTALL_SILENT=Enable\nSTATIC=Enable\nINSTALLDIR=C:\\Elsewhere\nCMDLINE=ADDLOCAL=all\nEULA=Enable\n";
    machine.writeFile(runtimeFile, file);
    machine.commandLine("AUTO_UPDATE=Disable");
    InstallConfigData data;
    ASSERT_EQ(load(data), 0);
    EXPECT_EQ(valueOf(data.workingConfig(), "INSTALL_SILENT"), "Enable");
    EXPECT_EQ(valueOf(data.workingConfig(), "EULA"), "Enable");
    EXPECT_EQ(valueOf(data.workingConfig(), "STATIC"), "Disable") << "the default stands";
    EXPECT_EQ(valueOf(data.workingConfig(), "INSTALLDIR"), "(absent)");
    EXPECT_EQ(valueOf(data.workingConfig(), "CMDLINE"),
              R"(INSTALL_SILENT="Enable" AUTO_UPDATE="Disable" EULA="Enable")")
        << "no STATIC and no INSTALLDIR from the file";
    for (const char* key : {"STATIC", "INSTALLDIR", "CMDLINE"}) {
        EXPECT_NE(machine.log().find(std::string("Ignoring ") + key +
                                     " in the runtime configuration file: only exported settings are read from it"),
                  std::string::npos)
            << key;
    }
    ASSERT_EQ(data.RestoreRuntimeConfig(), 0);
    EXPECT_EQ(
        machine.file(runtimeFile),
        "CMDLINE=ADDLOCAL=all\r\nEULA=Enable\r\nINSTALLDIR=C:\\Elsewhere\r\nINSTALL_SILENT=Enable\r\nSTATIC=Enable\r\n")
        << "a failed installation puts back everything the file held";
}


struct ErrorRow {
    const char* name;
    std::int32_t code;
    const char* shown;  // nullptr: logged only
};

TEST(ShowConfigError, EachCodeHasItsMessage) {
    const std::string head = "Unable to install Zarn\n\n";
    const ErrorRow rows[] = {
        {"internal", 200,
         "An internal error occurred.\nCheck that configuration files are valid and that all settings are correct."},
        {"cannot open", 304,
         "Unable to open file F.\nCheck that the configuration file exists and that the path to the file is correct."},
        {"no permission", 305,
         "Cannot read configuration file F due to invalid permissions.\nCheck that you have sufficient permissions to "
         "read this file."},
        {"write failed", 306, "Writing to the runtime configuration file failed.\nCheck permissions and settings."},
        {"read failed", 307,
         "An error occurred while reading file F.\nCheck that the file is valid and that all settings are correct."},
        {"path too long", 310, "The path to the install configuration file is too long.\nCheck that the path is correct."},
        {"path invalid", 311, "The path to the install configuration file is invalid.\nCheck that the path is correct."},
        {"path not text", 312,
         "The path to the install configuration file is not in plain text.\nCheck that the path is correct."},
        {"malformed without lines", 313,
         "Configuration file F is malformed in line <line number>.\nCheck data and formatting of the file."},
        {"not plain text", 314, "Configuration file F is not in plain text.\nCheck formatting and try again."},
        {"too long", 315, "Configuration file F is too long.\nCheck that the file is correct."},
        {"switches", 3090,
         "There are errors in the following switches:\nF.\n\nCheck that the commands are valid and try again."},
        {"empty argument", 300, nullptr},
    };
    for (const auto& row : rows) {
        config_test::Machine machine;
        InstallConfigData data;
        EXPECT_FALSE(InstallConfigData::ShowConfigError(platform::Module::self, data.workingConfig(), row.code, "F",
                                                        false))
            << row.name;
        const auto boxes = machine.boxes();
        if (row.shown == nullptr) {
            EXPECT_TRUE(boxes.empty()) << row.name;
            continue;
        }
        ASSERT_EQ(boxes.size(), 1u) << row.name;
        EXPECT_EQ(boxes[0].text, head + row.shown) << row.name;
        EXPECT_EQ(boxes[0].owner, platform::Window::null) << row.name;
        EXPECT_NE(machine.log().find("INFO: " + head + row.shown), std::string::npos) << row.name;
    }
}

TEST(ShowConfigError, SuccessUnknownCodesAndSilence) {
    config_test::Machine machine;
    InstallConfigData data;
    EXPECT_TRUE(InstallConfigData::ShowConfigError(platform::Module::self, data.workingConfig(), 0, "F", false));
    EXPECT_FALSE(InstallConfigData::ShowConfigError(platform::Module::self, data.workingConfig(), 999, "F", false));
    EXPECT_FALSE(InstallConfigData::ShowConfigError(platform::Module::self, data.workingConfig(), 304, "F", true));
    EXPECT_TRUE(machine.boxes().empty());
    EXPECT_NE(machine.log().find("INFO: Unknown Error code 999\n"), std::string::npos);
    EXPECT_NE(machine.log().find("INFO: Unable to install Zarn\n\nUnable to open file F."), std::string::npos);
}

TEST(ShowConfigError, LongTextIsCutToTheBufferAndPlaceholdersStayText) {
    config_test::Machine machine;
    InstallConfigData data;
    // The text before the list takes 68 bytes, so the two-byte character straddles the 1023rd byte: it
    // goes whole.
    const std::string list = std::string(954, 'x') + "\xC3\xA4" + std::string(100, 'z');
    InstallConfigData::ShowConfigError(platform::Module::self, data.workingConfig(), 3090, list, false);
    ASSERT_EQ(machine.boxes().size(), 1u);
    const std::string shown = machine.boxes()[0].text;
    EXPECT_EQ(shown.size(), 1022u);
    EXPECT_EQ(shown.back(), 'x');

    InstallConfigData::ShowConfigError(platform::Module::self, data.workingConfig(), 313, "C:\\%s%n.cfg", false);
    ASSERT_EQ(machine.boxes().size(), 2u);
    EXPECT_NE(machine.boxes()[1].text.find("Configuration file C:\\%s%n.cfg is malformed in line <line number>."),
              std::string::npos);
}

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
    EXPECT_FALSE(configuration.boolean(ConfigKey::launchedFromTulk)) << "absent reads false";
    EXPECT_EQ(configuration.integer(ConfigKey::webZarnSecurityLevel), 2);
    EXPECT_EQ(configuration.text(ConfigKey::msiCmdline), "/qn");
    EXPECT_EQ(configuration.text(ConfigKey::cmdline),
              R"(AUTO_UPDATE="Disable" INSTALLDIR="C:\Z" WEB_ZARN_SECURITY_LEVEL="M")");
    EXPECT_EQ(configuration.installLogPath(), "C:\\m.log");
}

}  // namespace
