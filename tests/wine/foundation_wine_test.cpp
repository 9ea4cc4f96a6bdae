// Logging and locale on the real machine: a failed close is logged with the system's own text, and a
// German user gets the German locale.
#include <windows.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "foundation/auto_handle.h"
#include "foundation/locale.h"
#include "foundation/logger.h"
#include "foundation/path.h"
#include "platform/win32/win32_machine.h"
#include "support/file_text.h"

namespace {

platform::win32::Win32Machine machine;

TEST(FoundationWine, FailedCloseIsLoggedWithTheSystemText) {
    std::string temp;
    machine.fileSystem().tempPath(temp);
    const auto logPath = path::join(temp, "zarn-close.log");
    machine.fileSystem().deleteFile(logPath);
    replaceLogger(Logger(0, logPath, "foundation_wine_tests.exe"));
    { AutoHandle bogus(static_cast<platform::Handle>(0x1234)); }
    const std::string log = fileText(logPath);
    EXPECT_NE(log.find("\tERROR: CloseHandle(0000000000001234) failed with system error 6 ("), std::string::npos) << log;
}

// Run alone by foundation_wine_german, whose Wine process has a German locale: Wine lists only the
// specific language, which no locale accepts as it stands.
TEST(GermanUser, GetsTheGermanLocale) {
    std::uint32_t length = 0;
    ASSERT_EQ(machine.system().threadPreferredUILanguages(nullptr, length), std::optional<platform::ErrorCode>(0u));
    std::string listed;
    ASSERT_EQ(machine.system().threadPreferredUILanguages(&listed, length), std::optional<platform::ErrorCode>(0u));
    EXPECT_EQ(listed, std::string("0407\0\0", 6));
    EXPECT_EQ(Locale::preferredLanguages(), (std::vector<Locale::LangId>{0x0407, 7}));
    EXPECT_EQ(Locale::defaultLocale().name(), "de");
}

}  // namespace

int main(int argc, char** argv) {
    platform::installMachine(&machine);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
