#include <gtest/gtest.h>

#include <limits>
#include <memory>

#include "settings/config.h"
#include "settings/constants.h"
#include "settings/key_mapper.h"
#include "settings/parser.h"
#include "settings/validator_builder.h"
#include "settings/value_conversions.h"
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

// A case-insensitive mapping takes any spelling, a case-sensitive one only its own; the last added is asked first.
TEST(KeyMapper, Rows) {
    KeyMapperBuilder builder;
    builder.addMapping("install_silent", "INSTALL_SILENT", false);
    builder.addMapping("a", "FIRST", false);
    builder.addMapping("A", "SECOND", true);
    const auto mapper = builder.build();
    const struct {
        const char* key;
        const char* result;
        bool matched;
    } rows[] = {
        {"INSTALL_SILENT", "INSTALL_SILENT", true}, {"Install_Silent", "INSTALL_SILENT", true},
        {"INSTALL_SILENTLY", "INSTALL_SILENTLY", false}, {"A", "SECOND", true}, {"a", "FIRST", true}, {"c", "c", false},
    };
    for (const auto& row : rows) {
        const MappedKey mapped = mapper->map(row.key);
        EXPECT_EQ(mapped.key, row.result) << row.key;
        EXPECT_EQ(mapped.matched, row.matched) << row.key;
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
        {"no value", "EXACT", std::nullopt, ""},
        {"loose keeps the given spelling", "LOOSE", "DISABLE", "102:DISABLE:0"},
        {"stored record text", "STORED", "ENABLE", "102:Enable:1"},
        {"last record searched first", "LEVEL", "h", "102:h:9"},
        {"earlier record still reachable", "LEVEL", "H", "102:H:3"},
    };
    for (const auto& row : rows) EXPECT_EQ(check(*validator, row.key, row.value), row.result) << row.name;
}

// The character, device-name, length and UTF-8 checks it shares with FileName are FileName's rows.
TEST(Validator, DirectoryValues) {
    ValidatorBuilder builder;
    builder.addDirnameKey("DIR", false);
    builder.addDirnameKey("ANY", true);
    const auto validator = builder.build();
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
        {"not a drive letter", "DIR", "1:\\Zarn", false},
        {"device name in lower case", "DIR", "C:\\a\\nul", false},
        {"device name with text is a name", "DIR", "C:\\CONSOLE", true},
        {"control character", "DIR", "C:\\a\tb", false},
        {"empty", "DIR", "", false},
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

using settings_test::codeOf;

TEST(ValueConversions, Integers) {
    const struct {
        const char* name;
        const char* text;
        std::int32_t number;
        std::int32_t code;
    } rows[] = {
        {"hexadecimal", "0x1F", 31, 0},
        {"upper-case hexadecimal", "0X1f", 31, 0},
        {"negative hexadecimal", "-0x10", -16, 0},
        {"octal", "010", 8, 0},
        {"decimal", "42", 42, 0},
        {"plus sign", "+7", 7, 0},
        {"leading blanks before a prefix", " \t\n\v0x1F", 31, 0},
        {"octal stops at 8", "018", 1, 0},
        {"largest", "2147483647", 2147483647, 0},
        {"smallest", "-2147483648", std::numeric_limits<std::int32_t>::min(), 0},
        {"no digits", "abc", 0, code::notUtf8},
        {"overflow", "2147483648", 0, code::notUtf8},
        {"overflow below", "-2147483649", 0, code::notUtf8},
        {"hexadecimal prefix without digits", "0xg", 0, code::notUtf8},
        {"any white space skipped", "\r\f5", 5, 0},
    };
    for (const auto& row : rows) {
        std::int32_t number = -999;
        EXPECT_EQ(codeOf([&] { number = textToInt(row.text); }), row.code) << row.name;
        if (row.code == 0) {
            EXPECT_EQ(number, row.number) << row.name;
        }
    }
}

TEST(ValueConversions, Booleans) {
    const struct {
        const char* text;
        bool value;
        std::int32_t code;
    } rows[] = {
        {"YES", true, 0},   {"True", true, 0}, {"no", false, 0},       {"FALSE", false, 0},
        {"2", true, 0},     {"0", false, 0},   {"0x0", false, 0},      {"-1", true, 0},
        {"maybe", false, code::notUtf8},       {"", false, code::notUtf8},
    };
    for (const auto& row : rows) {
        bool value = !row.value;
        EXPECT_EQ(codeOf([&] { value = textToBool(row.text); }), row.code) << row.text;
        if (row.code == 0) {
            EXPECT_EQ(value, row.value) << row.text;
        }
    }
}

TEST(ValueConversions, Doubles) {
    EXPECT_DOUBLE_EQ(textToDouble(" 2.5"), 2.5);
    EXPECT_DOUBLE_EQ(textToDouble("-1E3x"), -1000.0);
    for (const char* notANumber : {"x1", ".", "1e", "1e400"}) {
        EXPECT_EQ(codeOf([&] { textToDouble(notANumber); }), code::notUtf8) << notANumber;
    }
}

// A missing key and a key without value fail in TypedGetters through the same lookups.
TEST(ConfigGetters, AValueOfAnotherTypeIsNotConverted) {
    Config config;
    config.set("STRING", Value(type::string, "yes"));
    EXPECT_EQ(codeOf([&] { config.getBool("STRING"); }), code::noValue);
}

TEST(ConfigEquals, Rows) {
    const auto single = [](std::optional<Value> value) {
        Config c;
        c.set("K", std::move(value));
        return c;
    };
    const struct {
        const char* name;
        Config a;
        Config b;
        bool equal;
    } rows[] = {
        {"text by text", single(Value(type::text, "a")), single(Value(type::text, "a")), true},
        {"same text, other type", single(Value(type::text, "a")), single(Value(type::string, "a")), false},
        {"integers by number", single(Value(type::integer, "0x10")), single(Value(type::integer, "16")), true},
        {"bools by bool", single(Value(type::boolean, "yes")), single(Value(type::boolean, "TRUE")), true},
    };
    for (const auto& row : rows) EXPECT_EQ(equals(row.a, row.b), row.equal) << row.name;
}

}  // namespace
