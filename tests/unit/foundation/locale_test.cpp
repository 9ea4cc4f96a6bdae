#include <gtest/gtest.h>

#include <vector>

#include "foundation/errors.h"
#include "foundation/locale.h"
#include "platform/sim/sim_machine.h"
#include "platform/win_errors.h"
#include "support/error_of.h"

namespace {

using test_support::errorOf;

using LangIds = std::vector<Locale::LangId>;

class LocaleTest : public testing::Test {
protected:
    sim::MachineScope sim;
    sim::SystemSettings& settings = sim->system().settings();

    void useFallbackPath(std::uint32_t threadLocale, std::uint16_t userUi, std::uint16_t systemUi) {
        settings.preferredUILanguages.reset();
        settings.threadLocale = threadLocale;
        settings.userDefaultUILanguage = userUi;
        settings.systemDefaultUILanguage = systemUi;
    }
};

TEST(LocaleTable, ElevenLocalesInMatchingOrder) {
    std::vector<std::string_view> names;
    for (const Locale& locale : Locale::all()) names.push_back(locale.name());
    EXPECT_EQ(names, (std::vector<std::string_view>{"en", "zh_CN", "ja", "zh_TW", "de", "es", "fr", "it", "ko", "pt_BR",
                                                    "sv"}));
    EXPECT_EQ(Locale::english().langId(), 1033);
    EXPECT_EQ(Locale::primaryLanguage(0x0C0C), 12);
}

TEST(LocaleChoice, FromPreferences) {
    const struct {
        const char* name;
        LangIds preferences;
        const char* locale;
    } rows[] = {
        {"nothing preferred", {}, "en"},
        {"Chinese, Hong Kong", {0x0C04}, "zh_TW"},
        {"Chinese, Singapore", {0x1004}, "zh_CN"},
        {"neutral Chinese", {0x0004}, "zh_CN"},
        {"Russian falls through to English", {0x0419, 25}, "en"},
        {"Russian, then German", {0x0419, 25, 0x0407, 7}, "de"},
        {"French, Canada, then its language", {0x0C0C, 12}, "fr"},
        {"Portuguese, Portugal, is not accepted", {0x0816, 22}, "en"},
        {"Brazilian Portuguese", {1046}, "pt_BR"},
        {"first match wins", {17, 7}, "ja"},
    };
    for (const auto& row : rows) EXPECT_EQ(Locale::forPreferences(row.preferences).name(), row.locale) << row.name;
}

TEST(LocaleChoice, FromLangId) {
    const struct {
        std::int64_t langId;
        const char* locale;  // null when unsupported
    } rows[] = {
        {1031, "de"}, {1036, "fr"}, {2052, "zh_CN"}, {1028, "zh_TW"}, {1046, "pt_BR"}, {1053, "sv"}, {1033, "en"},
        {7, nullptr}, {9, nullptr}, {0x0C04, nullptr}, {0, nullptr}, {-1, nullptr}, {1033 + 0x10000, nullptr},
    };
    for (const auto& row : rows) {
        if (row.locale != nullptr) {
            EXPECT_EQ(Locale::fromLangId(row.langId).name(), row.locale) << row.langId;
        } else {
            EXPECT_TRUE(errorOf([&] { Locale::fromLangId(row.langId); })
                            .ends_with("(): unsupported locale langId: " + std::to_string(row.langId)))
                << row.langId;
        }
    }
}

TEST_F(LocaleTest, FallbackListAddsPrimaryLanguages) {
    useFallbackPath(0x0C0C, 0x0409, 0x0419);
    EXPECT_EQ(Locale::preferredLanguages(), (LangIds{0x0C0C, 12, 0x0409, 9, 0x0419, 25, 1033, 9}));
    EXPECT_NE(sim.log().find("\tINFO: PreferredUILanguages: XP fallback\n"), std::string::npos);
    EXPECT_EQ(Locale::defaultLocale().name(), "fr");

    useFallbackPath(0x00010407, 0x0419, 0x0419);  // a sort order in the locale's high bits
    EXPECT_EQ(Locale::preferredLanguages(), (LangIds{0x0407, 7, 0x0419, 25, 0x0419, 25, 1033, 9}));
    EXPECT_EQ(Locale::defaultLocale().name(), "de");

    useFallbackPath(0x0419, 0x0419, 0x0419);
    EXPECT_EQ(Locale::defaultLocale().name(), "en");
}

TEST_F(LocaleTest, ListedLanguagesGainTheirPrimaryLanguages) {
    const struct {
        const char* name;
        std::vector<std::string> listed;
        LangIds languages;
        const char* locale;
    } rows[] = {
        {"a German user as Wine lists one", {"0407"}, {0x0407, 7}, "de"},
        {"French, Canada, before English", {"0c0c", "0409"}, {0x0C0C, 12, 0x0409, 9}, "fr"},
        {"a list that holds the primary languages is unchanged", {"0407", "0409", "0009", "0007"},
         {0x0407, 0x0409, 9, 7}, "en"},
        {"a primary language is added once", {"0407", "0807"}, {0x0407, 7, 0x0807}, "de"},
        {"English first wins", {"0409", "0407"}, {0x0409, 9, 0x0407, 7}, "en"},
        {"Hong Kong before the neutral Chinese", {"0C04", "0804"}, {0x0C04, 4, 0x0804}, "zh_TW"},
        {"Portugal's Portuguese is not Brazil's", {"0816"}, {0x0816, 22}, "en"},
        {"Russian", {"0419"}, {0x0419, 25}, "en"},
    };
    for (const auto& row : rows) {
        settings.preferredUILanguages = row.listed;
        EXPECT_EQ(Locale::preferredLanguages(), row.languages) << row.name;
        EXPECT_EQ(Locale::defaultLocale().name(), row.locale) << row.name;
    }
    EXPECT_NE(sim.log().find("\tINFO: PreferredUILanguages: Vista+\n"), std::string::npos);
}

TEST_F(LocaleTest, ListedLanguageFailures) {
    const struct {
        const char* name;
        std::vector<std::string> listed;
        int skip;  // successful calls before the failing one; -1 for no fault
        const char* message;
    } rows[] = {
        {"size call fails", {"0409"}, 0, "GetThreadPreferredUILanguages (detect size) failed. System error [5]"},
        {"values call fails", {"0409"}, 1, "GetThreadPreferredUILanguages (get values) failed. System error [5]"},
        {"not hexadecimal", {"0409", "zz"}, -1, "(): Cannot get langID: zz"},
        {"too long for a LANGID", {"10409"}, -1, "(): Cannot get langID: 10409"},
        {"a name, not a number", {"en-US"}, -1, "(): Cannot get langID: en-US"},
    };
    for (const auto& row : rows) {
        settings.preferredUILanguages = row.listed;
        sim->faults().clear();
        if (row.skip >= 0) sim->faults().fail("System.threadPreferredUILanguages", platform::err::accessDenied, 1, row.skip);
        const std::string message = errorOf([] { Locale::preferredLanguages(); });
        EXPECT_NE(message.find(row.message), std::string::npos) << row.name << ": " << message;
    }
}

}  // namespace
