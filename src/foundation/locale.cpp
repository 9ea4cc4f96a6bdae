#include "foundation/locale.h"

#include <algorithm>
#include <optional>
#include <string>

#include "foundation/errors.h"
#include "foundation/logger.h"
#include "platform/machine.h"
#include "platform/win_errors.h"

namespace {

using LangId = Locale::LangId;

// Matched in this order: the first locale that accepts a preferred language wins.
constexpr std::array<Locale, 11> locales = {{
    {"en", 1033, {9}, 1},
    {"zh_CN", 2052, {0x0804, 0x1004, 0x0004}, 3},
    {"ja", 1041, {17}, 1},
    {"zh_TW", 1028, {0x0404, 0x0C04, 0x1404, 0x7C04}, 4},
    {"de", 1031, {7}, 1},
    {"es", 1034, {10}, 1},
    {"fr", 1036, {12}, 1},
    {"it", 1040, {16}, 1},
    {"ko", 1042, {18}, 1},
    {"pt_BR", 1046, {1046}, 1},
    {"sv", 1053, {29}, 1},
}};

std::optional<LangId> parseHexLangId(std::string_view text) {
    if (text.empty() || text.size() > 4) return std::nullopt;
    unsigned value = 0;
    for (const char c : text) {
        unsigned digit = 0;
        if (c >= '0' && c <= '9') {
            digit = static_cast<unsigned>(c - '0');
        } else if (c >= 'a' && c <= 'f') {
            digit = static_cast<unsigned>(c - 'a' + 10);
        } else if (c >= 'A' && c <= 'F') {
            digit = static_cast<unsigned>(c - 'A' + 10);
        } else {
            return std::nullopt;
        }
        value = value * 16 + digit;
    }
    return static_cast<LangId>(value);
}

// Each language followed by its primary language, unless the list already names that one somewhere.
std::vector<LangId> withPrimaryLanguages(const std::vector<LangId>& listed) {
    std::vector<LangId> languages;
    const auto holds = [](const std::vector<LangId>& list, LangId langId) {
        return std::find(list.begin(), list.end(), langId) != list.end();
    };
    for (const LangId langId : listed) {
        languages.push_back(langId);
        const LangId primary = Locale::primaryLanguage(langId);
        if (!holds(listed, primary) && !holds(languages, primary)) languages.push_back(primary);
    }
    return languages;
}

[[noreturn]] void throwLanguagesError(const SourceLocation& where, const char* text, platform::ErrorCode code) {
    auto& system = platform::machine().system();
    throw MevError<SysError>(SysError(text, system.apiAddress("kernel32", "GetThreadPreferredUILanguages"), code),
                             where);
}

// Vista and later: the thread's list, which carries the user's and the system's fallbacks but may name
// only the specific language (Wine lists just 0407 for a German user), while most locales accept
// primary languages.
std::vector<LangId> listedLanguages(std::uint32_t length) {
    auto& system = platform::machine().system();
    std::string list;
    if (const auto code = system.threadPreferredUILanguages(&list, length).value_or(platform::err::procNotFound)) {
        throwLanguagesError(ZARN_LOCATION, "GetThreadPreferredUILanguages (get values) failed", code);
    }
    std::vector<LangId> languages;
    for (std::size_t at = 0; at < list.size() && list[at] != '\0';) {
        const std::size_t end = std::min(list.find('\0', at), list.size());
        const std::string_view text = std::string_view(list).substr(at, end - at);
        const auto langId = parseHexLangId(text);
        if (!langId) ZARN_THROW(std::runtime_error, "Cannot get langID: " + std::string(text));
        languages.push_back(*langId);
        at = end + 1;
    }
    return withPrimaryLanguages(languages);
}

// Older systems: the thread locale and the UI languages, each followed by its primary language.
std::vector<LangId> fallbackLanguages() {
    auto& system = platform::machine().system();
    const LangId candidates[] = {static_cast<LangId>(system.threadLocale() & 0xFFFF), system.userDefaultUILanguage(),
                                 system.systemDefaultUILanguage(), Locale::englishLangId};
    std::vector<LangId> languages;
    for (const LangId langId : candidates) {
        languages.push_back(langId);
        if (Locale::primaryLanguage(langId) != langId) languages.push_back(Locale::primaryLanguage(langId));
    }
    return languages;
}

}  // namespace

bool Locale::accepts(LangId langId) const {
    const auto accepted = acceptedLangIds();
    return std::find(accepted.begin(), accepted.end(), langId) != accepted.end();
}

std::span<const Locale> Locale::all() { return locales; }

const Locale& Locale::english() { return locales.front(); }

std::vector<Locale::LangId> Locale::preferredLanguages() {
    std::uint32_t length = 0;
    const auto sized = platform::machine().system().threadPreferredUILanguages(nullptr, length);
    if (!sized) {
        LOG_INFO("PreferredUILanguages: XP fallback");
        return fallbackLanguages();
    }
    LOG_INFO("PreferredUILanguages: Vista+");
    if (*sized != 0) throwLanguagesError(ZARN_LOCATION, "GetThreadPreferredUILanguages (detect size) failed", *sized);
    return listedLanguages(length);
}

const Locale& Locale::forPreferences(std::span<const LangId> preferences) {
    for (const LangId langId : preferences) {
        for (const Locale& locale : locales) {
            if (locale.accepts(langId)) return locale;
        }
    }
    return english();
}

const Locale& Locale::defaultLocale() { return forPreferences(preferredLanguages()); }

const Locale& Locale::fromLangId(std::int64_t langId) {
    for (const Locale& locale : locales) {
        if (locale.langId() == langId) return locale;
    }
    ZARN_THROW(std::runtime_error, "unsupported locale langId: " + std::to_string(langId));
}
