#include <gtest/gtest.h>

#include <string>

#include "contract.h"
#include "foundation/auto_handle.h"
#include "foundation/path.h"
#include "foundation/registry_key.h"
#include "foundation/tstrings_format.h"
#include "platform/win_errors.h"

namespace {

namespace err = platform::err;

void writeFile(const std::string& path, const std::string& bytes) {
    auto& fs = platform::machine().fileSystem();
    AutoHandle file;
    ASSERT_EQ(fs.createFile(path, platform::file::genericWrite, platform::file::shareNone, platform::file::createAlways,
                            platform::file::attributeNormal, *file.put()),
              err::success);
    std::uint32_t written = 0;
    ASSERT_EQ(fs.writeFile(file.get(), bytes.data(), static_cast<std::uint32_t>(bytes.size()), written), err::success);
}

/// A 24-bit BMP file of 5 by 3 pixels.
std::string bmpFile() {
    std::string bytes(54 + 3 * 16, '\0');
    const auto put = [&](std::size_t at, std::uint32_t value) {
        for (int i = 0; i < 4; ++i)
            bytes[at + static_cast<std::size_t>(i)] = static_cast<char>((value >> (8 * i)) & 0xFF);
    };
    bytes[0] = 'B';
    bytes[1] = 'M';
    put(2, static_cast<std::uint32_t>(bytes.size()));
    put(10, 54);
    put(14, 40);
    put(18, 5);
    put(22, 3);
    bytes[26] = 1;
    bytes[28] = 24;
    return bytes;
}

TEST(DesktopContract, SystemLocaleScreenAndAFontDeletedOnce) {
    auto& desktop = platform::machine().desktop();
    std::string country;
    EXPECT_EQ(desktop.systemLocaleCountry(country), err::success);
    EXPECT_FALSE(country.empty());
    EXPECT_GE(desktop.screenPixelsPerInchY(), 72);
    platform::Font font = platform::Font::null;
    ASSERT_EQ(desktop.createFont(platform::FontStyle{"Segoe UI", -13, 700}, font), err::success);
    EXPECT_NE(font, platform::Font::null);
    EXPECT_EQ(desktop.deleteFont(font), err::success);
    EXPECT_EQ(desktop.deleteFont(font), err::invalidHandle);
}

TEST(DesktopContract, BitmapsFromResourcesAndPictureFiles) {
    auto& desktop = platform::machine().desktop();
    platform::Bitmap bitmap = platform::Bitmap::null;
    EXPECT_NE(desktop.loadBitmap(platform::Module::self, 9099, bitmap), err::success);
    EXPECT_EQ(bitmap, platform::Bitmap::null);

    ASSERT_EQ(desktop.loadBitmap(platform::Module::self, contract::bitmapId, bitmap), err::success);
    platform::Size size;
    EXPECT_EQ(desktop.bitmapSize(bitmap, size), err::success);
    EXPECT_EQ(size, (platform::Size{8, 4}));
    EXPECT_EQ(desktop.deleteBitmap(bitmap), err::success);
    EXPECT_EQ(desktop.bitmapSize(bitmap, size), err::invalidHandle);

    ASSERT_TRUE(desktop.pictureDecoderAvailable());
    const std::string directory = contract::freshDirectory("pictures");
    const std::string picture = path::join(directory, "banner.jpg");  // the decoder goes by content
    writeFile(picture, bmpFile());
    ASSERT_EQ(desktop.loadPicture(picture, bitmap), err::success);
    EXPECT_EQ(desktop.bitmapSize(bitmap, size), err::success);
    EXPECT_EQ(size, (platform::Size{5, 3}));
    EXPECT_EQ(desktop.deleteBitmap(bitmap), err::success);

    const std::string garbage = path::join(directory, "garbage.jpg");
    writeFile(garbage, "not a picture at all");
    EXPECT_EQ(desktop.loadPicture(garbage, bitmap), err::invalidData);
    EXPECT_EQ(desktop.loadPicture(path::join(directory, "missing.jpg"), bitmap), err::fileNotFound);
    EXPECT_EQ(bitmap, platform::Bitmap::null);
}

TEST(DesktopContract, FileAssociations) {
    auto& desktop = platform::machine().desktop();
    const std::string directory = contract::freshDirectory("associations");
    const std::string extension = ".zct" + std::to_string(platform::machine().kernel().currentProcessId() % 100000);
    const std::string progId = "ZarnContract" + extension.substr(1);
    {
        RegistryKey key;
        key.open(platform::RegKey::classesRoot, extension, true, true);
        key.setStringValue("", progId);
        key.open(platform::RegKey::classesRoot, progId + "\\shell\\open\\command", true, true);
        key.setStringValue("", "\"C:\\windows\\notepad.exe\" \"%1\"");
    }
    const std::string associated = path::join(directory, "page" + extension);
    const std::string unknown = path::join(directory, "page.zarnunknown");
    writeFile(associated, "");
    writeFile(unknown, "");
    std::string program;
    EXPECT_GT(desktop.findExecutable(associated, program), platform::findExecutableOk);
    EXPECT_EQ(tstrings::compareNoCase(program, "C:\\windows\\notepad.exe"), 0) << program;
    EXPECT_EQ(desktop.findExecutable(unknown, program), 31);
    EXPECT_TRUE(program.empty());
    EXPECT_EQ(desktop.findExecutable(path::join(directory, "missing" + extension), program), 2);
    platform::machine().registry().deleteTree(platform::RegKey::classesRoot, progId);
    platform::machine().registry().deleteKey(platform::RegKey::classesRoot, extension, 0);
}

}  // namespace
