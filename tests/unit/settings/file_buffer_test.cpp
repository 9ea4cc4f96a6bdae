// Configuration file names, reading a file and its plain-text check.
#include <gtest/gtest.h>

#include <memory>

#include "platform/sim/sim_machine.h"
#include "platform/win_errors.h"
#include "settings/constants.h"
#include "settings/file_name.h"
#include "settings/plain_text.h"
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
    // The canonical text of `text`, or "error <code>".
    static std::string canonical(const std::string& text) {
        std::string out;
        const auto code = codeOf([&] { out = FileName(text).canonical().text(); });
        return code == 0 ? out : "error " + std::to_string(code);
    }
    sim::MachineScope sim;  // current directory C:\Users\test
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
        {"byte 0xFF", "A=1\nB=\xFF\n", code::notPlainText},
        {"CR LF kept as bytes", "A=1\r\n", 0},
    };
    for (const auto& row : rows) {
        sim->fileSystem().writeAll(path, row.content);
        EXPECT_EQ(readCode(), row.code) << row.name;
        if (row.code == 0) {
            EXPECT_EQ(FileBuffer(FileName(path).canonical()).read(), row.content) << row.name;
        }
        // A file left open without delete sharing could not be deleted.
        EXPECT_EQ(sim->fileSystem().deleteFile(path), platform::err::success) << row.name;
    }
}

TEST_F(FileBufferTest, OpenAndReadFailures) {
    EXPECT_EQ(readCode(), code::cannotOpen) << "missing file";
    sim->fileSystem().writeAll(path, "A=1");
    sim->faults().fail("FileSystem.readFile", platform::err::readFault);
    EXPECT_EQ(readCode(), code::readFailed) << "read error";
    EXPECT_EQ(sim->fileSystem().deleteFile(path), platform::err::success) << "closed after the failed read";
    sim->fileSystem().writeAll(path, "A=1");
    EXPECT_EQ(readCode(), 0) << "fault spent";
}

TEST(PlainText, FirstFailingByte) {
    const struct {
        const char* name;
        std::string text;
        std::size_t failsAt;  // npos: passes
    } rows[] = {
        {"empty", "", std::string::npos},
        {"ASCII", "KEY=value\r\n", std::string::npos},
        {"two-byte", "\xC3\xA4", std::string::npos},
        {"three-byte", "\xE2\x82\xAC", std::string::npos},
        {"four-byte", "\xF0\x9F\x98\x80", std::string::npos},
        {"five-byte", "\xF8\x88\x80\x80\x80", std::string::npos},
        {"six-byte", "\xFC\x84\x80\x80\x80\x80", std::string::npos},
        {"0xFF", "ab\xFF", 2},
        {"bad continuation", "x\xC3(", 2},
        {"two-byte cut off at the end", "ab\xC3", 2},
    };
    for (const auto& row : rows) {
        const std::size_t expected = row.failsAt == std::string::npos ? row.text.size() : row.failsAt;
        EXPECT_EQ(settings_impl::findInvalidUtf8(row.text), expected) << row.name;
    }
}

TEST(PlainText, NeverReadsPastTheEnd) {
    // The lead byte sits at the very end of a heap block: ASan reports any read beyond it.
    for (const char lead : {'\xC3', '\xE2', '\xF0', '\xF8', '\xFC'}) {
        const auto block = std::make_unique<char[]>(1);
        block[0] = lead;
        EXPECT_FALSE(settings_impl::isPlainText(std::string_view(block.get(), 1))) << static_cast<int>(lead);
    }
}


using FileNameTest = FileBufferTest;

TEST_F(FileNameTest, CanonicalNames) {
    const struct {
        const char* name;
        std::string text;
        std::string canonical;
    } rows[] = {
        {"drive-rooted", "C:\\Config\\a.cfg", "C:/Config/a.cfg"},
        {"forward slashes, doubled and trailing separators", "D:/x//y/", "D:/x/y"},
        {"dot components dropped", "C:\\.\\a\\.\\b", "C:/a/b"},
        {"dot-dot resolved", "C:\\a\\b\\..\\c", "C:/a/c"},
        {"dot-dot back to the drive", "C:\\a\\..", "C:"},
        {"relative", "cfg\\a.cfg", "C:/Users/test/cfg/a.cfg"},
        {"rooted without drive is relative", "\\a.cfg", "C:/Users/test/a.cfg"},
        {"too many dot-dots", "C:\\a\\..\\..\\b", "error 311"},
        {"empty", "", "error 311"},
        {"separators only", "\\/\\", "error 311"},
        {"device name", "C:\\AUX", "error 311"},
        {"forbidden character", "C:\\a*b", "error 311"},
        {"not UTF-8", "C:\\\xC3", "error 312"},
        {"259 bytes", "C:\\" + std::string(256, 'a'), "C:/" + std::string(256, 'a')},
        {"260 bytes", "C:\\" + std::string(257, 'a'), "error 310"},
        {"too long once made absolute", std::string(250, 'a'), "error 310"},
    };
    for (const auto& row : rows) EXPECT_EQ(canonical(row.text), row.canonical) << row.name;
}

TEST_F(FileNameTest, CurrentDirectoryProblemsAreInternalErrors) {
    sim->faults().fail("FileSystem.currentDirectory", platform::err::accessDenied);
    EXPECT_EQ(canonical("a.cfg"), "error 200") << "unavailable";
    EXPECT_EQ(canonical("C:\\a.cfg"), "C:/a.cfg") << "not asked for a rooted name";
    const std::string deep = "C:\\" + std::string(240, 'd') + "\\" + std::string(30, 'e');
    sim->fileSystem().makeDirectories(deep);
    ASSERT_EQ(sim->fileSystem().setCurrentDirectory(deep), 0u);
    EXPECT_EQ(canonical("a.cfg"), "error 200") << "longer than the buffer";
}

}  // namespace
