// Collects the key table of a validator: typed keys, directory keys and fixed-value keys.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "settings/validator.h"
#include "settings/value_validators.h"

namespace settings_impl {

class ValidatorBuilder {
public:
    /// Declaring a key again replaces its type.
    void addTypedKey(const std::string& key, std::uint32_t type) { typedKeys_[key] = type; }
    /// Declaring a key again replaces its flag.
    void addDirnameKey(const std::string& key, bool unchecked) { dirnameKeys_[key] = unchecked; }
    /// A second call for a key appends to its records.
    void addFixedValues(const std::string& key, const std::vector<FixedValueRecord>& records);
    void setAllowUnknownKeys(bool allow) { allowUnknownKeys_ = allow; }

    /// Typed keys first, then directory keys, then fixed-value keys: for a key in several groups the
    /// later group's validator wins.
    std::unique_ptr<ConfigValidator> build() const;

private:
    std::map<std::string, std::uint32_t> typedKeys_;
    std::map<std::string, bool> dirnameKeys_;
    std::map<std::string, std::vector<FixedValueRecord>> fixedKeys_;
    bool allowUnknownKeys_ = false;
};

}  // namespace settings_impl
