#include <gtest/gtest.h>

#include <functional>
#include <limits>

#include "settings/config.h"
#include "settings/constants.h"
#include "settings/value_conversions.h"
#include "settings_test_support.h"

namespace {

using namespace settings_impl;
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
        {"negative octal", "-010", -8, 0},
        {"decimal", "42", 42, 0},
        {"zero", "0", 0, 0},
        {"plus sign", "+7", 7, 0},
        {"leading blanks", " \t\n\v42", 42, 0},
        {"trailing text ignored", "12abc", 12, 0},
        {"trailing text after hex", "0x1Fz", 31, 0},
        {"octal stops at 8", "018", 1, 0},
        {"largest", "2147483647", 2147483647, 0},
        {"smallest", "-2147483648", std::numeric_limits<std::int32_t>::min(), 0},
        {"no digits", "abc", 0, code::notUtf8},
        {"empty", "", 0, code::notUtf8},
        {"sign only", "-", 0, code::notUtf8},
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

class ConfigTest : public testing::Test {
protected:
    ConfigTest() {
        config.set("TEXT", Value(type::text, "12"));
        config.set("STRING", Value(type::string, "yes"));
        config.set("INT", Value(type::integer, "7"));
        config.set("BOOL", Value(type::boolean, "true"));
        config.set("REAL", Value(type::real, "1.5"));
        config.set("BARE", std::nullopt);
    }
    Config config;
};

TEST_F(ConfigTest, GetterFailures) {
    const struct {
        const char* name;
        std::function<void()> call;
        std::int32_t code;
    } rows[] = {
        {"missing key, hasValue", [&] { config.hasValue("NONE"); }, code::missingKey},
        {"missing key, getText", [&] { config.getText("NONE"); }, code::missingKey},
        {"no value, getType", [&] { config.getType("BARE"); }, code::noValue},
        {"no value, getTextCopy", [&] { config.getTextCopy("BARE"); }, code::noValue},
        {"no value, getBool", [&] { config.getBool("BARE"); }, code::noValue},
        {"string read as bool", [&] { config.getBool("STRING"); }, code::noValue},
        {"bool read as int", [&] { config.getInt("BOOL"); }, code::noValue},
        {"int read as double", [&] { config.getDouble("INT"); }, code::noValue},
    };
    for (const auto& row : rows) EXPECT_EQ(codeOf(row.call), row.code) << row.name;
    EXPECT_THROW(config.getText("NONE"), settings::ExceptionCode<code::missingKey>);
}

TEST_F(ConfigTest, MergeRemoveEquals) {
    Config other;
    other.set("INT", Value(type::integer, "8"));
    other.set("NEW", std::nullopt);
    const Config merged = merge(config, other);
    EXPECT_EQ(merged.getInt("INT"), 8);
    EXPECT_EQ(merged.size(), 7u);
    EXPECT_EQ(config.getInt("INT"), 7) << "merge leaves its inputs alone";

    EXPECT_EQ(settings_test::dump(remove(merged, {"INT", "NEW", "ABSENT"})),
              "BARE;BOOL=true;REAL=1.5;STRING=yes;TEXT=12;");
    EXPECT_TRUE(equals(config, Config(config)));
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
        {"both without value", single(std::nullopt), single(std::nullopt), true},
        {"value against none", single(Value(type::text, "1")), single(std::nullopt), false},
        {"key missing in the other", single(std::nullopt), Config(), false},
        {"text by text", single(Value(type::text, "a")), single(Value(type::text, "a")), true},
        {"same text, other type", single(Value(type::text, "a")), single(Value(type::string, "a")), false},
        {"integers by number", single(Value(type::integer, "0x10")), single(Value(type::integer, "16")), true},
        {"bools by bool", single(Value(type::boolean, "yes")), single(Value(type::boolean, "TRUE")), true},
    };
    for (const auto& row : rows) EXPECT_EQ(equals(row.a, row.b), row.equal) << row.name;
}

}  // namespace
