// The runtime configuration file on the real machine: created with its descriptor (Administrators
// full, the account domain's Domain Users and Everyone read), rewritten in place, read back.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "foundation/path.h"
#include "platform/win32/win32_machine.h"
#include "platform/win_errors.h"
#include "settings/settings_api.h"

namespace {

platform::win32::Win32Machine machine;

std::string readAll(const std::string& path) {
    std::string content;
    const HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return "(none)";
    char buffer[512];
    DWORD read = 0;
    while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0) content.append(buffer, read);
    CloseHandle(file);
    return content;
}

TEST(SettingsWine, RuntimeFileIsCreatedThenRewrittenInPlace) {
    std::string temp;
    ASSERT_EQ(machine.fileSystem().tempPath(temp), 0u);
    const std::string directory = path::join(temp, "zarn-settings-" + std::to_string(GetCurrentProcessId()));
    const std::string file = path::join(directory, "Zarn\\zarn.settings.cfg");

    const settings::settings_api& api = settings::getSettingsApi();
    settings::Context* first = api.createContext();
    ASSERT_EQ(api.loadString(first, "INSTALL_SILENT=Enable\nNOSTARTMENU", nullptr, nullptr, true, true), 0);
    ASSERT_EQ(api.saveFile(first, file.c_str()), 0) << "the descriptor with the domain's SID is accepted";
    EXPECT_EQ(readAll(file), "INSTALL_SILENT=Enable\nNOSTARTMENU\n");

    settings::Context* second = api.createContext();
    ASSERT_EQ(api.loadString(second, "EULA=Enable", nullptr, nullptr, true, true), 0);
    ASSERT_EQ(api.saveFile(second, file.c_str()), 0);
    EXPECT_EQ(readAll(file), "EULA=Enable\r\n");

    settings::Context* loaded = api.createContext();
    ASSERT_EQ(api.loadFile(loaded, file.c_str(), nullptr, nullptr, true, true), 0);
    std::int32_t equal = 0;
    ASSERT_EQ(api.equalContexts(loaded, second, &equal), 0);
    EXPECT_EQ(equal, 1);
    for (auto* context : {first, second, loaded}) api.destroyContext(context);

    DeleteFileA(file.c_str());
    RemoveDirectoryA(path::join(directory, "Zarn").c_str());
    RemoveDirectoryA(directory.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    platform::installMachine(&machine);
    return RUN_ALL_TESTS();
}
