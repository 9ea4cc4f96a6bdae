#include <gtest/gtest.h>

#include "contract.h"
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
        {"English", contract::stringId, 0x0409, err::success, contract::englishString},
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

TEST(ResourcesContract, RawResources) {
    auto& resources = platform::machine().resources();
    std::span<const std::uint8_t> bytes;
    ASSERT_EQ(resources.find(platform::Module::self, ResourceId::of(platform::rt::rcdata),
                             ResourceId::of(contract::rcdataName), 0x0409, bytes),
              err::success);
    const std::string expected = contract::rcdataContent;
    ASSERT_GE(bytes.size(), expected.size());
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(expected.size())), expected);
    EXPECT_EQ(resources.find(platform::Module::self, ResourceId::of(platform::rt::rcdata), ResourceId::of("ABSENT"),
                             0x0409, bytes),
              err::resourceNameNotFound);
    EXPECT_EQ(resources.find(platform::Module::self, ResourceId::of(4242), ResourceId::of(1), 0x0409, bytes),
              err::resourceTypeNotFound);
}

}  // namespace
