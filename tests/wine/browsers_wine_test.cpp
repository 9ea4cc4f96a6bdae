// The browser launchers and the closing of browsers on the real machine. zwindow.exe, copied under each
// browser's name into a folder of its own, stands for the browser and records its command lines; the
// registry keys the launchers read point at the copies.
// usage: browsers_wine_tests ZWINDOW_EXE
#include <gtest/gtest.h>
#include <windows.h>

#include <cctype>
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

// The verify note opens the verify page in the browser the install method names (any case), and in the
// default browser for any other method; each browser is then closed by name as the restart closes it.
TEST(Browsers, TheVerifyPageOpensInTheBrowserTheInstallMethodNames) {
    const std::string verify = product::sites::verifyPage;
    struct Row {
        const char* method;
        const char* folder;
        const char* name;
        std::string expected;  // in the browser's command line
        void (*registerBrowser)(const std::string& program);
        processes::CloseRequest close;
    };
    const Row rows[] = {
        {"ZCHROME", "Chrome", "chrome.exe", "-new-window \"" + verify + "\"",
         [](const std::string&) {
             setText("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\chrome.exe", "path",
                     browsersFolder + "\\Chrome");
         },
         processes::CloseRequest::postClose},
        {"zxpi", "Firefox", "firefox.exe", "-new-window " + verify,
         [](const std::string&) {
             setText("SOFTWARE\\Mozilla\\Mozilla Firefox", "CurrentVersion", "115.0 (x64 en-US)");
             setText("SOFTWARE\\Mozilla\\Mozilla Firefox\\115.0 (x64 en-US)\\Main",
                     "Install Directory", browsersFolder + "\\Firefox");
         },
         // Windows of another process cannot be destroyed; they are asked to close instead.
         processes::CloseRequest::destroy},
        {"zcab", "Internet Explorer", "iexplore.exe", verify,
         [](const std::string& program) {
             setText("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\IEXPLORE.EXE", "",
                     program);
         },
         processes::CloseRequest::postClose},
        {"zoff", "Default", "zbrowser.exe", verify,
         [](const std::string& program) {
             setText("Software\\Classes\\.html", "", "ZarnTestPage");
             setText("Software\\Classes\\ZarnTestPage\\shell\\open\\command", "",
                     "\"" + program + "\" \"%1\"");
         },
         processes::CloseRequest::postClose},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.method);
        const std::string program = installBrowser(row.folder, row.name);
        row.registerBrowser(program);
        driver::SetupCompleteData data;
        data.showVerifyText = true;
        driver::ProcessSetupCompleteData(data, row.method);
        const auto lines = commandLines(program, 1);
        ASSERT_EQ(lines.size(), 1u);
        EXPECT_NE(lines[0].find(row.expected), std::string::npos) << lines[0];
        const DWORD start = GetTickCount();
        std::string upper = row.name;
        for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        EXPECT_EQ(processes::closeByName(upper, row.close), 1) << "the name's case is ignored";
        EXPECT_LT(GetTickCount() - start, 5000u) << "closed through its windows, not after the grace";
    }
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
