// String tables and raw resources through the resources port, and through the foundation's resource
// classes, so the language choice and the English stand-in hold on the real resources as on the
// simulated ones.
#include <gtest/gtest.h>

#include "contract.h"
#include "foundation/errors.h"
#include "foundation/locale.h"
#include "foundation/resource.h"
#include "foundation/string_resource.h"
#include "platform/win_errors.h"

namespace {

namespace err = platform::err;
using platform::ResourceId;

TEST(ResourcesContract, StringsPerLanguage) {
    auto& resources = platform::machine().resources();
    const struct {
        const char* name;
        std::uint32_t id;
        std::uint16_t language;
        platform::ErrorCode expected;
        const char* text;
    } rows[] = {
        {"German, UTF-8", contract::stringId, 0x0407, err::success, contract::germanString},
        {"language missing", contract::stringId, 0x040C, err::resourceLangNotFound, ""},
        {"empty slot of a present block", contract::stringId + 1, 0x0409, err::resourceNameNotFound, ""},
    };
    for (const auto& row : rows) {
        std::string text;
        EXPECT_EQ(resources.loadString(platform::Module::self, row.id, row.language, text), row.expected) << row.name;
        if (row.expected == err::success) {
            EXPECT_EQ(text, row.text) << row.name;
        }
    }
}

TEST(StringTableContract, ChosenLanguageWithEnglishStandingIn) {
    const struct {
        const char* name;
        std::uint16_t language;
        std::uint32_t id;
        const char* expected;
    } rows[] = {
        {"English", 1033, contract::stringId, contract::englishString},
        {"German", 1031, contract::stringId, contract::germanString},
        {"French block without that string", 1036, contract::englishOnlyId, contract::englishOnly},
        {"no such block in French", 1036, contract::stringId, contract::englishString},
        {"German lacks the string", 1031, contract::localeStringId, contract::localeEnglish},
        {"language without any table", 1053, contract::localeStringId, contract::localeEnglish},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(StringResource(row.language).load(row.id), row.expected) << row.name;
        EXPECT_EQ(StringResource(row.language).string(row.id, "default"), row.expected) << row.name;
    }
    // The language setting selects the locale's tables.
    EXPECT_EQ(StringResource(Locale::fromLangId(1036)).string(contract::localeStringId), contract::localeFrench);
    EXPECT_EQ(StringResource(Locale::fromLangId(1041)).string(contract::localeStringId), contract::localeJapanese);
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
    std::span<const std::uint8_t> none;
    EXPECT_EQ(platform::machine().resources().find(platform::Module::self, ResourceId::of(4242), ResourceId::of(1),
                                                   0x0409, none),
              err::resourceTypeNotFound);
}

}  // namespace
