#include <gtest/gtest.h>

#include <array>
#include <string>

#include "contract.h"
#include "foundation/path.h"
#include "platform/version_block.h"
#include "platform/win_errors.h"

namespace {

namespace file = platform::file;
namespace err = platform::err;
using platform::Handle;

class FileSystemContract : public testing::Test {
protected:
    platform::FileSystem& fs = platform::machine().fileSystem();
    platform::Kernel& kernel = platform::machine().kernel();
    std::string dir = contract::freshDirectory(testing::UnitTest::GetInstance()->current_test_info()->name());

    std::string at(const std::string& name) const { return path::join(dir, name); }

    platform::ErrorCode open(const std::string& path, std::uint32_t access, std::uint32_t share,
                             std::uint32_t disposition, Handle& h, std::uint32_t flags = file::attributeNormal) {
        return fs.createFile(path, access, share, disposition, flags, h);
    }
    void write(Handle h, const std::string& text) {
        std::uint32_t written = 0;
        EXPECT_EQ(fs.writeFile(h, text.data(), static_cast<std::uint32_t>(text.size()), written), err::success);
        EXPECT_EQ(written, text.size());
    }
    std::string readAll(const std::string& path) {
        Handle h = Handle::invalid;
        EXPECT_EQ(open(path, file::genericRead, file::shareRead, file::openExisting, h), err::success) << path;
        std::string content;
        char buffer[64];
        std::uint32_t read = 0;
        while (fs.readFile(h, buffer, sizeof buffer, read) == err::success && read > 0) content.append(buffer, read);
        kernel.closeHandle(h);
        return content;
    }
    /// Makes the new file `name` in the test's directory holding `content`.
    void make(const std::string& name, const std::string& content = "") {
        Handle h = Handle::invalid;
        ASSERT_EQ(open(at(name), file::genericWrite, file::shareNone, file::createNew, h), err::success) << name;
        write(h, content);
        kernel.closeHandle(h);
    }
    bool exists(const std::string& path) {
        std::uint32_t attributes = 0;
        return fs.getFileAttributes(path, attributes) == err::success;
    }
};

TEST_F(FileSystemContract, ShareModesAreCheckedBothWays) {
    const struct {
        const char* name;
        std::uint32_t firstAccess, firstShare, secondAccess, secondShare;
        platform::ErrorCode expected;
    } rows[] = {
        {"readers sharing read", file::genericRead, file::shareRead, file::genericRead, file::shareRead, err::success},
        {"no sharing keeps a reader out", file::genericWrite, file::shareNone, file::genericRead,
         file::shareRead | file::shareWrite, err::sharingViolation},
        {"writer denies writers", file::genericWrite, file::shareRead, file::genericWrite, file::shareRead | file::shareWrite,
         err::sharingViolation},
        {"reader must share with the writer", file::genericWrite, file::shareRead, file::genericRead, file::shareRead,
         err::sharingViolation},
        {"deny-write log lets a reader in", file::appendData, file::shareRead, file::genericRead,
         file::shareRead | file::shareWrite, err::success},
        {"deny-write log keeps the next appender out", file::appendData, file::shareRead, file::appendData,
         file::shareRead, err::sharingViolation},
    };
    for (const auto& row : rows) {
        const std::string name = at(std::string(row.name) + ".txt");
        Handle first = Handle::invalid;
        ASSERT_EQ(open(name, row.firstAccess, row.firstShare, file::openAlways, first), err::success) << row.name;
        Handle second = Handle::invalid;
        EXPECT_EQ(open(name, row.secondAccess, row.secondShare, file::openExisting, second), row.expected) << row.name;
        if (row.expected == err::success) kernel.closeHandle(second);
        kernel.closeHandle(first);
    }
}

TEST_F(FileSystemContract, DeleteOnCloseOrADeleteSharedGoesWithTheLastHandle) {
    Handle flag = Handle::invalid;
    ASSERT_EQ(open(at("FLAG"), file::genericWrite, file::shareNone, file::createNew, flag, file::flagDeleteOnClose),
              err::success);
    EXPECT_TRUE(exists(at("FLAG")));
    EXPECT_EQ(fs.deleteFile(at("FLAG")), err::sharingViolation);
    Handle again = Handle::invalid;
    EXPECT_EQ(open(at("FLAG"), file::genericWrite, file::shareNone, file::createNew, again), err::fileExists);
    EXPECT_EQ(kernel.closeHandle(flag), err::success);
    EXPECT_FALSE(exists(at("FLAG")));
    EXPECT_EQ(kernel.closeHandle(flag), err::invalidHandle);

    // Deleting a file shared for delete waits for its last handle.
    Handle holder = Handle::invalid;
    ASSERT_EQ(open(at("pending.txt"), file::genericRead, file::shareRead | file::shareWrite | file::shareDelete,
                   file::createNew, holder),
              err::success);
    EXPECT_EQ(fs.deleteFile(at("pending.txt")), err::success);
    // Windows answers 5 (the file is on its way out), Wine 80 (it is still there): either way no new file.
    const auto refused = open(at("pending.txt"), file::genericWrite, file::shareNone, file::createNew, again);
    EXPECT_TRUE(refused == err::accessDenied || refused == err::fileExists) << refused;
    EXPECT_EQ(kernel.closeHandle(holder), err::success);
    EXPECT_FALSE(exists(at("pending.txt")));
}

TEST_F(FileSystemContract, DispositionsAndAppending) {
    Handle h = Handle::invalid;
    EXPECT_EQ(open(at("none.txt"), file::genericRead, file::shareRead, file::openExisting, h), err::fileNotFound);
    EXPECT_EQ(open(at("none.txt"), file::genericWrite, file::shareRead, file::truncateExisting, h), err::fileNotFound);
    EXPECT_EQ(open(at("missing\\x.txt"), file::genericWrite, file::shareRead, file::createAlways, h), err::pathNotFound);

    make("a.txt", "first content");
    ASSERT_EQ(open(at("a.txt"), file::genericWrite, file::shareRead, file::openAlways, h), err::success);
    write(h, "FIRST");
    kernel.closeHandle(h);
    EXPECT_EQ(readAll(at("a.txt")), "FIRST content");
    ASSERT_EQ(open(at("A.TXT"), file::genericWrite, file::shareRead, file::createAlways, h), err::success);
    kernel.closeHandle(h);
    EXPECT_EQ(readAll(at("a.txt")), "");

    for (const char* line : {"one\n", "two\n"}) {
        ASSERT_EQ(open(at("log.txt"), file::appendData, file::shareRead, file::openAlways, h), err::success);
        write(h, line);
        kernel.closeHandle(h);
    }
    EXPECT_EQ(readAll(at("log.txt")), "one\ntwo\n");
    ASSERT_EQ(open(at("log.txt"), file::genericRead, file::shareRead, file::openExisting, h), err::success);
    std::uint32_t written = 0;
    EXPECT_EQ(fs.writeFile(h, "x", 1, written), err::accessDenied) << "opened for reading only";
    kernel.closeHandle(h);
}

TEST_F(FileSystemContract, PointerAndSize) {
    Handle h = Handle::invalid;
    ASSERT_EQ(open(at("p.bin"), file::genericRead | file::genericWrite, file::shareNone, file::createNew, h), err::success);
    write(h, "0123456789");
    std::uint64_t size = 0;
    EXPECT_EQ(fs.getFileSize(h, size), err::success);
    EXPECT_EQ(size, 10u);
    std::uint64_t position = 0;
    EXPECT_EQ(fs.setFilePointer(h, 4, file::begin, position), err::success);
    EXPECT_EQ(position, 4u);
    char two[2];
    std::uint32_t read = 0;
    EXPECT_EQ(fs.readFile(h, two, 2, read), err::success);
    EXPECT_EQ(std::string(two, read), "45");
    EXPECT_EQ(fs.setFilePointer(h, -1, file::end, position), err::success);
    EXPECT_EQ(position, 9u);
    kernel.closeHandle(h);
}

TEST_F(FileSystemContract, DirectoriesAndAttributes) {
    EXPECT_EQ(fs.createDirectory(at("sub")), err::success);
    EXPECT_EQ(fs.createDirectory(at("sub")), err::alreadyExists);
    EXPECT_EQ(fs.createDirectory(at("no\\such")), err::pathNotFound);
    std::uint32_t attributes = 0;
    ASSERT_EQ(fs.getFileAttributes(at("sub"), attributes), err::success);
    EXPECT_NE(attributes & file::attributeDirectory, 0u);
    EXPECT_EQ(fs.getFileAttributes(at("nothing"), attributes), err::fileNotFound);
    EXPECT_EQ(attributes, file::invalidAttributes);

    make("sub\\Inner.TXT");
    EXPECT_EQ(fs.removeDirectory(at("sub")), err::dirNotEmpty);
    std::vector<platform::DirEntry> entries;
    EXPECT_EQ(fs.listDirectory(at("sub"), "*.txt", entries), err::success);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].name, "Inner.TXT");
    EXPECT_EQ(fs.listDirectory(at("sub"), "*.log", entries), err::success);
    EXPECT_TRUE(entries.empty());
    EXPECT_EQ(fs.deleteFile(at("sub\\inner.txt")), err::success);
    EXPECT_EQ(fs.deleteFile(at("sub\\inner.txt")), err::fileNotFound);
    EXPECT_EQ(fs.removeDirectory(at("sub")), err::success);
    EXPECT_EQ(fs.listDirectory(at("sub"), "*", entries), err::pathNotFound);

    make("ro.txt");
    ASSERT_EQ(fs.setFileAttributes(at("ro.txt"), file::attributeReadOnly | file::attributeHidden), err::success);
    ASSERT_EQ(fs.getFileAttributes(at("ro.txt"), attributes), err::success);
    EXPECT_EQ(attributes & (file::attributeReadOnly | file::attributeHidden | file::attributeDirectory),
              file::attributeReadOnly | file::attributeHidden);
    ASSERT_EQ(fs.setFileAttributes(at("ro.txt"), file::attributeNormal), err::success);
    ASSERT_EQ(fs.getFileAttributes(at("ro.txt"), attributes), err::success);
    EXPECT_EQ(attributes & file::attributeReadOnly, 0u);
    EXPECT_EQ(fs.deleteFile(at("ro.txt")), err::success);
}

TEST_F(FileSystemContract, VersionOfAProgramAndOfAPlainFile) {
    std::string self;
    ASSERT_EQ(platform::machine().system().moduleFileName(platform::Module::self, self), err::success);
    std::uint32_t size = 0;
    ASSERT_EQ(fs.fileVersionInfoSize(self, size), err::success);
    std::vector<std::uint8_t> block;
    ASSERT_EQ(fs.fileVersionInfo(self, size, block), err::success);
    const auto root = platform::version::rootValue(block);
    ASSERT_TRUE(root.has_value());
    ASSERT_GE(root->size(), platform::version::fixedRecordSize);
    EXPECT_EQ(platform::version::numbers(*root), (std::array<std::uint16_t, 4>{8, 0, 20, 3}));

    make("plain.txt", "no version here");
    EXPECT_NE(fs.fileVersionInfoSize(at("plain.txt"), size), err::success);
    EXPECT_EQ(size, 0u);
}

TEST_F(FileSystemContract, MoveAndTempNames) {
    make("from.txt", "moved");
    make("to.txt");
    EXPECT_EQ(fs.moveFile(at("from.txt"), at("to.txt"), 0), err::alreadyExists);
    EXPECT_EQ(fs.moveFile(at("from.txt"), at("to.txt"), file::moveReplaceExisting), err::success);
    EXPECT_EQ(readAll(at("to.txt")), "moved");
    EXPECT_FALSE(exists(at("from.txt")));

    std::string temp;
    ASSERT_EQ(fs.tempFileName(dir, "zrn", temp), err::success);
    EXPECT_TRUE(exists(temp));
    EXPECT_TRUE(temp.ends_with(".tmp")) << temp;
    std::string tempDir;
    ASSERT_EQ(fs.tempPath(tempDir), err::success);
    EXPECT_TRUE(tempDir.ends_with("\\")) << tempDir;
}

}  // namespace
