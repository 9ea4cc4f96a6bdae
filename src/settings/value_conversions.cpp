#include "settings/value_conversions.h"

#include <limits>
#include <string>

#include "foundation/errors.h"
#include "foundation/number_text.h"
#include "settings/ascii.h"
#include "settings/errors.h"

namespace settings_impl {

namespace {

std::string prepared(std::string_view text) {
    const auto start = text.find_first_not_of(" \t\n\v");
    return lowerAscii(start == std::string_view::npos ? std::string_view{} : text.substr(start));
}

[[noreturn]] void notA(const char* kind, const std::string& text) {
    ZARN_THROW(settings::ExceptionCode<code::notUtf8>, std::string("not ") + kind + ": " + text);
}

}  // namespace

std::int32_t textToInt(std::string_view text) {
    const std::string prefixed = prepared(text);
    const std::string_view digits = std::string_view(prefixed).substr(prefixed.starts_with('-') ? 1 : 0);
    const int base = digits.starts_with("0x") ? 16 : digits.starts_with('0') ? 8 : 10;
    const auto number = numberText::extractInteger(prefixed, base, std::numeric_limits<std::int32_t>::min(),
                                                   std::numeric_limits<std::int32_t>::max());
    if (!number) notA("an integer", prefixed);
    return static_cast<std::int32_t>(*number);
}

bool textToBool(std::string_view text) {
    const std::string lower = lowerAscii(text);
    if (lower == "yes" || lower == "true") return true;
    if (lower == "no" || lower == "false") return false;
    return textToInt(lower) != 0;
}

double textToDouble(std::string_view text) {
    const std::string number = prepared(text);
    const auto value = numberText::extractDouble(number);
    if (!value) notA("a number", number);
    return *value;
}

}  // namespace settings_impl
