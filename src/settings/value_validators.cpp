#include "settings/value_validators.h"

#include "foundation/errors.h"
#include "settings/ascii.h"
#include "settings/constants.h"
#include "settings/errors.h"
#include "settings/file_name.h"

namespace settings_impl {

namespace {

using InavlidValueError = ConfigValidator::InavlidValueError;

std::string_view required(std::optional<std::string_view> text) {
    if (!text) ZARN_THROW(InavlidValueError, "a value is required");
    return *text;
}

bool matches(const FixedValueRecord& record, std::string_view text) {
    if (record.flags & FixedValueRecord::exactMatch) return record.text == text;
    return equalsNoCaseAscii(record.text, text);
}

}  // namespace

std::optional<Value> TypeValidator::validate(std::optional<std::string_view> text) const {
    if (!text && type_ == type::boolean) return std::nullopt;
    return Value(type_, std::string(required(text)));
}

std::optional<Value> FixedValueValidator::validate(std::optional<std::string_view> text) const {
    const std::string_view given = required(text);
    for (auto record = records_.rbegin(); record != records_.rend(); ++record) {
        if (!matches(*record, given)) continue;
        const bool ownText = (record->flags & FixedValueRecord::storeRecordText) != 0;
        return Value::integer(static_cast<std::int32_t>(record->number), std::string(ownText ? record->text : given));
    }
    ZARN_THROW(InavlidValueError, "not one of the admissible values: " + std::string(given));
}

std::optional<Value> DirnameValidator::validate(std::optional<std::string_view> text) const {
    const std::string_view given = required(text);
    if (!unchecked_ && !isDriveRootedFileName(given)) ZARN_THROW(InavlidValueError, "not a directory name: " + std::string(given));
    return Value(type::string, std::string(given));
}

}  // namespace settings_impl
