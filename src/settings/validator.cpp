#include "settings/validator.h"

#include "foundation/errors.h"
#include "settings/constants.h"

namespace settings_impl {

std::optional<Value> ConfigValidator::validate(const std::string& key, std::optional<std::string_view> text) const {
    const auto found = validators_.find(key);
    if (found != validators_.end()) return found->second->validate(text);
    if (!allowUnknownKeys_) ZARN_THROW(InavlidKeyError, "unknown key: " + key);
    if (!text) return std::nullopt;
    return Value(type::text, std::string(*text));
}

}  // namespace settings_impl
