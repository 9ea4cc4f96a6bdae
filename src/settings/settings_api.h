// The configuration library's function table: plain functions that return result codes (0 for
// success, see settings/errors.h) instead of letting exceptions out.
#pragma once

#include <cstdint>

#include "settings/context.h"
#include "settings/key_mapper.h"
#include "settings/validator.h"
#include "settings/validator_builder.h"

namespace settings {

using Context = settings_impl::Context;
using Validator = settings_impl::ConfigValidator;
using ValidatorBuilder = settings_impl::ValidatorBuilder;
using KeyMapper = settings_impl::IKeyMapper;
using KeyMapperBuilder = settings_impl::KeyMapperBuilder;

/// One admissible text of a fixed-value key; `flags` as FixedValueRecord's.
struct FixedValue {
    const char* text;
    std::uint32_t number;
    std::uint32_t flags;
};

/// Called once per key, in key order.
using KeyCallback = void (*)(Context* context, std::uint32_t count, std::uint32_t index, const char* key, void* user);

/// Create and destroy functions return no code; every other function returns 300 for a null pointer
/// argument, the code of a settings::Exception, or 200 for any other failure, and writes its
/// out-parameters only on success.
struct settings_api {
    /// Throws settings::Exception 200 when the common application-data folder cannot be found.
    Context* (*createContext)();
    void (*destroyContext)(Context* context);
    std::int32_t (*getRuntimeConfigPath)(Context* context, const char** path);
    std::int32_t (*loadFile)(Context* context, const char* path, const Validator* validator,
                             const KeyMapper* keyMapper, bool stopOnError, bool allowKeyWithoutValue);
    std::int32_t (*loadString)(Context* context, const char* text, const Validator* validator,
                               const KeyMapper* keyMapper, bool stopOnError, bool allowKeyWithoutValue);
    std::int32_t (*mergeContext)(Context* context, const Context* other);
    /// `lines` is null when there are none.
    std::int32_t (*getErrorLines)(Context* context, const std::uint32_t** lines, std::uint32_t* count);
    std::int32_t (*saveFile)(Context* context, const char* path);
    std::int32_t (*isEmpty)(Context* context, std::int32_t* empty);
    std::int32_t (*equalContexts)(Context* context, const Context* other, std::int32_t* equal);
    std::int32_t (*forEachKey)(Context* context, KeyCallback callback, void* user);
    /// The text stays valid until the context's configuration changes.
    std::int32_t (*getString)(Context* context, const char* key, const char** text);
    /// A key present without value reads as 1.
    std::int32_t (*getBool)(Context* context, const char* key, std::int32_t* flag);
    std::int32_t (*getInt)(Context* context, const char* key, std::int32_t* number);
    std::int32_t (*getDouble)(Context* context, const char* key, double* number);
    std::int32_t (*removeKey)(Context* context, const char* key);
    void (*destroyValidator)(Validator* validator);
    ValidatorBuilder* (*createValidatorBuilder)();
    void (*destroyValidatorBuilder)(ValidatorBuilder* builder);
    std::int32_t (*buildValidator)(ValidatorBuilder* builder, Validator** validator);
    std::int32_t (*addStringKey)(ValidatorBuilder* builder, const char* key);
    std::int32_t (*addIntKey)(ValidatorBuilder* builder, const char* key);
    std::int32_t (*addBoolKey)(ValidatorBuilder* builder, const char* key);
    std::int32_t (*addDoubleKey)(ValidatorBuilder* builder, const char* key);
    std::int32_t (*setAllowUnknownKeys)(ValidatorBuilder* builder, bool allow);
    std::int32_t (*addFixedValues)(ValidatorBuilder* builder, const char* key, const FixedValue* records,
                                   std::uint32_t count);
    std::int32_t (*addDirnameKey)(ValidatorBuilder* builder, const char* key, bool unchecked);
    void (*destroyKeyMapper)(KeyMapper* keyMapper);
    KeyMapperBuilder* (*createKeyMapperBuilder)();
    void (*destroyKeyMapperBuilder)(KeyMapperBuilder* builder);
    std::int32_t (*buildKeyMapper)(KeyMapperBuilder* builder, KeyMapper** keyMapper);
    /// A non-zero `caseSensitive` maps only the exact spelling.
    std::int32_t (*addKeyMapping)(KeyMapperBuilder* builder, const char* source, const char* target,
                                  std::int32_t caseSensitive);
};

/// The table, filled once; callers keep their own copy.
const settings_api& getSettingsApi();

}  // namespace settings
