// A configuration value: its type code, its typed payload and, always, its text.
#pragma once

#include <cstdint>
#include <string>
#include <variant>

namespace settings_impl {

class Value {
public:
    /// A value of type `type` made from `text`: 302 when the text is not UTF-8 or does not convert;
    /// std::runtime_error "unexpected" for an unknown type.
    Value(std::uint32_t type, std::string text);
    /// An integer (type 102) value with a number of its own and the text to keep with it.
    static Value integer(std::int32_t number, std::string text);

    std::uint32_t type() const { return type_; }
    const std::string& text() const { return text_; }
    /// The payloads; asking a value of another type is a programming error.
    std::int32_t asInt() const { return std::get<std::int32_t>(payload_); }
    bool asBool() const { return std::get<bool>(payload_); }
    double asDouble() const { return std::get<double>(payload_); }

    /// Same type and equal: 100 and 101 by text, 102 by integer, 103 by bool, 104 by double (NaN never).
    friend bool operator==(const Value& a, const Value& b);

private:
    Value() = default;

    std::uint32_t type_ = 0;
    std::variant<std::monostate, std::int32_t, bool, double> payload_;
    std::string text_;
};

}  // namespace settings_impl
