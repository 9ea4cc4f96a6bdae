#include "settings/config_builder.h"

#include "settings/constants.h"
#include "settings/errors.h"
#include "settings/key_mapper.h"
#include "settings/validator.h"

namespace settings_impl {

const char* lineErrorMessage(std::int32_t code) {
    switch (code) {
        case code::keyWithoutValue:
            return "Key without value";
        case code::emptyKey:
            return "Empty key";
        case code::invalidKey:
            return "Invalid key";
        case code::invalidValue:
            return "Invalid value";
        case code::invalidComment:
            return "Invalid comment";
        default:
            return "Unknown error";
    }
}

bool ConfigBuilder::onComment(const IParserCursor&, std::string_view) { return true; }

const std::string& ConfigBuilder::mapped(const std::string& key) {
    if (keyMapper_ == nullptr) return key;
    const auto known = mappedKeys_.find(key);
    if (known != mappedKeys_.end()) return known->second;
    return mappedKeys_.emplace(key, keyMapper_->map(key).key).first->second;
}

std::int32_t ConfigBuilder::onKeyValue(const IParserCursor&, const std::string& key,
                                       const std::optional<std::string>& value) {
    const std::string& mapped = this->mapped(key);
    if (!value) {
        config_.set(mapped, std::nullopt);
        return code::accepted;
    }
    if (validator_ == nullptr) {
        config_.set(mapped, Value(type::text, *value));
        return code::accepted;
    }
    try {
        config_.set(mapped, validator_->validate(mapped, *value));
    } catch (const ConfigValidator::InavlidKeyError&) {
        return code::invalidKey;
    } catch (const ConfigValidator::InavlidValueError&) {
        return code::invalidValue;
    } catch (const settings::Exception&) {
        return code::invalidValue;
    }
    return code::accepted;
}

void ConfigBuilder::onError(const IParserCursor& cursor, std::int32_t code) {
    if (listener_ == nullptr) return;
    listener_->onError(cursor, std::string("\"") + lineErrorMessage(code) + "\" at " + formatter_(cursor));
}

}  // namespace settings_impl
