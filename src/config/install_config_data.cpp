#include "config/install_config_data.h"

#include <stdexcept>

#include "foundation/errors.h"
#include "foundation/logger.h"
#include "foundation/tstrings_convert.h"
#include "foundation/tstrings_format.h"
#include "platform/machine.h"
#include "settings/errors.h"

namespace config {

namespace {

namespace code = settings_impl::code;

void check(std::int32_t result, const char* what) {
    if (result != code::success) {
        ZARN_THROW(settings::Exception, result, std::string(what) + " failed with " + std::to_string(result));
    }
}

constexpr std::uint32_t exactMatch = 1;
constexpr settings::FixedValue enableDisableValues[] = {
    {"Enable", 1, exactMatch}, {"Disable", 0, exactMatch}, {"1", 1, exactMatch}, {"0", 0, exactMatch}};
constexpr settings::FixedValue levelValues[] = {
    {"1", 1, exactMatch}, {"2", 2, exactMatch}, {"3", 3, exactMatch}, {"4", 4, exactMatch},
    {"L", 1, exactMatch}, {"M", 2, exactMatch}, {"H", 3, exactMatch}, {"VH", 4, exactMatch}};

template <std::size_t N>
void addFixed(const settings::settings_api& api, settings::ValidatorBuilder* builder, const char* key,
              const settings::FixedValue (&values)[N]) {
    check(api.addFixedValues(builder, key, values, static_cast<std::uint32_t>(N)), "addFixedValues");
}

settings::Validator* buildValidator(const settings::settings_api& api, std::span<const KeyRecord> records) {
    const std::unique_ptr<settings::ValidatorBuilder, void (*)(settings::ValidatorBuilder*)> owned(
        api.createValidatorBuilder(), api.destroyValidatorBuilder);
    if (!owned) ZARN_THROW(settings::Exception, code::internalError, "createValidatorBuilder failed");
    auto* builder = owned.get();
    for (const auto& record : records) {
        switch (record.kind) {
            case KeyKind::enableDisable:
                addFixed(api, builder, record.key, enableDisableValues);
                break;
            case KeyKind::level:
                // Declared an integer first; the fixed values win.
                check(api.addIntKey(builder, record.key), "addIntKey");
                addFixed(api, builder, record.key, levelValues);
                break;
            case KeyKind::string:
                check(api.addStringKey(builder, record.key), "addStringKey");
                break;
            case KeyKind::directory:
                check(api.addStringKey(builder, record.key), "addStringKey");
                check(api.addDirnameKey(builder, record.key, false), "addDirnameKey");
                break;
            case KeyKind::integer:
                check(api.addIntKey(builder, record.key), "addIntKey");
                break;
            case KeyKind::switchOnly:
                break;
        }
    }
    check(api.setAllowUnknownKeys(builder, false), "setAllowUnknownKeys");
    settings::Validator* validator = nullptr;
    check(api.buildValidator(builder, &validator), "buildValidator");
    return validator;
}

// Every validated key in any letter case stands for its own spelling.
settings::KeyMapper* buildKeyMapper(const settings::settings_api& api, std::span<const KeyRecord> records) {
    const std::unique_ptr<settings::KeyMapperBuilder, void (*)(settings::KeyMapperBuilder*)> owned(
        api.createKeyMapperBuilder(), api.destroyKeyMapperBuilder);
    if (!owned) ZARN_THROW(settings::Exception, code::internalError, "createKeyMapperBuilder failed");
    for (const auto& record : records) {
        if (!isSwitch(record)) check(api.addKeyMapping(owned.get(), record.key, record.key, 0), "addKeyMapping");
    }
    settings::KeyMapper* keyMapper = nullptr;
    check(api.buildKeyMapper(owned.get(), &keyMapper), "buildKeyMapper");
    return keyMapper;
}

template <class Setting>
const char* keyAt(std::span<const char* const> keys, Setting setting) {
    if (static_cast<std::size_t>(setting) >= keys.size()) {
        ZARN_THROW(std::out_of_range, "no setting at index " + std::to_string(static_cast<std::size_t>(setting)));
    }
    return keys[static_cast<std::size_t>(setting)];
}

bool valueText(const OwnedConfig& configuration, const char* key, std::string& out) {
    const char* text = nullptr;
    if (configuration.api.getString(configuration.context, key, &text) != code::success) return false;
    out = text;
    return true;
}

}  // namespace

OwnedConfig::OwnedConfig(const settings::settings_api& table) : api(table), context(table.createContext()) {
    if (context == nullptr) ZARN_THROW(settings::Exception, code::internalError, "createContext failed");
}

OwnedConfig::~OwnedConfig() { api.destroyContext(context); }

InstallConfigData::InstallConfigData(platform::Module module)
    : api_(settings::getSettingsApi()),
      records_(keyRecords().begin(), keyRecords().end()),
      validator_(buildValidator(api_, records_), api_.destroyValidator),
      keyMapper_(buildKeyMapper(api_, records_), api_.destroyKeyMapper),
      working_(api_),
      export_(api_),
      backup_(api_),
      module_(module) {
    adopt(working_);
    adopt(export_);
    adopt(backup_);
    check(api_.loadString(working_.context, defaultConfigText, working_.validator, working_.keyMapper, true, false),
          "loading the default settings");
    defaultsLoaded_ = true;
    LOG_INFO(tstrings::format("Default config settings are: \n%s", defaultConfigText));
}

void InstallConfigData::adopt(OwnedConfig& configuration) const {
    configuration.validator = validator_.get();
    configuration.keyMapper = keyMapper_.get();
}

template <class Setting>
std::int32_t InstallConfigData::getIntFrom(std::span<const char* const> keys, Setting setting) const {
    const char* key = keyAt(keys, setting);
    std::int32_t number = 0;
    check(api_.getInt(working_.context, key, &number), key);
    return number;
}

bool InstallConfigData::getEnableDisable(EnableDisableSetting setting) const {
    return getIntFrom(enableDisableKeys(), setting) != 0;
}

bool InstallConfigData::isEnabled(EnableDisableSetting setting) const {
    return hasKey(keyAt(enableDisableKeys(), setting)) && getEnableDisable(setting);
}

std::string InstallConfigData::getStringSetting(StringSetting setting) const {
    const char* key = keyAt(stringKeys(), setting);
    const char* text = nullptr;
    check(api_.getString(working_.context, key, &text), key);
    return text;
}

std::u16string InstallConfigData::getWideStringSetting(StringSetting setting) const {
    return tstrings::toUtf16(getStringSetting(setting));
}

std::int32_t InstallConfigData::getIntSetting(IntSetting setting) const { return getIntFrom(intKeys(), setting); }

bool InstallConfigData::hasKey(const char* key, const OwnedConfig& configuration) {
    const char* text = nullptr;
    std::int32_t flag = 0;
    return configuration.api.getString(configuration.context, key, &text) == code::success ||
           configuration.api.getBool(configuration.context, key, &flag) == code::success;
}

bool InstallConfigData::isSilent() const {
    return hasKey("/s") || hasKey("-download") || isEnabled(eInstallSilent);
}

std::string InstallConfigData::dumpConfig(const OwnedConfig& configuration, std::string_view title) {
    std::string text = "|------" + std::string(title) + "--------|\n\n";
    for (const auto& record : keyRecords()) {
        if (!hasKey(record.key, configuration)) continue;
        std::string value;
        if (!valueText(configuration, record.key, value)) value = "1";
        text += std::string(record.key) + " = " + value + "\n";
    }
    return text + "|-------------------------------------|\n";
}

std::string InstallConfigData::runtimeConfigPath() const {
    const char* path = nullptr;
    check(api_.getRuntimeConfigPath(working_.context, &path), "getRuntimeConfigPath");
    return path;
}

std::int32_t InstallConfigData::loadText(OwnedConfig& configuration, const std::string& text) const {
    return configuration.api.loadString(configuration.context, text.c_str(), configuration.validator,
                                        configuration.keyMapper, configuration.stopOnError,
                                        configuration.allowKeyWithoutValue);
}

void InstallConfigData::removeRuntimeFile() {
    LOG_INFO("Removing runtime config file IF EXIST.");
    platform::machine().fileSystem().deleteFile(runtimeConfigPath());
}

int InstallConfigData::SaveRuntimeConfig() {
    LOG_INFO("...Exporting config settings");
    std::int32_t equal = 0;
    if (const auto result = api_.equalContexts(backup_.context, export_.context, &equal)) return result;
    if (equal != 0) {
        LOG_INFO("Nothing new to export to runtime.");
        return 0;
    }
    std::int32_t empty = 0;
    if (const auto result = api_.isEmpty(export_.context, &empty)) return result;
    if (empty != 0) {
        removeRuntimeFile();
        return 0;
    }
    return ExportConfigSettings(export_, isSilent());
}

int InstallConfigData::RestoreRuntimeConfig() {
    LOG_INFO("...Restoring config settings");
    std::int32_t equal = 0;
    if (const auto result = api_.equalContexts(backup_.context, export_.context, &equal)) return result;
    if (equal != 0) return 0;
    std::int32_t empty = 0;
    if (const auto result = api_.isEmpty(backup_.context, &empty)) return result;
    if (empty != 0) {
        removeRuntimeFile();
        return 0;
    }
    return ExportConfigSettings(backup_, true);
}

int InstallConfigData::ExportConfigSettings(OwnedConfig& configuration, bool silent) {
    LOG_INFO("...Exporting config settings");
    std::int32_t empty = 0;
    if (const auto result = configuration.api.isEmpty(configuration.context, &empty)) return result;
    if (empty != 0) {
        LOG_INFO("Config is empty: don't do export");
        return 0;
    }
    LOG_INFO("Writing to the runtime config file.");
    const std::string path = runtimeConfigPath();
    const std::int32_t result = configuration.api.saveFile(configuration.context, path.c_str());
    if (!ShowConfigError(module_, configuration, result, path, silent)) {
        LOG_ERROR("Fails on writing to the runtime config file.");
    }
    return result;
}

}  // namespace config
