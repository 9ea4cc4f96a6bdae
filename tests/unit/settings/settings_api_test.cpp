#include <gtest/gtest.h>

#include <vector>

#include "platform/sim/sim_machine.h"
#include "platform/win_errors.h"
#include "settings/settings_api.h"
#include "settings_test_support.h"

namespace {

using settings::Context;
namespace code = settings_impl::code;

class SettingsApiTest : public testing::Test {
protected:
    SettingsApiTest() : api(settings::getSettingsApi()), context(api.createContext()) {}
    ~SettingsApiTest() override { api.destroyContext(context); }

    std::int32_t load(const char* text, bool stopOnError = true, bool allowKeyWithoutValue = false) {
        return api.loadString(context, text, nullptr, nullptr, stopOnError, allowKeyWithoutValue);
    }
    std::vector<std::uint32_t> errorLines() {
        const std::uint32_t* lines = nullptr;
        std::uint32_t count = 0;
        EXPECT_EQ(api.getErrorLines(context, &lines, &count), 0);
        return lines == nullptr ? std::vector<std::uint32_t>{} : std::vector<std::uint32_t>(lines, lines + count);
    }
    std::string keys() {
        std::string out;
        api.forEachKey(
            context,
            [](Context*, std::uint32_t count, std::uint32_t index, const char* key, void* user) {
                *static_cast<std::string*>(user) += std::to_string(index) + "/" + std::to_string(count) + ":" + key + ";";
            },
            &out);
        return out;
    }
    std::string text(const char* key) {
        const char* value = "(unset)";
        const auto result = api.getString(context, key, &value);
        return result == 0 ? value : "error " + std::to_string(result);
    }

    sim::MachineScope sim;
    settings::settings_api api;
    Context* context;
};

TEST_F(SettingsApiTest, RuntimeConfigPathUnderCommonAppData) {
    const char* path = nullptr;
    ASSERT_EQ(api.getRuntimeConfigPath(context, &path), 0);
    EXPECT_STREQ(path, "C:\\ProgramData\\Corvane\\Zarn\\zarn.settings.cfg");
    sim->faults().fail("System.folderPath", platform::err::fileNotFound);
    EXPECT_EQ(settings_test::codeOf([&] { api.destroyContext(api.createContext()); }), code::internalError);
}

TEST_F(SettingsApiTest, NullArguments) {
    const char* text = nullptr;
    std::int32_t flag = 0;
    const std::uint32_t* lines = nullptr;
    std::uint32_t count = 0;
    const std::int32_t results[] = {
        api.getRuntimeConfigPath(context, nullptr),
        api.loadFile(context, nullptr, nullptr, nullptr, true, false),
        api.loadFile(context, "", nullptr, nullptr, true, false),
        api.mergeContext(context, nullptr),
        api.getErrorLines(context, &lines, nullptr),
        api.getErrorLines(nullptr, &lines, &count),
        api.saveFile(context, nullptr),
        api.saveFile(context, ""),
        api.equalContexts(context, nullptr, &flag),
        api.forEachKey(context, nullptr, nullptr),
        api.getString(context, nullptr, &text),
        api.getBool(context, "A", nullptr),
        api.buildValidator(nullptr, nullptr),
        api.addFixedValues(nullptr, "A", nullptr, 0),
        api.buildKeyMapper(nullptr, nullptr),
        api.addKeyMapping(nullptr, "a", "A", 0),
    };
    for (std::size_t i = 0; i < std::size(results); ++i) EXPECT_EQ(results[i], code::nullArgument) << "call " << i;
}

TEST_F(SettingsApiTest, LoadsAddToTheContext) {
    std::int32_t empty = 0;
    ASSERT_EQ(api.isEmpty(context, &empty), 0);
    EXPECT_EQ(empty, 1);
    EXPECT_EQ(load("A=1\nB=2"), 0);
    EXPECT_EQ(load("B=3\nC=4"), 0);
    EXPECT_EQ(keys(), "0/3:A;1/3:B;2/3:C;");
    EXPECT_EQ(text("B"), "3");
    ASSERT_EQ(api.removeKey(context, "B"), 0);
    ASSERT_EQ(api.removeKey(context, "ABSENT"), 0);
    EXPECT_EQ(keys(), "0/2:A;1/2:C;");
}

TEST_F(SettingsApiTest, StrictLoadFailureLeavesTheContextUnchanged) {
    ASSERT_EQ(load("A=1"), 0);
    EXPECT_EQ(load("B=2\n# c\nwrong\n=bad"), code::malformedLines);
    EXPECT_EQ(errorLines(), std::vector<std::uint32_t>{2});
    EXPECT_EQ(keys(), "0/1:A;");
    EXPECT_NE(sim.log().find("\tERROR: Error reading config file: \"Key without value\" at line 3; char 1\n"),
              std::string::npos);
    EXPECT_EQ(load("C=3"), 0);
    EXPECT_TRUE(errorLines().empty()) << "cleared by the next load";
}

TEST_F(SettingsApiTest, LenientLoadMergesGoodLinesAndStillFails) {
    EXPECT_EQ(load("B=2\nwrong\nC=3\n:x", false), code::malformedLines);
    EXPECT_EQ(errorLines(), (std::vector<std::uint32_t>{1, 3}));
    EXPECT_EQ(keys(), "0/2:B;1/2:C;");
}

TEST_F(SettingsApiTest, TypedGetters) {
    ASSERT_EQ(load("BARE\nFLAG=no\nNUM=0x1F\nREAL=2.5\nWORD=abc", true, true), 0);
    std::int32_t flag = -1;
    std::int32_t number = -1;
    double real = -1;
    EXPECT_EQ(api.getBool(context, "BARE", &flag), 0);
    EXPECT_EQ(flag, 1) << "a key without value reads as set";
    EXPECT_EQ(api.getBool(context, "FLAG", &flag), 0);
    EXPECT_EQ(flag, 0);
    EXPECT_EQ(api.getInt(context, "NUM", &number), 0);
    EXPECT_EQ(number, 31);
    EXPECT_EQ(api.getDouble(context, "REAL", &real), 0);
    EXPECT_DOUBLE_EQ(real, 2.5);

    flag = 7;
    number = 7;
    EXPECT_EQ(api.getBool(context, "ABSENT", &flag), code::missingKey);
    EXPECT_EQ(api.getInt(context, "WORD", &number), code::notUtf8);
    EXPECT_EQ(api.getInt(context, "BARE", &number), code::noValue);
    EXPECT_EQ(flag, 7) << "out-parameters untouched on failure";
    EXPECT_EQ(number, 7);
    EXPECT_EQ(text("BARE"), "error 301");
    EXPECT_EQ(text("ABSENT"), "error 303");
}

TEST_F(SettingsApiTest, MergeAndCompareContexts) {
    Context* other = api.createContext();
    ASSERT_EQ(load("A=1\nB=2"), 0);
    ASSERT_EQ(api.loadString(other, "B=2\nA=1", nullptr, nullptr, true, false), 0);
    std::int32_t equal = 0;
    ASSERT_EQ(api.equalContexts(context, other, &equal), 0);
    EXPECT_EQ(equal, 1);
    ASSERT_EQ(api.loadString(other, "B=3\nC", nullptr, nullptr, true, true), 0);
    ASSERT_EQ(api.equalContexts(context, other, &equal), 0);
    EXPECT_EQ(equal, 0);
    ASSERT_EQ(api.mergeContext(context, other), 0);
    EXPECT_EQ(keys(), "0/3:A;1/3:B;2/3:C;");
    EXPECT_EQ(text("B"), "3");
    api.destroyContext(other);
}

TEST_F(SettingsApiTest, LoadFileResolvesRelativeNamesAndReportsPathErrors) {
    sim->fileSystem().writeAll("C:\\Users\\test\\cfg\\install.cfg", "A=1\r\n");
    EXPECT_EQ(api.loadFile(context, "cfg\\install.cfg", nullptr, nullptr, true, false), 0);
    EXPECT_EQ(text("A"), "1");
    const struct {
        const char* name;
        std::string path;
        std::int32_t code;
    } rows[] = {
        {"missing file", "C:\\none.cfg", code::cannotOpen},
        {"a directory", "C:\\Users", code::cannotOpen},
        {"too long", "C:\\" + std::string(300, 'a'), code::pathTooLong},
        {"not UTF-8", "C:\\\xFF.cfg", code::pathNotUtf8},
        {"above the root", "..\\..\\..\\x.cfg", code::pathInvalid},
        {"device name", "C:\\PRN", code::pathInvalid},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(api.loadFile(context, row.path.c_str(), nullptr, nullptr, true, false), row.code) << row.name;
    }
}

TEST_F(SettingsApiTest, ValidatorAndKeyMapperThroughTheTable) {
    auto* validatorBuilder = api.createValidatorBuilder();
    const settings::FixedValue enableDisable[] = {{"Enable", 1, 1}, {"Disable", 0, 1}};
    ASSERT_EQ(api.addFixedValues(validatorBuilder, "INSTALL_SILENT", enableDisable, 2), 0);
    ASSERT_EQ(api.addIntKey(validatorBuilder, "WEB_ZARN_SECURITY_LEVEL"), 0);
    const settings::FixedValue levels[] = {{"H", 3, 1}, {"VH", 4, 1}};
    ASSERT_EQ(api.addFixedValues(validatorBuilder, "WEB_ZARN_SECURITY_LEVEL", levels, 2), 0);
    ASSERT_EQ(api.addStringKey(validatorBuilder, "INSTALLDIR"), 0);
    ASSERT_EQ(api.addDirnameKey(validatorBuilder, "INSTALLDIR", false), 0);
    settings::Validator* validator = nullptr;
    ASSERT_EQ(api.buildValidator(validatorBuilder, &validator), 0);
    api.destroyValidatorBuilder(validatorBuilder);

    auto* mapperBuilder = api.createKeyMapperBuilder();
    for (const char* key : {"INSTALL_SILENT", "WEB_ZARN_SECURITY_LEVEL", "INSTALLDIR"}) {
        ASSERT_EQ(api.addKeyMapping(mapperBuilder, key, key, 0), 0);
    }
    settings::KeyMapper* mapper = nullptr;
    ASSERT_EQ(api.buildKeyMapper(mapperBuilder, &mapper), 0);
    api.destroyKeyMapperBuilder(mapperBuilder);

    const auto loadChecked = [&](const char* line) {
        return api.loadString(context, line, validator, mapper, true, false);
    };
    EXPECT_EQ(loadChecked("install_silent=Enable\nweb_zarn_security_level=VH\ninstalldir=D:\\Zarn"), 0);
    std::int32_t number = 0;
    EXPECT_EQ(api.getInt(context, "WEB_ZARN_SECURITY_LEVEL", &number), 0);
    EXPECT_EQ(number, 4);
    EXPECT_EQ(text("INSTALLDIR"), "D:\\Zarn");
    EXPECT_EQ(loadChecked("INSTALL_SILENT=enable"), code::malformedLines);
    EXPECT_EQ(loadChecked("INSTALLDIR=Zarn"), code::malformedLines);
    EXPECT_EQ(loadChecked("STATIC=Enable"), code::malformedLines);
    EXPECT_NE(sim.log().find("\"Invalid key\" at line 1; char 1"), std::string::npos);

    api.destroyValidator(validator);
    api.destroyKeyMapper(mapper);
}

}  // namespace
