// The user-interface locales the installer speaks, and the choice among them from the user's
// preferred languages or from an explicit language identifier.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

class Locale {
public:
    using LangId = std::uint16_t;

    static constexpr LangId englishLangId = 1033;

    constexpr Locale(const char* name, LangId langId, std::array<LangId, 4> accepted, std::size_t acceptedCount)
        : name_(name), langId_(langId), accepted_(accepted), acceptedCount_(acceptedCount) {}

    /// "en", "zh_CN", "pt_BR", ...
    std::string_view name() const { return name_; }
    /// The identifier of the locale's string tables and of its installer transform.
    LangId langId() const { return langId_; }
    /// The identifiers of the user's preferences that select this locale.
    std::span<const LangId> acceptedLangIds() const { return {accepted_.data(), acceptedCount_}; }
    bool accepts(LangId langId) const;

    friend bool operator==(const Locale& a, const Locale& b) { return a.langId_ == b.langId_; }

    /// The eleven supported locales, in the order they are matched.
    static std::span<const Locale> all();
    static const Locale& english();

    /// The user's preferred languages, most preferred first, each followed by its primary language when
    /// the list lacks that. Throws MevError<SysError> when the system cannot list them.
    static std::vector<LangId> preferredLanguages();
    /// The first locale that accepts a language of `preferences`, tried in order; English when none does.
    static const Locale& forPreferences(std::span<const LangId> preferences);
    /// forPreferences(preferredLanguages()).
    static const Locale& defaultLocale();
    /// The locale whose own identifier is `langId` (the "/lang" setting); any other value throws
    /// MevError<std::runtime_error> "unsupported locale langId: <langId>".
    static const Locale& fromLangId(std::int64_t langId);

    /// The primary language of an identifier: its low 10 bits.
    static constexpr LangId primaryLanguage(LangId langId) { return static_cast<LangId>(langId & 0x3FF); }

private:
    const char* name_;
    LangId langId_;
    std::array<LangId, 4> accepted_;
    std::size_t acceptedCount_;
};
