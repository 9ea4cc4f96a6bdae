#include "foundation/number_text.h"

#include <cmath>
#include <cstdlib>
#include <string>

namespace numberText {

namespace {

bool isSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

bool isDigit(char c) { return c >= '0' && c <= '9'; }

int digitValue(char c, int base) {
    int value = base;
    if (isDigit(c)) value = c - '0';
    if (c >= 'a' && c <= 'f') value = c - 'a' + 10;
    if (c >= 'A' && c <= 'F') value = c - 'A' + 10;
    return value < base ? value : -1;
}

/// The text after its leading white space and an optional sign, which `negative` reports.
std::string_view afterSign(std::string_view text, bool& negative) {
    std::size_t at = 0;
    while (at < text.size() && isSpace(text[at])) ++at;
    negative = at < text.size() && text[at] == '-';
    if (at < text.size() && (text[at] == '-' || text[at] == '+')) ++at;
    return text.substr(at);
}

}  // namespace

std::optional<std::int64_t> extractInteger(std::string_view text, int base, std::int64_t lowest,
                                           std::int64_t highest) {
    bool negative = false;
    std::string_view digits = afterSign(text, negative);
    if (base == 16 && digits.size() >= 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
        digits.remove_prefix(2);
    }
    // The magnitude may reach |lowest|, which a signed number cannot hold when lowest is its minimum.
    const std::uint64_t limit = negative ? 0 - static_cast<std::uint64_t>(lowest) : static_cast<std::uint64_t>(highest);
    std::uint64_t magnitude = 0;
    std::size_t read = 0;
    bool overflow = false;
    for (int digit = 0; read < digits.size() && (digit = digitValue(digits[read], base)) >= 0; ++read) {
        const auto value = static_cast<std::uint64_t>(digit);
        overflow = overflow || value > limit || magnitude > (limit - value) / static_cast<std::uint64_t>(base);
        if (!overflow) magnitude = magnitude * static_cast<std::uint64_t>(base) + value;
    }
    if (read == 0 || overflow || (negative && lowest >= 0 && magnitude != 0)) return std::nullopt;
    return negative ? static_cast<std::int64_t>(0 - magnitude) : static_cast<std::int64_t>(magnitude);
}

std::optional<double> extractDouble(std::string_view text) {
    bool negative = false;
    const std::string_view rest = afterSign(text, negative);
    std::string number = negative ? "-" : "";
    std::size_t at = 0;
    bool mantissaDigit = false;
    bool point = false;
    for (; at < rest.size(); ++at) {
        if (isDigit(rest[at])) {
            mantissaDigit = true;
        } else if (rest[at] == '.' && !point) {
            point = true;
        } else {
            break;
        }
    }
    if (mantissaDigit && at < rest.size() && (rest[at] == 'e' || rest[at] == 'E')) {
        ++at;
        if (at < rest.size() && (rest[at] == '+' || rest[at] == '-')) ++at;
        while (at < rest.size() && isDigit(rest[at])) ++at;
    }
    number.append(rest.substr(0, at));
    if (number.empty() || number == "-") return std::nullopt;
    char* end = nullptr;
    const double value = std::strtod(number.c_str(), &end);
    if (end != number.c_str() + number.size() || std::isinf(value)) return std::nullopt;
    return value;
}

}  // namespace numberText
