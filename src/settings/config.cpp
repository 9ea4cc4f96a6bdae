#include "settings/config.h"

#include <algorithm>

#include "foundation/errors.h"
#include "settings/constants.h"
#include "settings/errors.h"
#include "settings/value_conversions.h"

namespace settings_impl {

const std::optional<Value>& Config::entry(const std::string& key) const {
    const auto found = entries_.find(key);
    if (found == entries_.end()) ZARN_THROW(settings::ExceptionCode<code::missingKey>, "key not present: " + key);
    return found->second;
}

const Value& Config::value(const std::string& key) const {
    const auto& held = entry(key);
    if (!held) ZARN_THROW(settings::ExceptionCode<code::noValue>, "key without value: " + key);
    return *held;
}

const Value& Config::typed(const std::string& key, std::uint32_t wanted) const {
    const Value& held = value(key);
    if (held.type() != wanted && held.type() != type::text) {
        ZARN_THROW(settings::ExceptionCode<code::noValue>,
                   "value of " + key + " has type " + std::to_string(held.type()) + ", not " + std::to_string(wanted));
    }
    return held;
}

std::uint32_t Config::getType(const std::string& key) const { return value(key).type(); }

bool Config::hasValue(const std::string& key) const { return entry(key).has_value(); }

const char* Config::getText(const std::string& key) const { return value(key).text().c_str(); }

std::string Config::getTextCopy(const std::string& key) const { return value(key).text(); }

std::int32_t Config::getInt(const std::string& key) const {
    const Value& held = typed(key, type::integer);
    return held.type() == type::integer ? held.asInt() : textToInt(held.text());
}

double Config::getDouble(const std::string& key) const {
    const Value& held = typed(key, type::real);
    return held.type() == type::real ? held.asDouble() : textToDouble(held.text());
}

bool Config::getBool(const std::string& key) const {
    const Value& held = typed(key, type::boolean);
    return held.type() == type::boolean ? held.asBool() : textToBool(held.text());
}

std::vector<const char*> Config::keys() const {
    std::vector<const char*> out;
    out.reserve(entries_.size());
    for (const auto& [key, held] : entries_) out.push_back(key.c_str());
    return out;
}

void Config::set(const std::string& key, std::optional<Value> value) { entries_[key] = std::move(value); }

Config merge(const Config& a, const Config& b) {
    Config merged = a;
    for (const auto& [key, held] : b.entries()) merged.set(key, held);
    return merged;
}

Config remove(const Config& c, const std::vector<std::string>& keys) {
    Config reduced;
    for (const auto& [key, held] : c.entries()) {
        if (std::find(keys.begin(), keys.end(), key) == keys.end()) reduced.set(key, held);
    }
    return reduced;
}

bool equals(const Config& a, const Config& b) { return a.entries() == b.entries(); }

}  // namespace settings_impl
