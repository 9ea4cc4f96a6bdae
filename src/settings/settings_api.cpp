#include "settings/settings_api.h"

#include "settings/api_builders.h"
#include "settings/api_context.h"

namespace settings {

namespace {

settings_api makeTable() {
    using namespace settings_impl::api;
    return settings_api{
        createContext,         destroyContext,   getRuntimeConfigPath,
        loadFile,              loadString,       mergeContext,
        getErrorLines,         saveFile,         isEmpty,
        equalContexts,         forEachKey,       getString,
        getBool,               getInt,           getDouble,
        removeKey,             destroyValidator, createValidatorBuilder,
        destroyValidatorBuilder, buildValidator, addStringKey,
        addIntKey,             addBoolKey,       addDoubleKey,
        setAllowUnknownKeys,   addFixedValues,   addDirnameKey,
        destroyKeyMapper,      createKeyMapperBuilder, destroyKeyMapperBuilder,
        buildKeyMapper,        addKeyMapping,
    };
}

}  // namespace

static_assert(sizeof(settings_api) == 32 * sizeof(void (*)()), "the table holds 32 functions");

const settings_api& getSettingsApi() {
    static const settings_api table = makeTable();
    return table;
}

}  // namespace settings
