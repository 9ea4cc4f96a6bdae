#include <gtest/gtest.h>

#include <functional>

#include "foundation/errors.h"
#include "foundation/sys_info.h"
#include "platform/sim/sim_machine.h"
#include "platform/win_errors.h"
#include "support/error_of.h"

namespace {

using test_support::errorOf;

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
    sim::MachineScope sim;
    sim::SystemSettings& settings = sim->system().settings();
};

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
        {"NT 4 server", os(4, 0, server), SysInfo::olderThanXp, "win32"},
        {"XP with service pack 3", os(5, 1, workstation, 3), SysInfo::xp, "winxp-sp3"},
        {"Server 2003", os(5, 2, server), SysInfo::xp, "win2003"},
        {"Vista", os(6, 0, workstation), SysInfo::vista, "winvista"},
        {"Server 2008", os(6, 0, 2), SysInfo::vista, "winlong"},
        {"Windows 7", os(6, 1, workstation), SysInfo::windows7, "win7"},
        {"Windows 7 with service pack 1", os(6, 1, workstation, 1), SysInfo::windows7, "win7-sp1"},
        {"Server 2008 R2 with service pack 1", os(6, 1, server, 1), SysInfo::windows7, "win2008R2-sp1"},
        {"Windows 8", os(6, 2, workstation), SysInfo::windows8, "win8"},
        {"Server 2012", os(6, 2, server), SysInfo::windows8, "win2012"},
        {"Windows 8.1", os(6, 3, workstation), SysInfo::windows81, "win81"},
        {"Server 2012 R2", os(6, 3, server), SysInfo::windows81, "win2012R2"},
        {"Windows 10 preview", os(6, 4, workstation), SysInfo::later, "6.4"},
        {"Windows 10", os(10, 0, workstation), SysInfo::later, "10.0"},
        {"Server 2019", os(10, 0, server), SysInfo::later, "10.0"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(SysInfo::osLevelOf(row.version), row.level) << row.name;
        EXPECT_EQ(SysInfo::osNameOf(row.version), row.osName) << row.name;
    }
}

TEST_F(SysInfoTest, RecordComesFromRtlGetVersion) {
    settings.rtlVersion = os(6, 1, 1, 1);
    settings.version = os(6, 2, 1);  // what GetVersionEx would say under compatibility shims
    SysInfo::initialize();
    EXPECT_EQ(SysInfo::osLevel(), SysInfo::windows7);
    EXPECT_EQ(SysInfo::getOsName(), "win7-sp1");
    EXPECT_EQ(sim.log().find("RtlGetVersion"), std::string::npos);
}

TEST_F(SysInfoTest, RecordFallsBackToGetVersionEx) {
    settings.rtlVersion.reset();
    settings.version = os(5, 1, 1, 3);
    EXPECT_EQ(SysInfo::readOsVersion().minorVersion, 1u);
    EXPECT_NE(sim.log().find("\tERROR: ntdll:RtlGetVersion is not available\n"), std::string::npos);

    // A failing RtlGetVersion leaves nothing usable: the older call answers instead of a zeroed record.
    settings.rtlVersion = os(0, 0, 0);
    settings.rtlStatus = -1073741811;
    SysInfo::initialize();
    EXPECT_EQ(SysInfo::getOsName(), "winxp-sp3");
    EXPECT_NE(sim.log().find("\tERROR: RtlGetVersion failed: -1073741811\n"), std::string::npos);
}

TEST_F(SysInfoTest, UnreadableRecordIsLoggedAndZeroed) {
    settings.rtlVersion.reset();
    sim->faults().fail("System.getVersionEx", platform::err::accessDenied);
    SysInfo::initialize();
    EXPECT_EQ(SysInfo::osLevel(), SysInfo::olderThanXp);
    EXPECT_NE(sim.log().find("\tERROR: SysInfo::initialize(GetVersionEx) failed with system error 5 (Access is denied)\n"),
              std::string::npos);
}

TEST_F(SysInfoTest, RecordIsReadOncePerMachine) {
    settings.rtlVersion = os(6, 3, 1);
    SysInfo::initialize();
    settings.rtlVersion = os(6, 0, 1);
    EXPECT_EQ(SysInfo::osLevel(), SysInfo::windows81) << "kept, not read again";
    {
        sim::MachineScope other;
        other->system().settings().rtlVersion = os(6, 0, 1);
        EXPECT_EQ(SysInfo::osLevel(), SysInfo::vista) << "a replaced machine is read afresh";
    }
}

TEST_F(SysInfoTest, ArchitectureAndWow64) {
    EXPECT_EQ(SysInfo::getArchName(), "amd64");
    settings.nativeArchitecture = platform::arch::x86;
    EXPECT_EQ(SysInfo::getArchName(), "i586");
    settings.nativeArchitecture = platform::arch::arm64;
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

TEST_F(SysInfoTest, FoldersAndTheirFailures) {
    EXPECT_EQ(SysInfo::getProcessModulePath(), "C:\\Users\\test\\Downloads\\kobuoffline.exe");
    EXPECT_EQ(SysInfo::getCommonAppDataDir(), "C:\\ProgramData");
    EXPECT_EQ(SysInfo::getSystem32Dir(), "C:\\Windows\\system32");
    EXPECT_EQ(SysInfo::getSystemWow64Dir(), "C:\\Windows\\SysWOW64");
    EXPECT_EQ(SysInfo::getWindowsDir(), "C:\\Windows");
    EXPECT_EQ(SysInfo::getProgramFilesCommonX86Dir(), "C:\\Program Files (x86)\\Common Files");

    const struct {
        const char* fault;
        std::function<void()> call;
        const char* message;
    } rows[] = {
        {"System.moduleFileName", [] { SysInfo::getProcessModulePath(); }, "GetModuleFileName(NULL) failed"},
        {"System.folderPath", [] { SysInfo::getCommonAppDataDir(); }, "SHGetFolderPath(CSIDL_COMMON_APPDATA) failed"},
        {"System.folderPath", [] { SysInfo::getSystem32Dir(); }, "SHGetFolderPath(CSIDL_SYSTEM) failed"},
        {"System.systemWow64Directory", [] { SysInfo::getSystemWow64Dir(); },
         "GetSystemWow64Directory(LPTSTR lpBuffer, UINT uSize) failed"},
        {"System.folderPath", [] { SysInfo::getWindowsDir(); }, "SHGetFolderPath(CSIDL_WINDOWS) failed"},
        {"System.folderPath", [] { SysInfo::getProgramFilesCommonX86Dir(); },
         "SHGetFolderPath(CSIDL_PROGRAM_FILES_COMMONX86) failed"},
        {"System.folderPath", [] { SysInfo::getPatchCache(64); }, "SHGetFolderPath(CSIDL_COMMON_APPDATA) failed"},
    };
    for (const auto& row : rows) {
        sim->faults().fail(row.fault, platform::err::accessDenied);
        try {
            row.call();
            ADD_FAILURE() << row.message;
        } catch (const SysError& e) {
            EXPECT_NE(std::string(e.what()).find(std::string("(): ") + row.message + ". System error ["),
                      std::string::npos)
                << e.what();
        }
    }
}

TEST_F(SysInfoTest, PatchCache) {
    EXPECT_EQ(SysInfo::getPatchCache(32), "C:\\ProgramData\\Corvane\\Zarn\\installcache");
    EXPECT_EQ(SysInfo::getPatchCache(64), "C:\\ProgramData\\Corvane\\Zarn\\installcache_x64");
    settings.folders[platform::csidl::commonAppData] = "D:\\Data\\";
    EXPECT_EQ(SysInfo::getPatchCache(32), "D:\\Data\\Corvane\\Zarn\\installcache");
    for (const int arch : {0, 16, 86}) {
        EXPECT_TRUE(errorOf([arch] { SysInfo::getPatchCache(arch); })
                        .ends_with("(): getPatchCache() failed, invalid arch passed"))
            << arch;
    }
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

}  // namespace
