// The validator and key-mapper functions of the function table.
#pragma once

#include "settings/settings_api.h"

namespace settings_impl::api {

void destroyValidator(settings::Validator* validator);
settings::ValidatorBuilder* createValidatorBuilder();
void destroyValidatorBuilder(settings::ValidatorBuilder* builder);
std::int32_t buildValidator(settings::ValidatorBuilder* builder, settings::Validator** validator);
std::int32_t addStringKey(settings::ValidatorBuilder* builder, const char* key);
std::int32_t addIntKey(settings::ValidatorBuilder* builder, const char* key);
std::int32_t addBoolKey(settings::ValidatorBuilder* builder, const char* key);
std::int32_t addDoubleKey(settings::ValidatorBuilder* builder, const char* key);
std::int32_t setAllowUnknownKeys(settings::ValidatorBuilder* builder, bool allow);
std::int32_t addFixedValues(settings::ValidatorBuilder* builder, const char* key, const settings::FixedValue* records,
                            std::uint32_t count);
std::int32_t addDirnameKey(settings::ValidatorBuilder* builder, const char* key, bool unchecked);

void destroyKeyMapper(settings::KeyMapper* keyMapper);
settings::KeyMapperBuilder* createKeyMapperBuilder();
void destroyKeyMapperBuilder(settings::KeyMapperBuilder* builder);
std::int32_t buildKeyMapper(settings::KeyMapperBuilder* builder, settings::KeyMapper** keyMapper);
std::int32_t addKeyMapping(settings::KeyMapperBuilder* builder, const char* source, const char* target,
                           std::int32_t caseSensitive);

}  // namespace settings_impl::api
