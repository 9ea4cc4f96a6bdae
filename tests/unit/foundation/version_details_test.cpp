#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "foundation/version_details.h"
#include "support/error_of.h"

namespace {

using test_support::errorOf;

using VersionDetails::Component;

template <class Version>
std::vector<Component> componentsOf(const Version& version) {
    std::vector<Component> out;
    for (std::size_t i = 0; i < Version::size; ++i) out.push_back(version[i]);
    return out;
}

std::string unrecognised(const std::string& text, int count) {
    return "Failed to parse [" + text + "] version string completely. Number of unrecognised characters is " +
           std::to_string(count);
}

std::string tooShort(const std::string& text) {
    return "Failed to parse [" + text + "] version string. The string is too short";
}

struct ParseRow {
    const char* name;
    std::string text;
    std::vector<Component> components;  // empty when the text is refused
    std::string error;
};

template <class Version, std::size_t n>
void expectParses(const ParseRow (&rows)[n]) {
    for (const auto& row : rows) {
        if (row.components.empty()) {
            const std::string message = errorOf([&] { Version{row.text}; });
            EXPECT_TRUE(message.ends_with(row.error)) << row.name << ": " << message;
        } else {
            const Version version(row.text);
            EXPECT_EQ(componentsOf(version), row.components) << row.name;
            EXPECT_EQ(version.text(), row.text) << row.name;
        }
    }
}

TEST(ZarnVersionParse, Rows) {
    const ParseRow rows[] = {
        {"product version", "1.8.0_45-b15", {1, 8, 0, 45, 15}, ""},
        {"release", "1.8.0", {1, 8, 0, 0, 0}, ""},
        {"update without build", "1.8.0_45", {1, 8, 0, 45, 0}, ""},
        {"build without update", "1.8.0-b15", {1, 8, 0, 0, 15}, ""},
        {"qualifier before the build is skipped", "1.7.0-ea-b05", {1, 7, 0, 0, 5}, ""},
        {"qualifier running to the end", "1.6.0-beta2", {1, 6, 0, 0, 0}, ""},
        {"build 0 is taken as a qualifier", "1.8.0_45-b0", {1, 8, 0, 45, 0}, ""},
        {"so is build 0 before a build", "1.8.0_45-b0-b15", {1, 8, 0, 45, 15}, ""},
        {"largest component", "1.8.2147483647", {1, 8, 2147483647, 0, 0}, ""},
        {"too short", "1.8", {}, tooShort("1.8")},
        {"text after the build", "1.8.0-b15-x", {}, unrecognised("1.8.0-b15-x", 2)},
        {"major 0", "0.9.1", {}, unrecognised("0.9.1", 5)},
        {"minor 0", "1.0.2", {}, unrecognised("1.0.2", 4)},
        {"empty update", "1.8.0_-b15", {}, unrecognised("1.8.0_-b15", 5)},
        {"empty qualifier", "1.8.0--b15", {}, unrecognised("1.8.0--b15", 5)},
        {"four dotted parts", "1.8.0.5", {}, unrecognised("1.8.0.5", 2)},
        {"micro not a number", "1.8.x", {}, unrecognised("1.8.x", 2)},
        {"component above the signed range", "1.8.2147483648", {}, unrecognised("1.8.2147483648", 11)},
    };
    expectParses<ZarnVersion>(rows);
}

TEST(FourPartVersionParse, Rows) {
    const ParseRow rows[] = {
        {"four parts", "2.8.45.15", {2, 8, 45, 15}, ""},
        {"zeros are fine here", "0.0.0.0", {0, 0, 0, 0}, ""},
        {"three parts", "2.8.45", {}, tooShort("2.8.45")},
        {"five parts", "2.8.45.15.1", {}, unrecognised("2.8.45.15.1", 2)},
        {"empty part", "2..1.0", {}, unrecognised("2..1.0", 5)},
        {"sign", "2.8.+4.1", {}, unrecognised("2.8.+4.1", 5)},
    };
    expectParses<FourPartVersion>(rows);
}

TEST(VersionCompare, Rows) {
    using namespace ZarnVersionDetails;
    const ZarnVersion v45("1.8.0_45-b15");
    EXPECT_EQ(v45, ZarnVersion("01.8.0_45-b15")) << "texts take no part";
    EXPECT_LT(v45, ZarnVersion("1.8.0_51-b16"));
    EXPECT_GT(ZarnVersion("1.10.0"), ZarnVersion("1.9.0_99")) << "numbers, not texts";
    EXPECT_LT(noBuildCopy(v45), ZarnVersion("1.8.0_45")) << "an absent build sorts below build 0";
    EXPECT_EQ(noBuildCopy(v45).text(), "1.8.0_45-b15") << "copies keep the text";
    EXPECT_LT(FourPartVersion("2.8.0.0"), FourPartVersion("2.8.45.15"));
}

TEST(VersionText, Rows) {
    using namespace ZarnVersionDetails;
    ZarnVersion padded;
    for (std::size_t i = 0; i < 5; ++i) padded.set(i, std::array{1, 8, 0, 5, 3}[i]);
    const ZarnVersion v45("1.8.0_45-b15");
    const struct {
        const char* name;
        ZarnVersion version;
        const char* expected;
    } rows[] = {
        {"zero padding", padded, "1.8.0_05-b03"},
        {"three digits", ZarnVersion("1.8.0_123-b100"), "1.8.0_123-b100"},
        {"no update", ZarnVersion("1.8.0-b05"), "1.8.0-b05"},
        {"release copy", releaseCopy(v45), "1.8.0"},
        {"no-build copy", noBuildCopy(v45), "1.8.0_45"},
    };
    for (const auto& row : rows) EXPECT_EQ(toString(row.version), row.expected) << row.name;
}

TEST(VersionDisplayName, Rows) {
    const struct {
        const char* text;
        int bitness;
        const char* expected;
    } rows[] = {
        {"1.4.2_19-b04", 32, "Zarn Classic Runtime Environment v1.4.2_19"},
        {"1.5.0_22", 32, "Zarn Runtime Environment 5.0 Update 22"},
        {"1.6.0_01", 32, "Zarn(TM) Runtime Environment 6 Update 1"},
        {"1.6.0_02", 32, "Zarn(TM) 6 Update 2"},
        {"1.6.1", 32, "Zarn(TM) 6"},
        {"1.7.0_05", 32, "Zarn(TM) 7 Update 5"},
        {"1.7.0_06", 32, "Zarn 7 Update 6"},
        {"1.7.1", 32, "Zarn 7"},
        {"1.8.0_45-b15", 64, "Zarn 8 Update 45 (64-bit)"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(ZarnVersionDetails::displayName(ZarnVersion(row.text), row.bitness), row.expected) << row.text;
    }
}

}  // namespace
