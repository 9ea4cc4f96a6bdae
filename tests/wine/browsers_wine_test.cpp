// Internet Explorer's launcher and the closing of a browser by name on the real machine. zwindow.exe,
// copied under the browser's name, stands for it and records its command lines; the registry key the
// launcher reads points at the copy.
// usage: browsers_wine_tests ZWINDOW_EXE
#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <string>
#include <vector>

#include "driver/setup_complete.h"
#include "foundation/process_closer.h"
#include "foundation/product_sites.h"
#include "foundation/registry_key.h"
#include "platform/win32/win32_machine.h"
#include "support/wine_paths.h"

namespace {

platform::win32::Win32Machine machine;
std::string windowProgram;
const std::string browsersFolder = "C:\\ZarnBrowsers";

/// Writes a text value under HKEY_LOCAL_MACHINE, making the key.
void setText(const std::string& path, const char* name, const std::string& value) {
    RegistryKey key;
    key.open(platform::RegKey::localMachine, path, true, true);
    key.setStringValue(name, value);
}

/// A fresh copy of zwindow.exe as `folder`\`name`; returns its path.
std::string installBrowser(const std::string& folder, const std::string& name) {
    CreateDirectoryA(browsersFolder.c_str(), nullptr);
    const std::string directory = browsersFolder + "\\" + folder;
    CreateDirectoryA(directory.c_str(), nullptr);
    const std::string program = directory + "\\" + name;
    DeleteFileA((program + ".cmdline").c_str());
    EXPECT_TRUE(CopyFileA(windowProgram.c_str(), program.c_str(), FALSE)) << GetLastError();
    return program;
}

/// The command lines `program` was started with, once it has started `count` times (or after 20 s).
std::vector<std::string> commandLines(const std::string& program, std::size_t count) {
    std::vector<std::string> lines;
    for (int attempt = 0; attempt < 200; ++attempt) {
        lines.clear();
        std::ifstream file(program + ".cmdline");
        for (std::string line; std::getline(file, line);) lines.push_back(line);
        if (lines.size() >= count) break;
        Sleep(100);
    }
    return lines;
}

// Internet Explorer is found by its App Paths entry and closed by name as the restart closes it. The
// other browsers are the end-to-end scenarios' (Firefox and the default browser, under Wine) and the
// unit tests' (Chrome, and the install method's case).
TEST(Browsers, ACabInstallOpensTheVerifyPageInInternetExplorer) {
    const std::string program = installBrowser("Internet Explorer", "iexplore.exe");
    setText("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\IEXPLORE.EXE", "", program);
    driver::SetupCompleteData data;
    data.showVerifyText = true;
    driver::ProcessSetupCompleteData(data, "zcab");
    const auto lines = commandLines(program, 1);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find(product::sites::verifyPage), std::string::npos) << lines[0];
    const DWORD start = GetTickCount();
    EXPECT_EQ(processes::closeByName("IEXPLORE.EXE", processes::CloseRequest::postClose), 1)
        << "the name's case is ignored";
    EXPECT_LT(GetTickCount() - start, 5000u) << "closed through its windows, not after the grace";
}

}  // namespace

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: browsers_wine_tests ZWINDOW_EXE\n");
        return 2;
    }
    platform::installMachine(&machine);
    windowProgram = windowsPathOfHost(argv[1]);
    return RUN_ALL_TESTS();
}
