#include "settings/api_context.h"

#include <new>

#include "settings/api_guard.h"

namespace settings_impl::api {

namespace {

// An empty path counts as a missing one: there is nothing to open.
bool missingPath(const char* path) { return path == nullptr || *path == '\0'; }

LoadOptions options(const settings::Validator* validator, const settings::KeyMapper* keyMapper, bool stopOnError,
                    bool allowKeyWithoutValue) {
    return LoadOptions{validator, keyMapper, stopOnError, allowKeyWithoutValue};
}

}  // namespace

settings::Context* createContext() { return new (std::nothrow) settings::Context(); }

void destroyContext(settings::Context* context) { delete context; }

std::int32_t getRuntimeConfigPath(settings::Context* context, const char** path) {
    if (anyNull(context, path)) return code::nullArgument;
    *path = context->runtimeConfigPath().c_str();
    return code::success;
}

std::int32_t loadFile(settings::Context* context, const char* path, const settings::Validator* validator,
                      const settings::KeyMapper* keyMapper, bool stopOnError, bool allowKeyWithoutValue) {
    if (context == nullptr || missingPath(path)) return code::nullArgument;
    return guarded([&] { context->loadFile(path, options(validator, keyMapper, stopOnError, allowKeyWithoutValue)); });
}

std::int32_t loadString(settings::Context* context, const char* text, const settings::Validator* validator,
                        const settings::KeyMapper* keyMapper, bool stopOnError, bool allowKeyWithoutValue) {
    if (anyNull(context, text)) return code::nullArgument;
    return guarded([&] { context->loadString(text, options(validator, keyMapper, stopOnError, allowKeyWithoutValue)); });
}

std::int32_t mergeContext(settings::Context* context, const settings::Context* other) {
    if (anyNull(context, other)) return code::nullArgument;
    return guarded([&] { context->mergeFrom(*other); });
}

std::int32_t getErrorLines(settings::Context* context, const std::uint32_t** lines, std::uint32_t* count) {
    if (anyNull(context, lines, count)) return code::nullArgument;
    const auto& held = context->errorLines();
    *lines = held.empty() ? nullptr : held.data();
    *count = static_cast<std::uint32_t>(held.size());
    return code::success;
}

std::int32_t saveFile(settings::Context* context, const char* path) {
    if (context == nullptr || missingPath(path)) return code::nullArgument;
    return guarded([&] { context->saveFile(path); });
}

std::int32_t isEmpty(settings::Context* context, std::int32_t* empty) {
    if (anyNull(context, empty)) return code::nullArgument;
    *empty = context->config().empty() ? 1 : 0;
    return code::success;
}

std::int32_t equalContexts(settings::Context* context, const settings::Context* other, std::int32_t* equal) {
    if (anyNull(context, other, equal)) return code::nullArgument;
    return guarded([&] { *equal = equals(context->config(), other->config()) ? 1 : 0; });
}

std::int32_t forEachKey(settings::Context* context, KeyCallback callback, void* user) {
    if (context == nullptr || callback == nullptr) return code::nullArgument;
    return guarded([&] {
        const auto keys = context->config().keys();
        const auto count = static_cast<std::uint32_t>(keys.size());
        for (std::uint32_t i = 0; i < count; ++i) callback(context, count, i, keys[i], user);
    });
}

// The installer asks for every setting it knows, most of them absent: a missing key is answered
// without raising and catching an exception for it.
bool missing(const settings::Context* context, const char* key) { return !context->config().entries().contains(key); }

std::int32_t getString(settings::Context* context, const char* key, const char** text) {
    if (anyNull(context, key, text)) return code::nullArgument;
    if (missing(context, key)) return code::missingKey;
    return guarded([&] { *text = context->config().getText(key); });
}

std::int32_t getBool(settings::Context* context, const char* key, std::int32_t* flag) {
    if (anyNull(context, key, flag)) return code::nullArgument;
    if (missing(context, key)) return code::missingKey;
    return guarded([&] {
        const auto& config = context->config();
        *flag = (!config.hasValue(key) || config.getBool(key)) ? 1 : 0;
    });
}

std::int32_t getInt(settings::Context* context, const char* key, std::int32_t* number) {
    if (anyNull(context, key, number)) return code::nullArgument;
    if (missing(context, key)) return code::missingKey;
    return guarded([&] { *number = context->config().getInt(key); });
}

std::int32_t getDouble(settings::Context* context, const char* key, double* number) {
    if (anyNull(context, key, number)) return code::nullArgument;
    return guarded([&] { *number = context->config().getDouble(key); });
}

std::int32_t removeKey(settings::Context* context, const char* key) {
    if (anyNull(context, key)) return code::nullArgument;
    return guarded([&] { context->removeKey(key); });
}

}  // namespace settings_impl::api
