#include <gtest/gtest.h>

#include "platform/sim/sim_machine.h"
#include "platform/win_errors.h"
#include "settings/constants.h"
#include "settings/text_buffer.h"
#include "settings_test_support.h"

namespace {

using namespace settings_impl;
using settings_test::codeOf;

constexpr const char* path = "C:\\Config\\install.cfg";

class FileBufferTest : public testing::Test {
protected:
    std::int32_t readCode() {
        return codeOf([&] { FileBuffer(FileName(path).canonical()).read(); });
    }
    sim::MachineScope sim;
};

TEST_F(FileBufferTest, SizesAndContent) {
    const struct {
        const char* name;
        std::string content;
        std::int32_t code;
    } rows[] = {
        {"empty file", "", 0},
        {"one byte short of the limit", std::string(maxFileSize - 1, 'a'), 0},
        {"exactly the limit", std::string(maxFileSize, 'a'), code::fileTooLong},
        {"over the limit", std::string(maxFileSize + 10, 'a'), code::fileTooLong},
        {"byte 0xFF", "A=1\nB=\xFF\n", code::notPlainText},
        {"stray continuation byte", "A=\x80", code::notPlainText},
        {"sequence cut off at the end", "A=\xE2\x82", code::notPlainText},
        {"CR LF kept as bytes", "A=1\r\n", 0},
    };
    for (const auto& row : rows) {
        sim->fileSystem().writeAll(path, row.content);
        EXPECT_EQ(readCode(), row.code) << row.name;
        if (row.code == 0) {
            EXPECT_EQ(FileBuffer(FileName(path).canonical()).read(), row.content) << row.name;
        }
    }
}

TEST_F(FileBufferTest, OpenAndReadFailures) {
    EXPECT_EQ(readCode(), code::cannotOpen) << "missing file";
    sim->fileSystem().writeAll(path, "A=1");
    sim->faults().fail("FileSystem.createFile", platform::err::accessDenied);
    EXPECT_EQ(readCode(), code::cannotOpen) << "open refused";
    sim->faults().fail("FileSystem.readFile", platform::err::readFault);
    EXPECT_EQ(readCode(), code::readFailed) << "read error";
    EXPECT_EQ(readCode(), 0) << "fault spent";
}

TEST_F(FileBufferTest, FileIsClosedOnEveryPath) {
    sim->fileSystem().writeAll(path, std::string(maxFileSize, 'a'));
    EXPECT_EQ(readCode(), code::fileTooLong);
    sim->faults().fail("FileSystem.readFile", platform::err::readFault);
    EXPECT_EQ(readCode(), code::readFailed);
    // A file still open without delete sharing could not be deleted.
    EXPECT_EQ(sim->fileSystem().deleteFile(path), platform::err::success);
}

}  // namespace
