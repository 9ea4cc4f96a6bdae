// Running the package: the carried package is written, held and checked against its digest, and
// the run's command line and outcome.
#include "driver/embedded_payload.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "driver/mendara_registry.h"
#include "driver/package_run.h"
#include "foundation/auto_handle.h"
#include "foundation/sha256.h"
#include "foundation/sys_info.h"
#include "platform/sim/sim_machine.h"
#include "platform/win_errors.h"

namespace {

namespace err = platform::err;
namespace file = platform::file;

const std::string packagePath = "C:\\Users\\test\\AppData\\LocalLow\\Pellam\\Zarn\\kobu1.8.0_45_x64\\kobu1.8.0_45.msi";
const std::vector<std::uint8_t> packageBytes(20000, 0x5A);

using Payload = driver::EmbeddedPayload;

class EmbeddedPayloadTest : public testing::Test {
protected:
    void SetUp() override {
        SysInfo::initialize();
        carry(sim.machine(), packageBytes, toLowerHex(sha256Of(packageBytes)));
        sim->installer().addPackage(packagePath, sim::ScriptedPackage{});
        action.packagePath = packagePath;
    }

    static void carry(sim::Machine& machine, const std::vector<std::uint8_t>& package, const std::string& digest) {
        machine.resources().add(platform::ResourceId::of("ZARN_INSTALLER"), platform::ResourceId::of(103), 0, package);
        if (!digest.empty()) {
            machine.resources().add(platform::ResourceId::of("ZARN_INSTALLER_SHA256"), platform::ResourceId::of(103), 0,
                                    std::vector<std::uint8_t>(digest.begin(), digest.end()));
        }
    }

    // The error of opening the package as `access` with `share`; success closes it again.
    platform::ErrorCode openPackage(std::uint32_t access, std::uint32_t share) {
        AutoHandle handle;
        const auto error = platform::machine().fileSystem().createFile(packagePath, access, share, file::openExisting,
                                                                       file::attributeNormal, *handle.put());
        if (error != err::success) handle.release();
        return error;
    }

    sim::MachineScope sim;
    Payload payload;
    driver::PackageAction action;
};

TEST_F(EmbeddedPayloadTest, TheWrittenPackageIsHeldAgainstWritersUntilReleased) {
    ASSERT_EQ(payload.preparePackagePath(), packagePath);
    ASSERT_TRUE(payload.writePackage(packagePath));
    EXPECT_EQ(openPackage(file::genericWrite, file::shareRead | file::shareWrite), err::sharingViolation);
    EXPECT_EQ(openPackage(file::genericRead, file::shareRead), err::success) << "Windows Installer reads it";
    EXPECT_EQ(payload.execCommand(action), 0);
    ASSERT_EQ(sim->installer().installs().size(), 1u);
    EXPECT_EQ(openPackage(file::genericWrite, file::shareRead), err::sharingViolation) << "held across runs";
    payload.releasePackage();
    EXPECT_EQ(openPackage(file::genericWrite, file::shareNone), err::success);
}

TEST_F(EmbeddedPayloadTest, APackageNotAsBuiltIsNotRun) {
    const std::string otherDigest = toLowerHex(sha256Of(std::vector<std::uint8_t>(3, 1)));
    const struct {
        const char* name;
        std::string digest;
        std::string line;
    } rows[] = {
        {"digest of other bytes", otherDigest,
         "\tERROR: Checksum verification for \"" + packagePath + "\" file failed: expected=[" + otherDigest +
             "]; actual=[" + toLowerHex(sha256Of(packageBytes)) + "]; algorithm=32780.\n"},
        {"no digest recorded", "", "\tERROR: The program carries no digest of its package; the package is not run\n"},
        {"digest not hex", std::string(64, 'g'),
         "\tERROR: The program carries no digest of its package; the package is not run\n"},
        {"package cannot be held", toLowerHex(sha256Of(packageBytes)),
         "\tERROR: Cannot hold the package \"" + packagePath + "\" against changes: error 5\n"},
        {"package cannot be read", toLowerHex(sha256Of(packageBytes)), "ReadFile failed"},
        {"hash cannot be made", toLowerHex(sha256Of(packageBytes)), "CryptCreateHash failed"},
    };
    for (const auto& row : rows) {
        sim::MachineScope fresh;
        SysInfo::initialize();
        carry(fresh.machine(), packageBytes, row.digest);
        fresh->installer().addPackage(packagePath, sim::ScriptedPackage{});
        const std::string name = row.name;
        // The write itself opens the file once; the hold is the second open.
        if (name == "package cannot be held") fresh->faults().fail("FileSystem.createFile", err::accessDenied, 1, 1);
        Payload freshPayload;
        ASSERT_TRUE(freshPayload.writePackage(freshPayload.preparePackagePath())) << name;
        if (name == "package cannot be read") fresh->faults().fail("FileSystem.readFile", err::readFault);
        if (name == "hash cannot be made") fresh->faults().fail("Crypto.createSha256", err::invalidParameter);
        EXPECT_EQ(freshPayload.execCommand(action), 1603) << name;
        EXPECT_TRUE(fresh->installer().installs().empty()) << name;
        EXPECT_NE(fresh.log().find(row.line), std::string::npos) << name << "\n" << fresh.log();
        freshPayload.releasePackage();
    }
}

}  // namespace

namespace driver {
namespace {

TEST(PackageRunTest, OutcomesBecomeOneNumber) {
    PackageAction action;
    action.packagePath = "C:\\pkg\\kobu1.8.0_45.msi";
    const struct {
        const char* name;
        bool known;
        platform::ErrorCode result;
        int expected;
    } rows[] = {
        {"installed", true, 0, 0},
        {"reboot needed is still a failure", true, 3010, 3010},
        {"package Windows Installer cannot open", false, 0, 1619},
    };
    for (const auto& row : rows) {
        sim::MachineScope fresh;
        if (row.known) {
            sim::ScriptedPackage package;
            package.result = row.result;
            fresh->installer().addPackage(action.packagePath, package);
        }
        WritePolicyValue("PostStatusUrl", std::string("https://status.example/"));
        EXPECT_EQ(ExecCommand(action), row.expected) << row.name;
        EXPECT_FALSE(WritePolicyValue("PostStatusUrl", std::nullopt)) << row.name << ": deleted before the run";
        if (row.expected != 0) {
            EXPECT_NE(fresh.log().find("\tERROR: Exception with message '"), std::string::npos) << row.name;
        }
    }
}

}  // namespace
}  // namespace driver
