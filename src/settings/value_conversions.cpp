#include "settings/value_conversions.h"

#include <ios>
#include <locale>
#include <sstream>
#include <string>

#include "foundation/errors.h"
#include "settings/ascii.h"
#include "settings/errors.h"

namespace settings_impl {

namespace {

std::string prepared(std::string_view text) {
    const auto start = text.find_first_not_of(" \t\n\v");
    return lowerAscii(start == std::string_view::npos ? std::string_view{} : text.substr(start));
}

template <class Number>
Number read(const std::string& text, std::ios_base::fmtflags base, const char* kind) {
    std::istringstream in(text);
    in.imbue(std::locale::classic());
    in.setf(base, std::ios_base::basefield);
    Number number{};
    if (!(in >> number)) {
        ZARN_THROW(settings::ExceptionCode<code::notUtf8>, std::string("not ") + kind + ": " + text);
    }
    return number;
}

}  // namespace

std::int32_t textToInt(std::string_view text) {
    const std::string prefixed = prepared(text);
    const std::string_view digits = std::string_view(prefixed).substr(prefixed.starts_with('-') ? 1 : 0);
    const auto base = digits.starts_with("0x") ? std::ios_base::hex
                      : digits.starts_with('0') ? std::ios_base::oct
                                                : std::ios_base::dec;
    return read<std::int32_t>(prefixed, base, "an integer");
}

bool textToBool(std::string_view text) {
    const std::string lower = lowerAscii(text);
    if (lower == "yes" || lower == "true") return true;
    if (lower == "no" || lower == "false") return false;
    return textToInt(lower) != 0;
}

double textToDouble(std::string_view text) { return read<double>(prepared(text), std::ios_base::dec, "a number"); }

}  // namespace settings_impl
