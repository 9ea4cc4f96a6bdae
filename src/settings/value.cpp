#include "settings/value.h"

#include <stdexcept>

#include "foundation/errors.h"
#include "settings/constants.h"
#include "settings/errors.h"
#include "settings/plain_text.h"
#include "settings/value_conversions.h"

namespace settings_impl {

namespace {

void requirePlainText(const std::string& text) {
    if (!isPlainText(text)) ZARN_THROW(settings::ExceptionCode<code::notUtf8>, "value text is not UTF-8");
}

}  // namespace

Value::Value(std::uint32_t valueType, std::string valueText) : type_(valueType), text_(std::move(valueText)) {
    requirePlainText(text_);
    switch (type_) {
        case type::text:
        case type::string:
            break;
        case type::integer:
            payload_ = textToInt(text_);
            break;
        case type::boolean:
            payload_ = textToBool(text_);
            break;
        case type::real:
            payload_ = textToDouble(text_);
            break;
        default:
            ZARN_THROW(std::runtime_error, "unexpected");
    }
}

Value Value::integer(std::int32_t number, std::string valueText) {
    requirePlainText(valueText);
    Value value;
    value.type_ = type::integer;
    value.payload_ = number;
    value.text_ = std::move(valueText);
    return value;
}

bool operator==(const Value& a, const Value& b) {
    if (a.type_ != b.type_) return false;
    switch (a.type_) {
        case type::integer:
            return a.asInt() == b.asInt();
        case type::boolean:
            return a.asBool() == b.asBool();
        case type::real:
            return a.asDouble() == b.asDouble();  // NaN compares unequal by itself
        default:
            return a.text_ == b.text_;
    }
}

}  // namespace settings_impl
