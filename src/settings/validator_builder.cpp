#include "settings/validator_builder.h"

namespace settings_impl {

void ValidatorBuilder::addFixedValues(const std::string& key, const std::vector<FixedValueRecord>& records) {
    auto& held = fixedKeys_[key];
    held.insert(held.end(), records.begin(), records.end());
}

std::unique_ptr<ConfigValidator> ValidatorBuilder::build() const {
    std::map<std::string, std::unique_ptr<IConfigValueValidator>> validators;
    for (const auto& [key, type] : typedKeys_) validators[key] = std::make_unique<TypeValidator>(type);
    for (const auto& [key, unchecked] : dirnameKeys_) validators[key] = std::make_unique<DirnameValidator>(unchecked);
    for (const auto& [key, records] : fixedKeys_) validators[key] = std::make_unique<FixedValueValidator>(records);
    return std::make_unique<ConfigValidator>(std::move(validators), allowUnknownKeys_);
}

}  // namespace settings_impl
