// The message of one log record, written with << as into a stream, but without the iostreams, whose
// locale machinery is most of the size of a statically linked program: texts and characters as they
// are, integers in decimal, booleans as 1 and 0, floating-point numbers as "%g" writes them.
#pragma once

#include <charconv>
#include <concepts>
#include <cstdio>
#include <string>
#include <string_view>
#include <type_traits>

class LogMessage {
public:
    LogMessage& operator<<(std::string_view text) {
        text_.append(text);
        return *this;
    }
    LogMessage& operator<<(const char* text) { return *this << std::string_view(text); }
    LogMessage& operator<<(const std::string& text) { return *this << std::string_view(text); }
    LogMessage& operator<<(char c) {
        text_.push_back(c);
        return *this;
    }
    LogMessage& operator<<(bool value) { return *this << (value ? '1' : '0'); }
    template <std::integral Number>
        requires(!std::same_as<Number, char> && !std::same_as<Number, bool>)
    LogMessage& operator<<(Number number) {
        char digits[24];
        const auto end = std::to_chars(digits, digits + sizeof digits, number).ptr;
        return *this << std::string_view(digits, static_cast<std::size_t>(end - digits));
    }
    template <class Enum>
        requires std::is_enum_v<Enum>
    LogMessage& operator<<(Enum value) {
        return *this << static_cast<std::underlying_type_t<Enum>>(value);
    }
    LogMessage& operator<<(double number) {
        char text[32];
        const int length = std::snprintf(text, sizeof text, "%g", number);
        return *this << std::string_view(text, length > 0 ? static_cast<std::size_t>(length) : 0);
    }

    const std::string& str() const { return text_; }

private:
    std::string text_;
};
