#include <gtest/gtest.h>

#include "platform/sim/sim_machine.h"
#include "platform/win_errors.h"
#include "settings/constants.h"
#include "settings/directories.h"
#include "settings/file_name.h"
#include "settings_test_support.h"

namespace {

using namespace settings_impl;
using settings_test::codeOf;

class FileNameTest : public testing::Test {
protected:
    // The canonical text of `text`, or "error <code>".
    static std::string canonical(const std::string& text) {
        std::string out;
        const auto code = codeOf([&] { out = FileName(text).canonical().text(); });
        return code == 0 ? out : "error " + std::to_string(code);
    }
    sim::MachineScope sim;  // current directory C:\Users\test
};

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
        {"relative climbing", "..\\..\\a.cfg", "C:/a.cfg"},
        {"rooted without drive is relative", "\\a.cfg", "C:/Users/test/a.cfg"},
        {"UNC is relative", "\\\\server\\share\\a.cfg", "C:/Users/test/server/share/a.cfg"},
        {"too many dot-dots", "C:\\a\\..\\..\\b", "error 311"},
        {"too many dot-dots, relative", "..\\..\\..\\a.cfg", "error 311"},
        {"empty", "", "error 311"},
        {"separators only", "\\/\\", "error 311"},
        {"device name", "C:\\AUX", "error 311"},
        {"forbidden character", "C:\\a*b", "error 311"},
        {"drive-relative", "C:a.cfg", "error 311"},
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

TEST_F(FileNameTest, ParentDirectoriesAreCreated) {
    createParentDirectories(FileName("C:\\One\\Two\\Three\\file.cfg").canonical());
    std::uint32_t attributes = 0;
    EXPECT_EQ(sim->fileSystem().getFileAttributes("C:\\One\\Two\\Three", attributes), 0u);
    EXPECT_FALSE(sim->fileSystem().exists("C:\\One\\Two\\Three\\file.cfg"));
    createParentDirectories(FileName("C:\\One\\Two\\file.cfg").canonical());  // existing ones are fine

    sim->faults().fail("FileSystem.createDirectory", platform::err::accessDenied, 1, 1);
    EXPECT_EQ(codeOf([] { createParentDirectories(FileName("C:\\New\\Sub\\file.cfg").canonical()); }),
              code::pathInvalid);
    EXPECT_THROW(createParentDirectories(FileName("C:\\x\\file.cfg")), std::logic_error);
}

}  // namespace
