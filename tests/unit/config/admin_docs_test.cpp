// What administrators read must stay what the program does: README's key table against the key table,
// its exit codes against the package manifest, and the manifest's switches and README's examples read
// by the real configuration on the simulated machine.
#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>

#include "config/install_config_data.h"
#include "config/key_table.h"
#include "config_test_support.h"
#include "foundation/product_constants.h"
#include "foundation/version_details.h"
#include "scrub/zcleaner.h"
#include "support/file_text.h"

namespace {

using config::InstallConfigData;
using config_test::valueOf;

constexpr auto npos = std::string::npos;

std::string sourceFile(const std::string& name) { return fileText(std::string(ZARN_SOURCE_DIR) + "/" + name); }

/// A "## " section of README, heading included, up to the next one.
std::string readmeSection(const std::string& heading) {
    const std::string readme = sourceFile("README.md");
    const auto start = readme.find("\n" + heading + "\n");
    if (start == npos) return {};
    return readme.substr(start, readme.find("\n## ", start + 1) - start);
}

std::string replaced(std::string text, const std::string& what, const std::string& with) {
    for (auto at = text.find(what); at != npos; at = text.find(what, at + with.size()))
        text.replace(at, what.size(), with);
    return text;
}

const char* kindWord(config::KeyKind kind) {
    switch (kind) {
        case config::KeyKind::enableDisable:
            return "Enable/Disable";
        case config::KeyKind::string:
            return "text";
        case config::KeyKind::directory:
            return "folder";
        case config::KeyKind::level:
            return "level";
        case config::KeyKind::integer:
            return "number";
        case config::KeyKind::switchOnly:
            return "switch";
    }
    return "?";
}

std::string marksOf(const config::KeyRecord& record) {
    std::string marks;
    const auto add = [&](bool set, const char* mark) {
        if (set) marks += (marks.empty() ? "" : ", ") + std::string(mark);
    };
    add(record.exported != 0, "kept");
    add(record.inCmdLine != 0, "property");
    add(record.msiPassThrough != 0, "Windows Installer");
    add(record.enterpriseOnly != 0, "enterprise");
    return marks;
}

struct Row {
    std::string kind, meaning, marks;
};

TEST(AdminDocs, ReadmeKeyTableIsTheKeyTable) {
    const std::string text = readmeSection("## For administrators");
    static const std::regex rowPattern(R"(^\| `([^`]+)` \| ([^|]+) \| ([^|]+) \| ([^|]*?) ?\|$)",
                                       std::regex::multiline);
    std::multimap<std::string, Row> rows;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), rowPattern); it != std::sregex_iterator(); ++it) {
        rows.emplace((*it)[1], Row{(*it)[2], (*it)[3], (*it)[4]});
    }
    std::map<std::string, std::string> defaults;
    std::istringstream defaultLines(config::defaultConfigText);
    for (std::string line; std::getline(defaultLines, line);)
        defaults[line.substr(0, line.find('='))] = line.substr(line.find('=') + 1);

    for (const auto& record : config::keyRecords()) {
        ASSERT_EQ(rows.count(record.key), 1u) << record.key;
        const Row& row = rows.find(record.key)->second;
        EXPECT_EQ(row.kind, kindWord(record.kind)) << record.key;
        EXPECT_EQ(row.marks, marksOf(record)) << record.key;
        const auto fallback = defaults.find(record.key);
        if (fallback == defaults.end()) {
            EXPECT_EQ(row.meaning.find("Default `"), npos) << record.key << " has no default";
        } else {
            EXPECT_NE(row.meaning.find("Default `" + fallback->second + "`"), npos) << record.key;
        }
    }
    EXPECT_EQ(rows.size(), config::keyRecords().size()) << "README names a key the installer does not have";
}

TEST(AdminDocs, ManifestReturnCodesAreReadmeExitCodes) {
    const std::string exitCodes = readmeSection("## Exit codes");
    static const std::regex row(R"(^\| (`-?[0-9]+`(, `-?[0-9]+`)*) \|)", std::regex::multiline);
    static const std::regex number(R"(-?[0-9]+)");
    std::set<int> documented;
    for (auto it = std::sregex_iterator(exitCodes.begin(), exitCodes.end(), row); it != std::sregex_iterator(); ++it) {
        const std::string cell = (*it)[1];
        for (auto n = std::sregex_iterator(cell.begin(), cell.end(), number); n != std::sregex_iterator(); ++n) {
            documented.insert(std::stoi(n->str()));
        }
    }
    ASSERT_TRUE(documented.contains(0) && documented.size() > 1) << "README's exit-code table was not found";

    std::set<int> declared{0};  // success, which the manifest never lists
    std::istringstream manifest(sourceFile("packaging/Mendara.Zarn.installer.yaml"));
    static const std::regex expected(R"(^  - InstallerReturnCode: (-?[0-9]+)$)");
    static const std::regex success(R"(^  - (-?[0-9]+)$)");
    std::string list;
    for (std::string line; std::getline(manifest, line);) {
        std::smatch m;
        if (!line.empty() && line[0] != ' ' && line[0] != '#') list = line.substr(0, line.find(':'));
        if ((list == "ExpectedReturnCodes" && std::regex_match(line, m, expected)) ||
            (list == "InstallerSuccessCodes" && std::regex_match(line, m, success))) {
            EXPECT_TRUE(declared.insert(std::stoi(m[1])).second) << "listed twice: " << m[1];
        }
    }
    EXPECT_EQ(declared, documented);
}

// One installer per architecture, each naming the runtime of its width as Windows lists it: the name and
// the product code the code works out.
TEST(AdminDocs, ManifestInstallersAreBothArchitecturesWithTheirRuntimes) {
    std::istringstream manifest(sourceFile("packaging/Mendara.Zarn.installer.yaml"));
    static const std::regex architecture(R"(^  - Architecture: (\w+)$)");
    static const std::regex name(R"(^      - DisplayName: (.+)$)");
    static const std::regex code(R"re(^        ProductCode: "(.+)"$)re");
    std::map<std::string, std::string> found;  // architecture -> "name code"
    std::string current;
    for (std::string line; std::getline(manifest, line);) {
        std::smatch m;
        if (std::regex_match(line, m, architecture)) current = m[1];
        if (std::regex_match(line, m, name)) found[current] += m[1].str() + " ";
        if (std::regex_match(line, m, code)) found[current] += m[1];
    }
    const ZarnVersion version(product::versionText);
    std::map<std::string, std::string> expected;
    for (const auto& [arch, bits] : {std::pair<std::string, int>{"x64", 64}, {"x86", 32}}) {
        expected[arch] = ZarnVersionDetails::displayName(version, bits) + " " +
                         zscrub::ZCleaner::getProductGUID(product::plainVersion, bits, zscrub::ProductCodeForm::A);
    }
    EXPECT_EQ(found, expected);
}

std::map<std::string, std::string> manifestSwitches() {
    std::istringstream manifest(sourceFile("packaging/Mendara.Zarn.installer.yaml"));
    static const std::regex entry(R"(^  (\w+): (.+)$)");
    std::map<std::string, std::string> switches;
    bool inSwitches = false;
    for (std::string line; std::getline(manifest, line);) {
        std::smatch m;
        if (!line.empty() && line[0] != ' ' && line[0] != '#') inSwitches = line == "InstallerSwitches:";
        if (inSwitches && std::regex_match(line, m, entry)) switches[m[1]] = m[2];
    }
    return switches;
}

TEST(AdminDocs, ManifestSwitchesAreReadAsMeant) {
    const auto switches = manifestSwitches();
    const std::string logPath = R"(C:\logs\zarn msi.log)";
    const std::string folder = R"(C:\Program Files\Zarn)";
    for (const char* silent : {"Silent", "SilentWithProgress"}) {
        config_test::Machine machine;
        machine.commandLine(switches.at(silent) + " " + replaced(switches.at("Log"), "<LOGPATH>", logPath) + " " +
                            replaced(switches.at("InstallLocation"), "<INSTALLPATH>", folder));
        InstallConfigData data;
        ASSERT_EQ(config_test::load(data), 0) << silent << "\n" << machine.log();
        EXPECT_TRUE(data.isSilent()) << silent;
        EXPECT_EQ(data.installLogPath(), logPath);
        EXPECT_EQ(valueOf(data.workingConfig(), "INSTALLDIR"), folder);
    }
}

TEST(AdminDocs, ReadmeExamplesInstallSilentlyWithTheExampleFile) {
    const std::string text = readmeSection("## For administrators");
    const auto fileStart = text.find("```ini\n") + 7;
    ASSERT_GT(fileStart, 7u) << "no example install configuration file";
    const std::string file = text.substr(fileStart, text.find("```", fileStart) - fileStart);
    static const std::regex command(R"(kobuoffline\.exe"? (/s [^`\n]*)$)", std::regex::multiline);
    int commands = 0;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), command); it != std::sregex_iterator(); ++it) {
        ++commands;
        const std::string arguments = replaced((*it)[1], "%TEMP%", R"(C:\Windows\Temp)");
        config_test::Machine machine;
        machine.writeFile(R"(C:\Windows\Temp\zarn.cfg)", file);
        machine.commandLine(arguments);
        InstallConfigData data;
        ASSERT_EQ(config_test::load(data), 0) << arguments << "\n" << machine.log();
        EXPECT_TRUE(data.isSilent()) << arguments;
        if (arguments.find("INSTALLCFG") == npos) continue;
        std::istringstream lines(file);
        for (std::string line; std::getline(lines, line);) {
            if (line.empty() || line[0] == '#') continue;
            const auto equals = line.find('=');
            EXPECT_EQ(valueOf(data.workingConfig(), line.substr(0, equals).c_str()), line.substr(equals + 1)) << line;
        }
    }
    EXPECT_EQ(commands, 3) << "the two command lines and the deployment script's";
}

}  // namespace
