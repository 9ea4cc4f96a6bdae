// System information, the user's languages and the string resources, on the simulated machine.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <vector>

#include "foundation/errors.h"
#include "foundation/locale.h"
#include "foundation/resource.h"
#include "foundation/string_resource.h"
#include "foundation/sys_info.h"
#include "platform/sim/sim_machine.h"
#include "platform/win_errors.h"
#include "support/error_of.h"

namespace {

using test_support::errorOf;
using testing::AllOf;
using testing::HasSubstr;
using testing::Property;
using testing::Throws;
using testing::ThrowsMessage;

platform::OsVersion os(std::uint32_t major, std::uint32_t minor, std::uint8_t productType,
                       std::uint16_t servicePack = 0) {
    platform::OsVersion v;
    v.majorVersion = major;
    v.minorVersion = minor;
    v.productType = productType;
    v.servicePackMajor = servicePack;
    return v;
}

class SysInfoTest : public testing::Test {
protected:
    void useFallbackPath(std::uint32_t threadLocale, std::uint16_t userUi, std::uint16_t systemUi) {
        settings.preferredUILanguages.reset();
        settings.threadLocale = threadLocale;
        settings.userDefaultUILanguage = userUi;
        settings.systemDefaultUILanguage = systemUi;
    }

    sim::MachineScope sim;
    sim::SystemSettings& settings = sim->system().settings();
};
using LocaleTest = SysInfoTest;
using LangIds = std::vector<Locale::LangId>;

TEST(SysInfoOs, LevelsAndNames) {
    constexpr std::uint8_t workstation = 1;
    constexpr std::uint8_t server = 3;
    const struct {
        const char* name;
        platform::OsVersion version;
        int level;
        const char* osName;
    } rows[] = {
        {"Windows 2000", os(5, 0, workstation), SysInfo::olderThanXp, "win32"},
        {"XP with service pack 3", os(5, 1, workstation, 3), SysInfo::xp, "winxp-sp3"},
        {"Server 2003", os(5, 2, server), SysInfo::xp, "win2003"},
        {"Vista", os(6, 0, workstation), SysInfo::vista, "winvista"},
        {"Windows 7", os(6, 1, workstation), SysInfo::windows7, "win7"},
        {"Server 2008 R2 with service pack 1", os(6, 1, server, 1), SysInfo::windows7, "win2008R2-sp1"},
        {"Windows 8.1", os(6, 3, workstation), SysInfo::windows81, "win81"},
        {"Windows 10 preview", os(6, 4, workstation), SysInfo::later, "6.4"},
        {"Windows 10", os(10, 0, workstation), SysInfo::later, "10.0"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(SysInfo::osLevelOf(row.version), row.level) << row.name;
        EXPECT_EQ(SysInfo::osNameOf(row.version), row.osName) << row.name;
    }
}

// RtlGetVersion answers first, since GetVersionEx lies under compatibility shims; GetVersionEx stands in
// when ntdll lacks it or it fails, and a record neither can give is logged and zeroed.
TEST_F(SysInfoTest, RecordSources) {
    const struct {
        const char* name;
        std::optional<platform::OsVersion> rtl;
        std::int32_t rtlStatus;
        const char* fault;  // GetVersionEx made to fail
        const char* osName;
        const char* logged;
    } rows[] = {
        {"RtlGetVersion over GetVersionEx", os(6, 1, 1, 1), 0, nullptr, "win7-sp1", nullptr},
        {"no RtlGetVersion", std::nullopt, 0, nullptr, "winxp-sp3", "\tERROR: ntdll:RtlGetVersion is not available\n"},
        {"RtlGetVersion fails", os(0, 0, 0), -1073741811, nullptr, "winxp-sp3",
         "\tERROR: RtlGetVersion failed: -1073741811\n"},
        {"neither answers", std::nullopt, 0, "System.getVersionEx", "win32",
         "\tERROR: SysInfo::initialize(GetVersionEx) failed with system error 5 (Access is denied)\n"},
    };
    for (const auto& row : rows) {
        settings.rtlVersion = row.rtl;
        settings.rtlStatus = row.rtlStatus;
        settings.version = os(5, 1, 1, 3);
        sim->faults().clear();
        if (row.fault != nullptr) sim->faults().fail(row.fault, platform::err::accessDenied);
        SysInfo::initialize();
        EXPECT_EQ(SysInfo::getOsName(), row.osName) << row.name;
        if (row.logged != nullptr) {
            EXPECT_NE(sim.log().find(row.logged), std::string::npos) << row.name;
        } else {
            EXPECT_EQ(sim.log().find("RtlGetVersion"), std::string::npos) << row.name;
        }
    }
}

TEST_F(SysInfoTest, ArchitectureAndWow64) {
    EXPECT_EQ(SysInfo::getArchName(), "amd64");
    settings.nativeArchitecture = platform::arch::x86;
    EXPECT_EQ(SysInfo::getArchName(), "i586");

    EXPECT_FALSE(SysInfo::isWow64());
    settings.wow64 = true;
    EXPECT_TRUE(SysInfo::isWow64());
    settings.wow64.reset();
    EXPECT_FALSE(SysInfo::isWow64()) << "no IsWow64Process, no WOW64";
    settings.wow64 = true;
    sim->faults().fail("System.isWow64Process", platform::err::accessDenied);
    EXPECT_NE(errorOf([] { SysInfo::isWow64(); }).find("fnIsWow64Process() failed. System error [5]"),
              std::string::npos);
}

TEST_F(SysInfoTest, FoldersPatchCachesAndTheirFailures) {
    EXPECT_EQ(SysInfo::getSystemWow64Dir(), "C:\\Windows\\SysWOW64");

    const struct {
        const char* fault;
        std::function<void()> call;
        const char* message;
    } rows[] = {
        {"System.moduleFileName", [] { SysInfo::getProcessModulePath(); }, "GetModuleFileName(NULL) failed"},
        {"System.folderPath", [] { SysInfo::getCommonAppDataDir(); }, "SHGetFolderPath(CSIDL_COMMON_APPDATA) failed"},
        {"System.systemWow64Directory", [] { SysInfo::getSystemWow64Dir(); },
         "GetSystemWow64Directory(LPTSTR lpBuffer, UINT uSize) failed"},
        {"System.folderPath", [] { SysInfo::getPatchCache(64); }, "SHGetFolderPath(CSIDL_COMMON_APPDATA) failed"},
    };
    for (const auto& row : rows) {
        sim->faults().fail(row.fault, platform::err::accessDenied);
        const std::string message = errorOf(row.call);
        EXPECT_NE(message.find(std::string("(): ") + row.message + ". System error ["), std::string::npos) << message;
    }
    sim->faults().clear();
    EXPECT_EQ(SysInfo::getPatchCache(32), "C:\\ProgramData\\Corvane\\Zarn\\installcache");
    EXPECT_EQ(SysInfo::getPatchCache(64), "C:\\ProgramData\\Corvane\\Zarn\\installcache_x64");
    settings.folders[platform::csidl::commonAppData] = "D:\\Data\\";
    EXPECT_EQ(SysInfo::getPatchCache(32), "D:\\Data\\Corvane\\Zarn\\installcache");
    EXPECT_TRUE(
        errorOf([] { SysInfo::getPatchCache(86); }).ends_with("(): getPatchCache() failed, invalid arch passed"));
}

TEST_F(SysInfoTest, UserDataDirFollowsTheSystemLevel) {
    settings.rtlVersion = os(6, 1, 1);
    SysInfo::initialize();
    EXPECT_EQ(SysInfo::getUserDataDir(), "C:\\Users\\test\\AppData\\LocalLow");
    settings.knownFoldersAvailable = false;
    EXPECT_TRUE(errorOf([] { SysInfo::getUserDataDir(); }).ends_with("function SHGetKnownFolderPath is not available"));
    settings.knownFoldersAvailable = true;
    sim->faults().fail("System.knownFolderPath", platform::err::accessDenied);
    EXPECT_NE(errorOf([] { SysInfo::getUserDataDir(); }).find("SHGetKnownFolderPath(FOLDERID_LocalAppDataLow) failed"),
              std::string::npos);

    settings.rtlVersion = os(5, 1, 1);
    SysInfo::initialize();
    EXPECT_EQ(SysInfo::getUserDataDir(), "C:\\Users\\test\\AppData\\Roaming");
}

TEST(LocaleChoice, FromLangId) {
    const struct {
        std::int64_t langId;
        const char* locale;  // null when unsupported
    } rows[] = {
        {1031, "de"}, {1033, "en"}, {7, nullptr}, {0x0C04, nullptr}, {-1, nullptr}, {1033 + 0x10000, nullptr},
    };
    for (const auto& row : rows) {
        if (row.locale != nullptr) {
            EXPECT_EQ(Locale::fromLangId(row.langId).name(), row.locale) << row.langId;
        } else {
            EXPECT_TRUE(errorOf([&] { Locale::fromLangId(row.langId); })
                            .ends_with("(): unsupported locale langId: " + std::to_string(row.langId)))
                << row.langId;
        }
    }
}

TEST_F(LocaleTest, FallbackListAddsPrimaryLanguages) {
    useFallbackPath(0x0C0C, 0x0409, 0x0419);
    EXPECT_EQ(Locale::preferredLanguages(), (LangIds{0x0C0C, 12, 0x0409, 9, 0x0419, 25, 1033, 9}));
    EXPECT_NE(sim.log().find("\tINFO: PreferredUILanguages: XP fallback\n"), std::string::npos);
    EXPECT_EQ(Locale::defaultLocale().name(), "fr");

    useFallbackPath(0x00010407, 0x0419, 0x0419);  // a sort order in the locale's high bits
    EXPECT_EQ(Locale::preferredLanguages(), (LangIds{0x0407, 7, 0x0419, 25, 0x0419, 25, 1033, 9}));
    EXPECT_EQ(Locale::defaultLocale().name(), "de");
}

TEST_F(LocaleTest, ListedLanguagesGainTheirPrimaryLanguages) {
    const struct {
        const char* name;
        std::vector<std::string> listed;
        LangIds languages;
        const char* locale;
    } rows[] = {
        {"a list that holds the primary languages is unchanged", {"0407", "0409", "0009", "0007"},
         {0x0407, 0x0409, 9, 7}, "en"},
        {"a primary language is added once", {"0407", "0807"}, {0x0407, 7, 0x0807}, "de"},
        {"English first wins", {"0409", "0407"}, {0x0409, 9, 0x0407, 7}, "en"},
        {"Hong Kong before the neutral Chinese", {"0C04", "0804"}, {0x0C04, 4, 0x0804}, "zh_TW"},
        {"Portugal's Portuguese is not Brazil's", {"0816"}, {0x0816, 22}, "en"},
        {"Russian, then German", {"0419", "0407"}, {0x0419, 25, 0x0407, 7}, "de"},
        {"neutral Chinese", {"0004"}, {4}, "zh_CN"},
        {"nothing listed", {}, {}, "en"},
    };
    for (const auto& row : rows) {
        settings.preferredUILanguages = row.listed;
        EXPECT_EQ(Locale::preferredLanguages(), row.languages) << row.name;
        EXPECT_EQ(Locale::defaultLocale().name(), row.locale) << row.name;
    }
    EXPECT_NE(sim.log().find("\tINFO: PreferredUILanguages: Vista+\n"), std::string::npos);
}

TEST_F(LocaleTest, ListedLanguageFailures) {
    const struct {
        const char* name;
        std::vector<std::string> listed;
        int skip;  // successful calls before the failing one; -1 for no fault
        const char* message;
    } rows[] = {
        {"size call fails", {"0409"}, 0, "GetThreadPreferredUILanguages (detect size) failed. System error [5]"},
        {"values call fails", {"0409"}, 1, "GetThreadPreferredUILanguages (get values) failed. System error [5]"},
        {"not hexadecimal", {"0409", "zz"}, -1, "(): Cannot get langID: zz"},
        {"too long for a LANGID", {"10409"}, -1, "(): Cannot get langID: 10409"},
    };
    for (const auto& row : rows) {
        settings.preferredUILanguages = row.listed;
        sim->faults().clear();
        if (row.skip >= 0) sim->faults().fail("System.threadPreferredUILanguages", platform::err::accessDenied, 1, row.skip);
        const std::string message = errorOf([] { Locale::preferredLanguages(); });
        EXPECT_NE(message.find(row.message), std::string::npos) << row.name << ": " << message;
    }
}

class StringResourceTest : public SysInfoTest {
protected:
    sim::SimResources& resources = sim->resources();

    void SetUp() override {
        resources.addString(1033, 115, "Warning - Zarn Installer");
        resources.addString(1036, 115, "Avertissement - Programme d'installation de Zarn");
    }
};

TEST_F(StringResourceTest, MissingStringIsLoggedNotRaised) {
    EXPECT_EQ(StringResource(1036).string(117, "fallback"), "fallback");
    const std::string log = sim.log();
    EXPECT_NE(log.find("StringResource::string)]\n\tERROR: Exception with message '"), std::string::npos) << log;
    EXPECT_NE(log.find("cannot find resource (name='#8', type='#6'). System error [1814]"), std::string::npos) << log;
}

TEST_F(StringResourceTest, UnreadableTableIsNotMistakenForAMissingString) {
    sim->faults().fail("Resources.loadString", platform::err::accessDenied);
    EXPECT_THAT([] { (void)StringResource(1036).load(115); },
                Throws<SysError>(AllOf(Property(&SysError::code, platform::err::accessDenied),
                                       Property(&SysError::what, HasSubstr("cannot load resource (name='#8', type='#6')")))));
    EXPECT_EQ(sim->faults().calls("Resources.loadString"), 1) << "no English attempt after a read failure";
}

TEST_F(StringResourceTest, ResourceThatCannotBeLoaded) {
    resources.add(platform::ResourceId::of(platform::rt::html), platform::ResourceId::of("PAGE.HTML"), 1033, {'<'});
    sim->faults().fail("Resources.find", platform::err::notEnoughMemory);
    EXPECT_THAT([] { (void)Resource().getPtr(platform::ResourceId::of(platform::rt::html), platform::ResourceId::of("page.html")); },
                ThrowsMessage<SysError>(HasSubstr("cannot load resource (name='page.html', type='#23'). System error [8]")));
}

}  // namespace
