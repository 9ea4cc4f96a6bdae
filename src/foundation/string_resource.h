// Texts of a module's string tables in one language, with English standing in for a missing text.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "foundation/locale.h"
#include "platform/types.h"

class StringResource {
public:
    explicit StringResource(Locale::LangId language = Locale::englishLangId,
                            platform::Module module = platform::Module::self)
        : language_(language), module_(module) {}
    explicit StringResource(const Locale& locale, platform::Module module = platform::Module::self)
        : StringResource(locale.langId(), module) {}

    Locale::LangId language() const { return language_; }

    /// String `id` in this language, or in English when this language lacks it. Throws
    /// MevError<SysError> when neither has it or the table cannot be read.
    std::string load(std::uint32_t id) const;

    /// As load(), but a failure is logged and gives `defaultText`.
    std::string string(std::uint32_t id, std::string_view defaultText = {}) const;

private:
    Locale::LangId language_;
    platform::Module module_;
};
