#include "driver/payload_extraction.h"
#include "driver/process_values.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "foundation/process_exit.h"
#include "foundation/sys_info.h"
#include "platform/sim/sim_machine.h"
#include "platform/win_errors.h"

namespace {

namespace err = platform::err;

const std::string dataFolder = "C:\\Users\\test\\AppData\\LocalLow";
const std::string directory64 = dataFolder + "\\Pellam\\Zarn\\kobu1.8.0_45_x64";
const std::string path64 = directory64 + "\\kobu1.8.0_45.msi";

std::vector<std::uint8_t> patterned(std::size_t size) {
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + 3);
    return bytes;
}

// After a failed close the process ends and Windows closes the file; the simulated machine, which
// outlives the "process", has to be told, or the file outlives its file system.
void closeLeftOpenHandles(sim::Machine& machine) {
    for (std::uintptr_t raw = 0x100; machine.handles().size() > 0 && raw < 0x10000; raw += 4) {
        machine.handles().close(static_cast<platform::Handle>(raw));
    }
}

class PayloadTest : public testing::Test {
protected:
    void SetUp() override { SysInfo::initialize(); }

    void carryPackage(std::size_t size) { carry(sim.machine(), size); }
    static void carry(sim::Machine& machine, std::size_t size) {
        machine.resources().add(platform::ResourceId::of("ZARN_INSTALLER"), platform::ResourceId::of(103), 0,
                                patterned(size));
    }

    // The exit code of a write that must end the process.
    int exitCodeOfWrite() {
        try {
            driver::writePackage(path64);
        } catch (const ProcessExit& exit) {
            return exit.code;
        }
        ADD_FAILURE() << "the process did not end";
        return 0;
    }

    sim::MachineScope sim;
};

// A folder that cannot be made is left to the write to fail on.
TEST_F(PayloadTest, PackageDirectoryFollowsTheProcessWidth) {
    sim->faults().fail("FileSystem.createDirectory", err::accessDenied, -1);
    EXPECT_EQ(driver::preparePackagePath(), path64);
    sim->faults().clear();
    EXPECT_FALSE(sim->fileSystem().exists(directory64));
    EXPECT_EQ(driver::preparePackagePath(), path64);
    EXPECT_TRUE(sim->fileSystem().exists(directory64));
    sim->system().settings().wow64 = true;
    SysInfo::initialize();
    EXPECT_EQ(driver::preparePackagePath(), dataFolder + "\\Pellam\\Zarn\\kobu1.8.0_45\\kobu1.8.0_45.msi");
}

// Pieces of 8192 bytes; an empty package makes an empty file, and a program carrying none writes nothing
// and shows nothing.
TEST_F(PayloadTest, CarriedPackageIsWrittenInPiecesOf8192Bytes) {
    const struct {
        const char* name;
        std::optional<std::size_t> size;
        int writes;
    } rows[] = {{"two pieces", 10000, 2}, {"empty", 0, 0}, {"none carried", std::nullopt, 0}};
    for (const auto& row : rows) {
        sim::MachineScope fresh;
        SysInfo::initialize();
        if (row.size) carry(fresh.machine(), *row.size);
        driver::preparePackagePath();
        EXPECT_EQ(driver::writePackage(path64), row.size.has_value()) << row.name;
        EXPECT_EQ(fresh->faults().calls("FileSystem.writeFile"), row.writes) << row.name;
        const auto expected = patterned(row.size.value_or(0));
        EXPECT_EQ(fresh->fileSystem().readAll(path64),
                  row.size ? std::optional<std::string>(std::string(expected.begin(), expected.end())) : std::nullopt)
            << row.name;
        EXPECT_TRUE(fresh->desktop().shown().empty()) << row.name;
    }
}

TEST_F(PayloadTest, EachFailedStepShowsTheBoxAndEndsWithItsCode) {
    struct Row {
        const char* name;
        const char* operation;
        platform::ErrorCode code;
        const char* expectedText;
    };
    const Row rows[] = {
        {"create", "FileSystem.createFile", err::accessDenied,
         "Installer : Wrapper.CreateFile  failed with error 5: Access is denied.\r\n"},
        {"write", "FileSystem.writeFile", err::diskFull,
         "Installer : Wrapper.WriteFile (In small chunks)  failed with error 112: "
         "There is not enough space on the disk.\r\n"},
        {"close", "Kernel.closeHandle", err::invalidHandle,
         "Installer : Wrapper.CloseHandle  failed with error 6: The handle is invalid.\r\n"},
        {"code without a description", "FileSystem.createFile", 9999,
         "Installer : Wrapper.CreateFile  failed with error 9999: "},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        sim::MachineScope scope;
        auto& machine = scope.machine();
        machine.system().settings().messages = {{5, u"Access is denied.\r\n"},
                                                {6, u"The handle is invalid.\r\n"},
                                                {112, u"There is not enough space on the disk.\r\n"}};
        carry(machine, 10000);
        machine.fileSystem().makeDirectories(directory64);
        machine.faults().fail(row.operation, row.code);

        const int code = exitCodeOfWrite();
        machine.faults().clear();
        closeLeftOpenHandles(machine);
        EXPECT_EQ(code, static_cast<int>(row.code));
        const auto boxes = machine.desktop().shown();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, row.expectedText);
        EXPECT_EQ(boxes[0].caption, "Error");
        EXPECT_EQ(boxes[0].type, platform::mb::ok);
    }
}

// Silent, nobody could answer the box: the failure is logged with the exit code and no box is shown.
TEST_F(PayloadTest, ASilentRunLogsTheFailureWithoutABox) {
    sim->system().settings().messages = {{112, u"There is not enough space on the disk.\r\n"}};
    carryPackage(10);
    driver::preparePackagePath();
    driver::processValues().silent = true;
    sim->faults().fail("FileSystem.writeFile", err::diskFull, 1);
    EXPECT_EQ(exitCodeOfWrite(), static_cast<int>(err::diskFull));
    driver::processValues().silent = false;
    EXPECT_TRUE(sim->desktop().shown().empty());
    EXPECT_NE(sim.log().find("\tERROR: Installer : Wrapper.WriteFile (In small chunks) failed with system error 112 "
                             "(There is not enough space on the disk). Exit code: 112\n"),
              std::string::npos)
        << sim.log();
}

// The first piece is exactly 8192 bytes, and a write that reports success without writing a byte (a
// fault with code 0) fails instead of looping.
TEST_F(PayloadTest, PartialWrites) {
    carryPackage(10000);
    driver::preparePackagePath();
    sim->faults().fail("FileSystem.writeFile", err::diskFull, 1, 1);
    EXPECT_EQ(exitCodeOfWrite(), static_cast<int>(err::diskFull));
    EXPECT_EQ(sim->fileSystem().readAll(path64)->size(), 8192u);  // the partial file stays
    sim->faults().fail("FileSystem.writeFile", err::success, 1);
    EXPECT_EQ(exitCodeOfWrite(), static_cast<int>(err::writeFault));
}

}  // namespace
