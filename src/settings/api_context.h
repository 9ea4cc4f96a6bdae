// The context functions of the function table.
#pragma once

#include "settings/settings_api.h"

namespace settings_impl::api {

using settings::KeyCallback;

settings::Context* createContext();
void destroyContext(settings::Context* context);
std::int32_t getRuntimeConfigPath(settings::Context* context, const char** path);
std::int32_t loadFile(settings::Context* context, const char* path, const settings::Validator* validator,
                      const settings::KeyMapper* keyMapper, bool stopOnError, bool allowKeyWithoutValue);
std::int32_t loadString(settings::Context* context, const char* text, const settings::Validator* validator,
                        const settings::KeyMapper* keyMapper, bool stopOnError, bool allowKeyWithoutValue);
std::int32_t mergeContext(settings::Context* context, const settings::Context* other);
std::int32_t getErrorLines(settings::Context* context, const std::uint32_t** lines, std::uint32_t* count);
std::int32_t saveFile(settings::Context* context, const char* path);
std::int32_t isEmpty(settings::Context* context, std::int32_t* empty);
std::int32_t equalContexts(settings::Context* context, const settings::Context* other, std::int32_t* equal);
std::int32_t forEachKey(settings::Context* context, KeyCallback callback, void* user);
std::int32_t getString(settings::Context* context, const char* key, const char** text);
std::int32_t getBool(settings::Context* context, const char* key, std::int32_t* flag);
std::int32_t getInt(settings::Context* context, const char* key, std::int32_t* number);
std::int32_t getDouble(settings::Context* context, const char* key, double* number);
std::int32_t removeKey(settings::Context* context, const char* key);

}  // namespace settings_impl::api
