// String tables and raw resources read through the foundation's resource classes, so the language
// choice and the English stand-in hold on the real resources as on the simulated ones.
#include <gtest/gtest.h>

#include "contract.h"
#include "foundation/errors.h"
#include "foundation/locale.h"
#include "foundation/resource.h"
#include "foundation/string_resource.h"
#include "platform/win_errors.h"

namespace {

TEST(StringTableContract, ChosenLanguageWithEnglishStandingIn) {
    const struct {
        const char* name;
        std::uint16_t language;
        std::uint32_t id;
        const char* expected;
    } rows[] = {
        {"English", 1033, contract::stringId, contract::englishString},
        {"German", 1031, contract::stringId, contract::germanString},
        {"French", 1036, contract::localeStringId, contract::localeFrench},
        {"Japanese", 1041, contract::localeStringId, contract::localeJapanese},
        {"French block without that string", 1036, contract::englishOnlyId, contract::englishOnly},
        {"no such block in French", 1036, contract::stringId, contract::englishString},
        {"German lacks the string", 1031, contract::localeStringId, contract::localeEnglish},
        {"language without any table", 1053, contract::localeStringId, contract::localeEnglish},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(StringResource(row.language).load(row.id), row.expected) << row.name;
        EXPECT_EQ(StringResource(row.language).string(row.id, "default"), row.expected) << row.name;
    }
}

TEST(StringTableContract, LangSettingSelectsTheLocaleTables) {
    EXPECT_EQ(StringResource(Locale::fromLangId(1036)).string(contract::localeStringId), contract::localeFrench);
    EXPECT_EQ(StringResource(Locale::fromLangId(1041)).string(contract::localeStringId), contract::localeJapanese);
}

TEST(StringTableContract, MissingStringGivesTheDefaultOrThrows) {
    const std::uint32_t absent = contract::englishOnlyId + 1;
    EXPECT_EQ(StringResource(1036).string(absent, "fallback text"), "fallback text");
    EXPECT_EQ(StringResource(1033).string(absent), "");
    try {
        (void)StringResource(1033).load(absent);
        FAIL();
    } catch (const SysError& e) {
        EXPECT_EQ(e.code(), platform::err::resourceNameNotFound);
        EXPECT_NE(std::string(e.what()).find("cannot find resource (name='#564', type='#6')"), std::string::npos)
            << e.what();
    }
}

TEST(StringTableContract, RawResourceBytesAndMissingNames) {
    const Resource resource;
    const auto bytes =
        resource.getPtr(platform::ResourceId::of(platform::rt::rcdata), platform::ResourceId::of(contract::rcdataName));
    const std::string expected = contract::rcdataContent;
    ASSERT_GE(bytes.size(), expected.size());
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(expected.size())), expected);
    try {
        (void)resource.getPtr(platform::ResourceId::of(platform::rt::rcdata), platform::ResourceId::of("ABSENT"));
        FAIL();
    } catch (const SysError& e) {
        EXPECT_EQ(e.code(), platform::err::resourceNameNotFound);
        EXPECT_NE(std::string(e.what()).find("cannot find resource (name='ABSENT', type='#10')"), std::string::npos)
            << e.what();
    }
}

}  // namespace
