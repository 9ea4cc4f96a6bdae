// A simulated machine carrying the program's English strings, and helpers to run the configuration.
#pragma once

#include <map>
#include <regex>
#include <string>

#include "config/install_config_data.h"
#include "platform/sim/sim_machine.h"
#include "support/file_text.h"

namespace config_test {

inline constexpr const char* runtimeFile = "C:\\ProgramData\\Corvane\\Zarn\\zarn.settings.cfg";
inline constexpr const char* programName = "\"C:\\Users\\test\\Downloads\\kobuoffline.exe\"";

inline std::string readSource(const std::string& name) { return fileText(std::string(ZARN_RESOURCE_DIR) + "/" + name); }

/// The English string table of the program: resource.h's identifiers with strings_en.rc's texts.
inline std::map<std::uint32_t, std::string> englishStrings() {
    std::map<std::string, std::uint32_t> ids;
    const std::string header = readSource("resource.h");
    const std::regex define(R"(#define\s+(IDS_\w+)\s+(\d+))");
    for (auto it = std::sregex_iterator(header.begin(), header.end(), define); it != std::sregex_iterator(); ++it) {
        ids[(*it)[1]] = static_cast<std::uint32_t>(std::stoul((*it)[2]));
    }
    std::map<std::uint32_t, std::string> strings;
    const std::string table = readSource("strings_en.rc");
    const std::regex entry(R"re(\n\s*(IDS_\w+)\s+"((?:[^"\\]|\\.)*)")re");
    for (auto it = std::sregex_iterator(table.begin(), table.end(), entry); it != std::sregex_iterator(); ++it) {
        std::string text;
        const std::string raw = (*it)[2];
        for (std::size_t i = 0; i < raw.size(); ++i) {
            if (raw[i] == '\\' && i + 1 < raw.size()) {
                ++i;
                text += raw[i] == 'n' ? '\n' : raw[i];
            } else {
                text += raw[i];
            }
        }
        strings[ids.at((*it)[1])] = text;
    }
    return strings;
}

class Machine {
public:
    Machine() {
        for (const auto& [id, text] : englishStrings()) scope->resources().addString(1033, id, text);
    }

    sim::Machine* operator->() { return &scope.machine(); }

    void commandLine(const std::string& arguments) {
        const std::string line = arguments.empty() ? programName : std::string(programName) + " " + arguments;
        scope->system().settings().commandLine = std::u16string(line.begin(), line.end());
    }
    void writeFile(const std::string& path, const std::string& text) {
        const auto slash = path.find_last_of('\\');
        scope->fileSystem().makeDirectories(path.substr(0, slash));
        scope->fileSystem().writeAll(path, text);
    }
    std::string file(const std::string& path) { return scope->fileSystem().readAll(path).value_or("(none)"); }
    std::vector<sim::ShownMessageBox> boxes() { return scope->desktop().shown(); }
    std::string log() { return scope.log(); }

    sim::MachineScope scope;
};

/// Builds the configuration and loads it from the machine's command line.
inline int load(config::InstallConfigData& data) {
    return data.LoadConfigSettings(platform::machine().system().commandLine());
}

/// The value of `key` in `configuration`: its text, "(no value)" or "(absent)".
inline std::string valueOf(const config::OwnedConfig& configuration, const char* key) {
    const char* text = nullptr;
    if (configuration.api.getString(configuration.context, key, &text) == 0) return text;
    return config::InstallConfigData::hasKey(key, configuration) ? "(no value)" : "(absent)";
}

}  // namespace config_test
