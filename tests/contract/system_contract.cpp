#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "contract.h"
#include "foundation/tstrings_convert.h"
#include "platform/win_errors.h"

namespace {

namespace err = platform::err;

bool driveRooted(const std::string& path) { return path.size() >= 3 && path[1] == ':' && path[2] == '\\'; }

TEST(SystemContract, VersionArchitectureProcessAndFolders) {
    auto& system = platform::machine().system();
    platform::OsVersion version;
    EXPECT_EQ(system.getVersionEx(version), err::success);
    EXPECT_GE(version.majorVersion, 5u);
    std::int32_t status = -1;
    const auto rtl = system.rtlGetVersion(status);
    ASSERT_TRUE(rtl.has_value());
    EXPECT_EQ(status, 0);
    EXPECT_GE(rtl->majorVersion, version.majorVersion);
    EXPECT_EQ(system.nativeArchitecture(), platform::arch::amd64);
    bool wow64 = true;
    EXPECT_EQ(system.isWow64Process(wow64), std::optional<platform::ErrorCode>(err::success));
    EXPECT_EQ(wow64, sizeof(void*) == 4);  // a 32-bit program runs under WoW64 on this 64-bit machine

    std::string module;
    EXPECT_EQ(system.moduleFileName(platform::Module::self, module), err::success);
    EXPECT_TRUE(driveRooted(module)) << module;
    EXPECT_TRUE(module.ends_with(".exe")) << module;
    EXPECT_FALSE(system.commandLine().empty());
    const auto now = system.localTime();
    EXPECT_GE(now.year, 2024);
    EXPECT_TRUE(now.month >= 1 && now.month <= 12);

    for (const int csidl : {platform::csidl::windows, platform::csidl::system, platform::csidl::commonAppData,
                            platform::csidl::appData}) {
        std::string folder;
        EXPECT_EQ(system.folderPath(csidl, folder), 0) << csidl;
        EXPECT_TRUE(driveRooted(folder)) << folder;
    }
    std::string windows, systemDir;
    EXPECT_EQ(system.windowsDirectory(windows), err::success);
    EXPECT_EQ(system.systemDirectory(systemDir), err::success);
    EXPECT_TRUE(systemDir.size() > windows.size() && systemDir.compare(0, windows.size(), windows) == 0) << systemDir;
    std::string low;
    EXPECT_EQ(system.knownFolderPath(platform::KnownFolder::localAppDataLow, low), std::optional<std::int32_t>(0));
    EXPECT_TRUE(low.ends_with("LocalLow")) << low;
}

TEST(SystemContract, LanguagesEnvironmentAndTheDomainUsersGroup) {
    auto& system = platform::machine().system();
    std::uint32_t length = 0;
    ASSERT_EQ(system.threadPreferredUILanguages(nullptr, length), std::optional<platform::ErrorCode>(err::success));
    ASSERT_GE(length, 6u);  // at least one identifier, its NUL and the final NUL
    std::string list;
    std::uint32_t tooShort = length - 1;
    EXPECT_EQ(system.threadPreferredUILanguages(&list, tooShort),
              std::optional<platform::ErrorCode>(err::insufficientBuffer));
    ASSERT_EQ(system.threadPreferredUILanguages(&list, length), std::optional<platform::ErrorCode>(err::success));
    ASSERT_EQ(list.size(), length);
    EXPECT_EQ(list.find('\0'), 4u) << list;
    EXPECT_TRUE(list.ends_with(std::string(2, '\0')));
    EXPECT_NE(system.userDefaultUILanguage(), 0);
    std::string value;
    EXPECT_EQ(system.environmentVariable("ZARN_SURELY_UNSET_VARIABLE", value), 203u);
    std::string sid;
    ASSERT_EQ(system.accountDomainUsersSid(sid), err::success);
    EXPECT_TRUE(sid.starts_with("S-1-5-21-") && sid.ends_with("-513")) << sid;
}

TEST(SystemContract, MessagesAndLibraries) {
    auto& system = platform::machine().system();
    std::u16string text;
    ASSERT_TRUE(system.formatMessage(err::fileNotFound, {}, text));
    EXPECT_FALSE(text.empty());
    EXPECT_FALSE(system.formatMessage(0x3FFFFFFF, {}, text));
    platform::Module module = platform::Module::null;
    EXPECT_EQ(system.loadLibrary("zarn-no-such-library.dll", module), err::modNotFound);
    EXPECT_NE(system.apiAddress("kernel32", "LoadLibraryW"), nullptr);
    EXPECT_EQ(system.moduleFromAddress(system.apiAddress("kernel32", "LoadLibraryW"), module), err::success);
    EXPECT_NE(module, platform::Module::null);
}

struct SplitRow {
    const char* name;
    std::u16string_view line;
    std::vector<std::u16string> arguments;
};

std::string joined(const std::vector<std::u16string>& arguments) {
    std::string out;
    for (const auto& argument : arguments) out += "[" + tstrings::toUtf8(argument) + "]";
    return out;
}

TEST(SystemContract, SplitCommandLineFollowsWindowsRules) {
    const SplitRow rows[] = {
        {"program only", u"p", {u"p"}},
        {"quoted program with blanks", uR"("C:\Program Files\k.exe" /s)", {uR"(C:\Program Files\k.exe)", u"/s"}},
        {"blanks and tabs separate", u"p a\t b  \tc", {u"p", u"a", u"b", u"c"}},
        {"trailing blanks add nothing", u"p a   ", {u"p", u"a"}},
        {"quoted argument keeps its blanks", uR"(p "INSTALLDIR=C:\A B" x)", {u"p", uR"(INSTALLDIR=C:\A B)", u"x"}},
        {"quotes inside an argument", uR"(p INSTALLDIR="C:\A B"\x)", {u"p", uR"(INSTALLDIR=C:\A B\x)"}},
        {"empty quoted argument", uR"(p "" x)", {u"p", u"", u"x"}},
        {"empty quoted argument last", uR"(p "")", {u"p", u""}},
        {"backslashes before other text stay", uR"(p a\\b\c)", {u"p", uR"(a\\b\c)"}},
        {"even backslashes before a quote halve", uR"(p a\\"b c")", {u"p", uR"(a\b c)"}},
        {"odd backslashes escape the quote", uR"(p a\\\"b)", {u"p", uR"(a\"b)"}},
        {"trailing backslash in quotes", uR"(p "C:\dir\\" y)", {u"p", uR"(C:\dir\)", u"y"}},
        {"unterminated quote runs to the end", uR"(p "a b)", {u"p", u"a b"}},
        {"program name keeps backslashes", uR"(C:\k\\k.exe a)", {uR"(C:\k\\k.exe)", u"a"}},
    };
    auto& system = platform::machine().system();
    for (const auto& row : rows) {
        std::vector<std::u16string> arguments;
        ASSERT_EQ(system.splitCommandLine(row.line, arguments), err::success) << row.name;
        EXPECT_EQ(joined(arguments), joined(row.arguments)) << row.name;
    }
    std::string module;
    ASSERT_EQ(system.moduleFileName(platform::Module::self, module), err::success);
    std::vector<std::u16string> arguments;
    ASSERT_EQ(system.splitCommandLine(u"", arguments), err::success);
    EXPECT_EQ(joined(arguments), "[" + module + "]") << "an empty line names the program";
}

}  // namespace
