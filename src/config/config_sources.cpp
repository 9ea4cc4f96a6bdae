// Reading the sources into the configurations: command line, runtime file, install file, checks.
#include <algorithm>

#include "config/install_config_data.h"
#include "foundation/auto_handle.h"
#include "foundation/errors.h"
#include "foundation/logger.h"
#include "foundation/tstrings_convert.h"
#include "foundation/tstrings_format.h"
#include "platform/machine.h"
#include "platform/win_errors.h"
#include "settings/errors.h"

namespace config {

namespace {

namespace code = settings_impl::code;

/// The command line's failed switches are reported together under this code.
constexpr std::int32_t switchErrors = 3090;
/// Reported for a runtime file that exists but cannot be opened for reading.
constexpr std::int32_t noReadPermission = 305;

char lowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool startsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    return std::equal(prefix.begin(), prefix.end(), text.begin(),
                      [](char a, char b) { return lowerAscii(a) == lowerAscii(b); });
}

bool equalsNoCase(std::string_view a, std::string_view b) { return a.size() == b.size() && startsWithNoCase(a, b); }

std::string quoted(const std::string& text) { return "\"" + text + "\";"; }

bool fileExists(const std::string& path) {
    std::uint32_t attributes = 0;
    return platform::machine().fileSystem().getFileAttributes(path, attributes) == platform::err::success;
}

/// The keys `configuration` holds, in its order; the table's code.
std::int32_t keysOf(const OwnedConfig& configuration, std::vector<std::string>& keys) {
    const auto collect = [](settings::Context*, std::uint32_t, std::uint32_t, const char* key, void* user) {
        static_cast<std::vector<std::string>*>(user)->emplace_back(key);
    };
    return configuration.api.forEachKey(configuration.context, collect, &keys);
}

}  // namespace

const KeyRecord* InstallConfigData::matchArgument(std::string_view name, bool hasSeparator) const {
    for (const auto& record : records_) {
        const bool named = record.prefixMatch != 0 ? startsWithNoCase(name, record.key) : equalsNoCase(name, record.key);
        if (named && hasSeparator != isSwitch(record)) return &record;
    }
    return nullptr;
}

int InstallConfigData::ImportArgsConfigSettings(OwnedConfig& configuration, const std::vector<std::string>& args,
                                                std::size_t count, bool quiet) {
    LOG_INFO("...Importing command line arguments");
    configuration.allowKeyWithoutValue = true;
    std::string msiText;
    std::string errors;
    int result = 0;
    const auto failed = [&](const std::string& argument, int code) {
        errors += quoted(argument);
        result = code;
    };
    count = std::min(count, args.size());
    for (std::size_t i = 1; i < count; ++i) {
        const std::string& argument = args[i];
        if (argument.empty()) continue;
        // One argument is one line of configuration text: a line break would smuggle in more.
        if (argument.find_first_of("\r\n") != std::string::npos) {
            LOG_ERROR(tstrings::format("Loading arg %s failed with %d", argument.c_str(), code::malformedLines));
            failed(argument, code::malformedLines);
            continue;
        }
        const auto separator = argument.find_first_of("=:");
        const KeyRecord* record =
            matchArgument(std::string_view(argument).substr(0, separator), separator != std::string::npos);
        if (record == nullptr) {
            LOG_ERROR(tstrings::format("arg %s is not supported", argument.c_str()));
            failed(argument, code::malformedLines);
            continue;
        }
        if (record->msiPassThrough != 0) {
            if (std::string_view(record->key) == "/l") {
                if (i + 1 < count) {
                    installLogPath_ = args[++i];
                } else {
                    LOG_ERROR(tstrings::format("arg %s is incorrect", argument.c_str()));
                    failed(argument, code::malformedLines);
                }
                continue;
            }
            msiText += " " + argument;
        }
        const std::string text = record->prefixMatch != 0 ? std::string(record->key) : argument;
        std::int32_t loaded = loadText(configuration, text);
        if (loaded != 0 || !hasKey(record->key, configuration)) {
            if (loaded == 0) loaded = code::malformedLines;
            LOG_ERROR(tstrings::format("Loading arg %s failed with %d", argument.c_str(), static_cast<int>(loaded)));
            failed(argument, loaded);
        }
    }
    if (!msiText.empty()) {
        LOG_INFO("...adding MSICMDLINE to settingsConfig");
        const std::string line = "MSI_CMDLINE=" + msiText;
        if (const auto loaded = loadText(configuration, line)) {
            LOG_ERROR(tstrings::format("Loading arg %s failed with %d", line.c_str(), static_cast<int>(loaded)));
            failed(line, loaded);
        }
    }
    if (result != 0) ShowConfigError(module_, configuration, switchErrors, errors, quiet || isSilent());
    return result;
}

int InstallConfigData::ImportRuntimeConfigSettings(OwnedConfig& configuration, bool silent, bool exportedOnly) {
    LOG_INFO("...Importing runtime configuration file...");
    const std::string path = runtimeConfigPath();
    LOG_INFO(tstrings::format("Runtime config file path is %s", path.c_str()));
    // Only command-line switches go without value; a file holds key=value lines.
    std::int32_t result = configuration.api.loadFile(configuration.context, path.c_str(), configuration.validator,
                                                     configuration.keyMapper, configuration.stopOnError, false);
    if (result == code::cannotOpen) {
        if (!fileExists(path)) {
            LOG_INFO("Runtime configuration file doesn't exist. It will be created later by settings_api.");
            return 0;
        }
        // There is a file, but not for us to read: writing over it later would lose what it holds.
        result = noReadPermission;
    }
    if (result != 0 && !ShowConfigError(module_, configuration, result, path, silent)) {
        LOG_ERROR(tstrings::format("Runtime configuration file import failed with %d", static_cast<int>(result)));
    }
    if (result == 0 && exportedOnly) dropUnexportedRuntimeKeys(configuration, path);
    return result;
}

bool InstallConfigData::isExported(const std::string& key) const {
    return std::any_of(records_.begin(), records_.end(),
                       [&](const KeyRecord& r) { return key == r.key && r.exported != 0; });
}

// The runtime file only ever holds the exported settings; anything else there (a CMDLINE, an
// INSTALLDIR) must not reach an elevated msiexec. Such a key is taken out again, and a default it
// replaced comes back.
void InstallConfigData::dropUnexportedRuntimeKeys(OwnedConfig& configuration, const std::string& path) {
    OwnedConfig file(api_);
    adopt(file);
    if (file.api.loadFile(file.context, path.c_str(), file.validator, file.keyMapper, false, false) != 0) return;
    std::vector<std::string> keys;
    if (keysOf(file, keys) != 0) return;
    for (const std::string& key : keys) {
        if (isExported(key)) continue;
        if (&configuration == &working_) {
            LOG_WARNING("Ignoring " + key +
                        " in the runtime configuration file: only exported settings are read from it");
        }
        configuration.api.removeKey(configuration.context, key.c_str());
        if (&configuration != &working_) continue;
        const std::string defaults = defaultConfigText;
        const auto at = defaults.find(key + "=");
        if (at == 0 || (at != std::string::npos && defaults[at - 1] == '\n')) {
            loadText(configuration, defaults.substr(at, defaults.find('\n', at) - at));
        }
    }
}

int InstallConfigData::ImportInstallConfigSettings(OwnedConfig& configuration, const std::string& path, bool silent) {
    LOG_INFO("...Importing Install Configuration file");
    const std::int32_t result = configuration.api.loadFile(configuration.context, path.c_str(), configuration.validator,
                                                           configuration.keyMapper, configuration.stopOnError, false);
    if (result == code::nullArgument) {
        LOG_WARNING("Install Configuration file path is empty. Ignore it and continue installation.");
        return 0;
    }
    if (result != 0 && !ShowConfigError(module_, configuration, result, path, silent)) {
        LOG_ERROR(tstrings::format("Install Configuration file import failed with %d", static_cast<int>(result)));
    }
    return result;
}

int InstallConfigData::CheckParam(const KeyRecord& record, const std::string& value) const {
    if (record.enterpriseOnly != 0) {
        LOG_INFO(tstrings::format("IsInstallerEnterprise is %d", IsInstallerEnterprise ? 1 : 0));
        if (!IsInstallerEnterprise) {
            LOG_ERROR("The param is not supported.");
            return switchErrors;
        }
    }
    if (record.fileParam != 0) {
        LOG_TRACE("Checking if file is accessible for read...");
        platform::Handle handle = platform::Handle::invalid;
        if (platform::machine().fileSystem().createFile(value, platform::file::genericRead, platform::file::shareRead,
                                                        platform::file::openExisting, platform::file::attributeNormal,
                                                        handle) != platform::err::success) {
            return code::readFailed;
        }
        const AutoHandle closer(handle);
    }
    if (record.plainTextParam != 0) LOG_TRACE("Checking if file is a plain text...");
    return 0;
}

int InstallConfigData::CheckParams(OwnedConfig& configuration, bool silent) {
    for (const auto& record : records_) {
        const char* text = nullptr;
        if (configuration.api.getString(configuration.context, record.key, &text) != code::success) continue;
        const int result = CheckParam(record, text);
        if (result == 0) continue;
        ShowConfigError(module_, configuration, result, quoted(record.key), silent);
        LOG_ERROR(tstrings::format("CheckParams(%s) failed with %d", record.key, result));
        return result;
    }
    return 0;
}

int InstallConfigData::loadFromSources(OwnedConfig& configuration, const std::string& installConfigPath,
                                       const std::vector<std::string>& args, bool silent) {
    if (const int result = ImportRuntimeConfigSettings(configuration, silent)) return result;
    if (!installConfigPath.empty()) {
        if (const int result = ImportInstallConfigSettings(configuration, installConfigPath, silent)) return result;
    }
    if (const int result = ImportArgsConfigSettings(configuration, args, args.size(), silent)) return result;
    return CheckParams(configuration, silent);
}

int InstallConfigData::addCmdline() {
    std::string text;
    for (const auto& record : records_) {
        if (record.inCmdLine == 0) continue;
        const char* value = nullptr;
        if (export_.api.getString(export_.context, record.key, &value) != code::success) continue;
        // Inner quotes doubled: a value must not close its quotes and start another property.
        text += std::string(" ") + record.key + "=\"" + tstrings::doubleQuotes(value) + "\"";
    }
    if (text.empty()) return 0;
    const std::string line = "CMDLINE=" + text;
    const std::int32_t result = loadText(working_, line);
    if (result != 0) LOG_ERROR(tstrings::format("Loading arg %s failed with %d", line.c_str(), static_cast<int>(result)));
    return result;
}

void InstallConfigData::normalizeExport() {
    std::vector<std::string> keys;
    if (const auto result = keysOf(export_, keys)) {
        ZARN_THROW(settings::Exception, result, "forEachKey failed with " + std::to_string(result));
    }
    for (const auto& key : keys) {
        if (isExported(key)) continue;
        if (const auto result = export_.api.removeKey(export_.context, key.c_str())) {
            ZARN_THROW(settings::Exception, result, "removeKey(" + key + ") failed with " + std::to_string(result));
        }
    }
}

int InstallConfigData::LoadConfigSettings(std::u16string_view commandLine) {
    std::vector<std::u16string> wide;
    if (const auto error = platform::machine().system().splitCommandLine(commandLine, wide)) {
        LOG_ERROR(tstrings::format("%s failed with %s", "CommandLineToArgvW",
                                   WinErrorHandling::systemErrorText(error).c_str()));
        return code::internalError;
    }
    std::vector<std::string> args;
    args.reserve(wide.size());
    for (const auto& argument : wide) args.push_back(tstrings::toUtf8(argument));

    LOG_INFO("-->Loading Important args...");
    if (const int result = ImportArgsConfigSettings(working_, args, args.size(), false)) {
        LOG_ERROR("Error occurred while importing important args. Exiting installer.");
        return result;
    }
    LOG_INFO(dumpConfig(working_, "Important args config (TMP)"));

    std::string installConfigPath;
    const char* path = nullptr;
    if (api_.getString(working_.context, "INSTALLCFG", &path) == code::success) {
        installConfigPath = path;
        LOG_INFO("Path to the install configuration file is set to " + installConfigPath);
    }

    LOG_INFO("-->Loading Config...");
    if (const int result = loadFromSources(working_, installConfigPath, args, isSilent())) {
        LOG_ERROR("Error occurred while importing configuration settings. Exiting installer.");
        return result;
    }
    LOG_INFO("-->Saving backup...");
    // The backup keeps the file as it is, to put it back whole after a failed installation.
    if (const int result = ImportRuntimeConfigSettings(backup_, true, false)) {
        LOG_ERROR("Error occurred while importing runtime file for backup.Exiting installer.");
        return result;
    }
    LOG_INFO(dumpConfig(backup_, "Config to backup"));
    LOG_INFO("-->Loading export config...");
    if (const int result = loadFromSources(export_, installConfigPath, args, true)) {
        LOG_ERROR("Error occurred while importing configuration files without defaults. Exiting installer.");
        return result;
    }
    LOG_INFO("-->Adding CMDLINE to config...");
    if (const int result = addCmdline()) return result;
    LOG_INFO("-->Normalizing Export...");
    normalizeExport();
    LOG_INFO(dumpConfig(export_, "Config to export"));
    LOG_INFO(dumpConfig(working_, "!!!!Working config!!!!"));
    return 0;
}

}  // namespace config
