#include "settings/api_builders.h"

#include <new>
#include <vector>

#include "settings/api_guard.h"
#include "settings/constants.h"

namespace settings_impl::api {

namespace {

std::int32_t addTypedKey(settings::ValidatorBuilder* builder, const char* key, std::uint32_t type) {
    if (anyNull(builder, key)) return code::nullArgument;
    return guarded([&] { builder->addTypedKey(key, type); });
}

}  // namespace

void destroyValidator(settings::Validator* validator) { delete validator; }

settings::ValidatorBuilder* createValidatorBuilder() { return new (std::nothrow) settings::ValidatorBuilder(); }

void destroyValidatorBuilder(settings::ValidatorBuilder* builder) { delete builder; }

std::int32_t buildValidator(settings::ValidatorBuilder* builder, settings::Validator** validator) {
    if (anyNull(builder, validator)) return code::nullArgument;
    return guarded([&] { *validator = builder->build().release(); });
}

std::int32_t addStringKey(settings::ValidatorBuilder* builder, const char* key) {
    return addTypedKey(builder, key, type::string);
}

std::int32_t addIntKey(settings::ValidatorBuilder* builder, const char* key) {
    return addTypedKey(builder, key, type::integer);
}

std::int32_t addBoolKey(settings::ValidatorBuilder* builder, const char* key) {
    return addTypedKey(builder, key, type::boolean);
}

std::int32_t addDoubleKey(settings::ValidatorBuilder* builder, const char* key) {
    return addTypedKey(builder, key, type::real);
}

std::int32_t setAllowUnknownKeys(settings::ValidatorBuilder* builder, bool allow) {
    if (builder == nullptr) return code::nullArgument;
    builder->setAllowUnknownKeys(allow);
    return code::success;
}

std::int32_t addFixedValues(settings::ValidatorBuilder* builder, const char* key, const settings::FixedValue* records,
                            std::uint32_t count) {
    if (anyNull(builder, key, records)) return code::nullArgument;
    for (std::uint32_t i = 0; i < count; ++i) {
        if (records[i].text == nullptr) return code::nullArgument;
    }
    return guarded([&] {
        std::vector<FixedValueRecord> copied;
        copied.reserve(count);
        for (std::uint32_t i = 0; i < count; ++i) copied.push_back({records[i].text, records[i].number, records[i].flags});
        builder->addFixedValues(key, copied);
    });
}

std::int32_t addDirnameKey(settings::ValidatorBuilder* builder, const char* key, bool unchecked) {
    if (anyNull(builder, key)) return code::nullArgument;
    return guarded([&] { builder->addDirnameKey(key, unchecked); });
}

void destroyKeyMapper(settings::KeyMapper* keyMapper) { delete keyMapper; }

settings::KeyMapperBuilder* createKeyMapperBuilder() { return new (std::nothrow) settings::KeyMapperBuilder(); }

void destroyKeyMapperBuilder(settings::KeyMapperBuilder* builder) { delete builder; }

std::int32_t buildKeyMapper(settings::KeyMapperBuilder* builder, settings::KeyMapper** keyMapper) {
    if (anyNull(builder, keyMapper)) return code::nullArgument;
    return guarded([&] { *keyMapper = builder->build().release(); });
}

std::int32_t addKeyMapping(settings::KeyMapperBuilder* builder, const char* source, const char* target,
                           std::int32_t caseSensitive) {
    if (anyNull(builder, source, target)) return code::nullArgument;
    return guarded([&] { builder->addMapping(source, target, caseSensitive != 0); });
}

}  // namespace settings_impl::api
