#include <gtest/gtest.h>

#include <memory>

#include "settings/constants.h"
#include "settings/key_mapper.h"
#include "settings/parser.h"
#include "settings/validator_builder.h"
#include "settings_test_support.h"

namespace {

using namespace settings_impl;
using settings_test::dump;

using Records = std::vector<FixedValueRecord>;

const Records enableDisable = {{"Enable", 1, FixedValueRecord::exactMatch}, {"Disable", 0, FixedValueRecord::exactMatch}};

// Validates `value` for `key`: "" when refused, else "<type>:<text>" or "<type>:<text>:<number>".
std::string check(const ConfigValidator& validator, const std::string& key, std::optional<std::string_view> value) {
    try {
        const auto result = validator.validate(key, value);
        if (!result) return "no value";
        std::string out = std::to_string(result->type()) + ":" + result->text();
        if (result->type() == type::integer) out += ":" + std::to_string(result->asInt());
        return out;
    } catch (const ConfigValidator::Error&) {
        return "";
    } catch (const settings::Exception&) {  // a failed conversion
        return "";
    }
}

TEST(Validator, FixedValues) {
    ValidatorBuilder builder;
    builder.addFixedValues("EXACT", enableDisable);
    builder.addFixedValues("LOOSE", {{"Enable", 1, 0}, {"Disable", 0, 0}});
    builder.addFixedValues("STORED", {{"Enable", 1, FixedValueRecord::storeRecordText}});
    builder.addFixedValues("LEVEL", {{"H", 3, 0}});
    builder.addFixedValues("LEVEL", {{"h", 9, FixedValueRecord::exactMatch}});  // appended, searched first
    const auto validator = builder.build();
    const struct {
        const char* name;
        const char* key;
        std::optional<std::string_view> value;
        const char* result;
    } rows[] = {
        {"exact spelling", "EXACT", "Enable", "102:Enable:1"},
        {"exact refuses other case", "EXACT", "enable", ""},
        {"not a record", "EXACT", "On", ""},
        {"no value", "EXACT", std::nullopt, ""},
        {"loose keeps the given spelling", "LOOSE", "DISABLE", "102:DISABLE:0"},
        {"stored record text", "STORED", "ENABLE", "102:Enable:1"},
        {"last record searched first", "LEVEL", "h", "102:h:9"},
        {"earlier record still reachable", "LEVEL", "H", "102:H:3"},
    };
    for (const auto& row : rows) EXPECT_EQ(check(*validator, row.key, row.value), row.result) << row.name;
}

TEST(Validator, DirectoryValues) {
    ValidatorBuilder builder;
    builder.addDirnameKey("DIR", false);
    builder.addDirnameKey("ANY", true);
    const auto validator = builder.build();
    const auto longName = [](std::size_t bytes) { return "C:\\" + std::string(bytes - 3, 'd'); };
    const std::string bytes259 = longName(259);
    const std::string bytes260 = longName(260);
    const struct {
        const char* name;
        const char* key;
        std::optional<std::string_view> value;
        bool accepted;
    } rows[] = {
        {"drive and directory", "DIR", "C:\\Zarn", true},
        {"lower-case drive, forward slashes", "DIR", "d:/a/b/", true},
        {"dots allowed, not resolved", "DIR", "C:\\a\\..\\..\\b", true},
        {"drive only", "DIR", "C:", true},
        {"no drive", "DIR", "\\Zarn", false},
        {"relative", "DIR", "Zarn\\x", false},
        {"not a drive letter", "DIR", "1:\\Zarn", false},
        {"device name", "DIR", "C:\\CON\\x", false},
        {"device name in lower case", "DIR", "C:\\a\\nul", false},
        {"device name with text is a name", "DIR", "C:\\CONSOLE", true},
        {"vertical bar", "DIR", "C:\\a|b", false},
        {"question mark", "DIR", "C:\\a?", false},
        {"control character", "DIR", "C:\\a\tb", false},
        {"second colon", "DIR", "C:\\a:b", false},
        {"259 bytes", "DIR", bytes259, true},
        {"260 bytes", "DIR", bytes260, false},
        {"empty", "DIR", "", false},
        {"not UTF-8", "DIR", "C:\\\xFF", false},
        {"no value", "DIR", std::nullopt, false},
        {"unchecked takes anything", "ANY", "?|CON", true},
        {"unchecked still needs a value", "ANY", std::nullopt, false},
    };
    for (const auto& row : rows) {
        const std::string result = check(*validator, row.key, row.value);
        EXPECT_EQ(result, row.accepted ? "101:" + std::string(*row.value) : "") << row.name;
    }
}

TEST(Validator, TypesUnknownKeysAndPrecedence) {
    ValidatorBuilder builder;
    builder.addTypedKey("NUMBER", type::integer);
    builder.addTypedKey("FLAG", type::boolean);
    builder.addTypedKey("NAME", type::string);
    builder.addTypedKey("NAME", type::integer);  // declared again: replaced
    builder.addTypedKey("MODE", type::string);
    builder.addFixedValues("MODE", enableDisable);
    builder.addTypedKey("FOLDER", type::string);
    builder.addDirnameKey("FOLDER", false);
    const auto strict = builder.build();
    builder.setAllowUnknownKeys(true);
    const auto lenient = builder.build();
    const struct {
        const char* name;
        const ConfigValidator* validator;
        const char* key;
        std::optional<std::string_view> value;
        const char* result;
    } rows[] = {
        {"integer", strict.get(), "NUMBER", "0x10", "102:0x10:16"},
        {"not an integer", strict.get(), "NUMBER", "abc", ""},
        {"bool without value", strict.get(), "FLAG", std::nullopt, "no value"},
        {"integer without value", strict.get(), "NUMBER", std::nullopt, ""},
        {"bool", strict.get(), "FLAG", "yes", "103:yes"},
        {"redeclared type", strict.get(), "NAME", "x", ""},
        {"fixed values win over a type", strict.get(), "MODE", "Other", ""},
        {"directory wins over a type", strict.get(), "FOLDER", "relative", ""},
        {"unknown key refused", strict.get(), "OTHER", "1", ""},
        {"unknown key kept as text", lenient.get(), "OTHER", "1", "100:1"},
        {"unknown key without value", lenient.get(), "OTHER", std::nullopt, "no value"},
    };
    for (const auto& row : rows) EXPECT_EQ(check(*row.validator, row.key, row.value), row.result) << row.name;
}

TEST(Validator, ParserMapsKeysThenValidates) {
    ValidatorBuilder builder;
    builder.addFixedValues("INSTALL_SILENT", enableDisable);
    builder.addTypedKey("LANG", type::integer);
    const auto validator = builder.build();
    KeyMapperBuilder mappings;
    mappings.addMapping("INSTALL_SILENT", "INSTALL_SILENT", false);
    const auto mapper = mappings.build();

    class Listener final : public IParserErrorListener {
    public:
        void onError(const IParserCursor&, const std::string& message) override { messages += message + "|"; }
        std::string messages;
    } listener;
    PlainTextFileConfigParser parser(std::make_unique<StringBuffer>(
        "install_silent=Enable\nUNKNOWN=1\nLANG=abc\nLANG=0x1F\nBARE\nINSTALL_SILENT=enable"));
    parser.setValidator(validator.get());
    parser.setKeyMapper(mapper.get());
    parser.setErrorListener(&listener);
    parser.setStopOnError(false);
    parser.setAllowKeyWithoutValue(true);
    const auto config = parser.parse();
    ASSERT_TRUE(config);
    EXPECT_EQ(dump(*config), "BARE;INSTALL_SILENT=Enable;LANG=0x1F;");
    EXPECT_EQ(config->getInt("INSTALL_SILENT"), 1);
    EXPECT_EQ(listener.messages,
              "\"Invalid key\" at line 2; char 1|\"Invalid value\" at line 3; char 1|"
              "\"Invalid value\" at line 6; char 1|");
}

}  // namespace
