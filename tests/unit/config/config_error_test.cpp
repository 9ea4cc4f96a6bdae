#include <gtest/gtest.h>

#include "config/install_config_data.h"
#include "config_test_support.h"

namespace {

using config::InstallConfigData;

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
        {"308", 308, nullptr},
        {"309", 309, nullptr},
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
        EXPECT_EQ(boxes[0].caption, "Zarn Installation Not Completed") << row.name;
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

TEST(ShowConfigError, LongTextIsCutToTheBuffer) {
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
}

TEST(ShowConfigError, PlaceholdersInTheArgumentStayText) {
    config_test::Machine machine;
    InstallConfigData data;
    InstallConfigData::ShowConfigError(platform::Module::self, data.workingConfig(), 313, "C:\\%s%n.cfg", false);
    ASSERT_EQ(machine.boxes().size(), 1u);
    EXPECT_NE(machine.boxes()[0].text.find("Configuration file C:\\%s%n.cfg is malformed in line <line number>."),
              std::string::npos);
}

}  // namespace
