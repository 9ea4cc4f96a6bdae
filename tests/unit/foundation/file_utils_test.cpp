#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>

#include "foundation/errors.h"
#include "foundation/file_utils.h"
#include "platform/sim/sim_machine.h"
#include "platform/version_block.h"
#include "platform/win_errors.h"

namespace {

namespace file = platform::file;

class FileUtilsTest : public testing::Test {
protected:
    void launcher(const std::string& name, std::uint16_t major, std::uint16_t build) {
        const std::string path = dir + "\\" + name;
        sim->fileSystem().writeAll(path, "MZ");
        sim->fileSystem().setFileVersion(path, major, 0, build, 7);
    }
    bool exists(const std::string& name) { return sim->fileSystem().exists(dir + "\\" + name); }

    sim::MachineScope sim;
    const std::string dir = "C:\\Windows\\system32";
};

TEST_F(FileUtilsTest, TempNamesCountUpFromTheTickCountAndGiveUpAfterAHundred) {
    sim->fileSystem().makeDirectories("C:\\Temp");
    const auto first = FileUtils::createTempFile("C:\\Temp\\\\/", "au", "msi");
    const auto second = FileUtils::createTempFile("C:\\Temp", "au", "msi");
    const std::string prefix = "C:\\Temp\\au";
    ASSERT_TRUE(first.starts_with(prefix) && first.ends_with(".msi")) << first;
    const auto t1 = std::stoul(first.substr(prefix.size()));
    const auto t2 = std::stoul(second.substr(prefix.size()));
    EXPECT_TRUE(t2 == t1 + 1 || t2 > t1) << first << " " << second;  // the clock may tick between the two
    EXPECT_EQ(sim->fileSystem().readAll(first), std::optional<std::string>(""));

    const int before = sim->faults().calls("FileSystem.createFile");
    sim->faults().fail("FileSystem.createFile", platform::err::fileExists, -1);
    EXPECT_THROW(FileUtils::createTempFile("C:\\Temp", "au", "msi"), std::runtime_error);
    sim->faults().clear();
    EXPECT_EQ(sim->faults().calls("FileSystem.createFile") - before, 100) << "gives up after a hundred names";
}

TEST_F(FileUtilsTest, VersionRows) {
    sim->fileSystem().writeAll("C:\\a.exe", "MZ");
    sim->fileSystem().setFileVersion("C:\\a.exe", 8, 0, 450, 15);
    const auto v = FileUtils::getFileVersion("C:\\a.exe");
    EXPECT_EQ((std::array<int, 4>{v.major, v.minor, v.build, v.revision}), (std::array<int, 4>{8, 0, 450, 15}));

    sim->fileSystem().writeAll("C:\\plain.txt", "text");
    EXPECT_THROW(FileUtils::getFileVersion("C:\\plain.txt"), std::runtime_error);
    EXPECT_NE(sim.log().find("\tERROR: GetFileVersionInfoSize for \"C:\\plain.txt\" failed with system error 1813"),
              std::string::npos);
    // A block that is not a version resource, or whose fixed record lacks its signature, gives no version.
    auto block = platform::version::makeBlock({8, 0, 450, 15});
    block[6] = 'W';
    sim->fileSystem().setVersionBlock("C:\\a.exe", block);
    EXPECT_THROW(FileUtils::getFileVersion("C:\\a.exe"), std::runtime_error);
    EXPECT_NE(sim.log().find("\tERROR: VerQueryValueW for \"C:\\a.exe\" failed with system error 1812"),
              std::string::npos);
    block = platform::version::makeBlock({8, 0, 450, 15});
    block[40] ^= 0x01;
    sim->fileSystem().setVersionBlock("C:\\a.exe", block);
    EXPECT_THROW(FileUtils::getFileVersion("C:\\a.exe"), std::runtime_error);
    EXPECT_NE(sim.log().find("\tERROR: VerQueryValueW returned no fixed file information for \"C:\\a.exe\""),
              std::string::npos);
    sim->faults().fail("FileSystem.fileVersionInfo", platform::err::accessDenied);
    EXPECT_THROW(FileUtils::getFileVersion("C:\\a.exe"), std::runtime_error);
    EXPECT_NE(sim.log().find("\tERROR: GetFileVersionInfo for \"C:\\a.exe\" failed with system error 5"),
              std::string::npos);
}

TEST_F(FileUtilsTest, LauncherCopiesFrom8020OnAreRemoved) {
    launcher("zarn.exe", 8, 19);
    launcher("zarnw.exe", 8, 20);
    launcher("zarnws.exe", 9, 0);
    FileUtils::deletePersistentFile(dir);
    EXPECT_TRUE(exists("zarn.exe"));
    EXPECT_FALSE(exists("zarnw.exe"));
    EXPECT_FALSE(exists("zarnws.exe"));

    launcher("zarn.exe", 7, 99);
    sim->fileSystem().writeAll(dir + "\\zarnw.exe", "no version");
    FileUtils::deletePersistentFile(dir);
    EXPECT_TRUE(exists("zarn.exe"));
    EXPECT_TRUE(exists("zarnw.exe")) << "a copy of unknown version is left alone";
}

TEST_F(FileUtilsTest, LockedLauncherIsDeletedAtTheNextRestart) {
    launcher("zarn.exe", 8, 45);
    platform::Handle held = platform::Handle::invalid;
    platform::FileSystem& fs = sim->fileSystem();
    ASSERT_EQ(fs.createFile(dir + "\\zarn.exe", file::genericRead, file::shareRead, file::openExisting,
                            file::attributeNormal, held),
              0u);
    FileUtils::deletePersistentFile(dir);
    sim->kernel().closeHandle(held);
    ASSERT_EQ(sim->fileSystem().pendingRenames().size(), 1u);
    EXPECT_EQ(sim->fileSystem().pendingRenames()[0].first, dir + "\\zarn.exe");
    EXPECT_NE(sim.log().find("\tINFO: cannot delete file " + dir + "\\zarn.exe, schedule deletion on reboot\n"),
              std::string::npos);
    EXPECT_NE(sim.log().find("\tERROR: DeleteFile(" + dir + "\\zarn.exe) failed with system error 32"), std::string::npos);
}

TEST_F(FileUtilsTest, DeleteOnRebootFailureNamesThePath) {
    sim->faults().fail("FileSystem.moveFile", platform::err::accessDenied);
    EXPECT_THAT([] { FileUtils::deleteOnReboot("C:\\x.exe"); },
                testing::ThrowsMessage<SysError>(testing::HasSubstr(
                    " at FileUtils::deleteOnReboot(): deleteOnReboot(C:\\x.exe) failed. System error [5]")));
}

}  // namespace
