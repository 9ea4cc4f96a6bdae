// Logging and error texts on the real machine: records from several processes and threads stay whole,
// a failed close is logged with the system's own text.
#include <windows.h>

#include <gtest/gtest.h>

#include <optional>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "foundation/auto_handle.h"
#include "foundation/errors.h"
#include "foundation/locale.h"
#include "foundation/logger.h"
#include "foundation/path.h"
#include "platform/win32/win32_machine.h"

namespace {

platform::win32::Win32Machine machine;

constexpr int recordsPerThread = 50;
constexpr int threadsPerProcess = 2;
constexpr int childProcesses = 2;

void useLog(const std::string& logPath) { replaceLogger(Logger(0, logPath, "foundation_wine_tests.exe")); }

std::string tempLog(const char* name) {
    std::string temp;
    machine.fileSystem().tempPath(temp);
    const auto logPath = path::join(temp, name);
    machine.fileSystem().deleteFile(logPath);
    return logPath;
}

std::string readLog(const std::string& logPath) {
    std::string content;
    const HANDLE file = CreateFileA(logPath.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return content;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0) content.append(buffer, read);
    CloseHandle(file);
    return content;
}

void writeRecords(int writer) {
    std::vector<std::thread> threads;
    for (int t = 0; t < threadsPerProcess; ++t) {
        threads.emplace_back([writer, t] {
            for (int i = 0; i < recordsPerThread; ++i) {
                LOG_INFO("writer " << writer << "." << t << " record " << i << " " << std::string(300, 'x'));
            }
        });
    }
    for (auto& thread : threads) thread.join();
}

TEST(FoundationWine, ProcessesAndThreadsLoseNoRecord) {
    const auto logPath = tempLog("zarn-log-stress.log");
    useLog(logPath);

    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::vector<PROCESS_INFORMATION> children;
    for (int c = 1; c <= childProcesses; ++c) {
        std::string commandLine = "\"" + std::string(self) + "\" --child-writer " + std::to_string(c) + " \"" + logPath + "\"";
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process{};
        ASSERT_TRUE(CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                                   &process));
        children.push_back(process);
    }
    writeRecords(0);
    for (const auto& process : children) {
        EXPECT_EQ(WaitForSingleObject(process.hProcess, 120000), WAIT_OBJECT_0);
        DWORD code = 1;
        GetExitCodeProcess(process.hProcess, &code);
        EXPECT_EQ(code, 0u);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }

    const std::string log = readLog(logPath);
    static const std::regex record(
        R"(\[\d{4}/\d\d/\d\d \d\d:\d\d:\d\d\.\d{3}, foundation_wine_tests\.exe \(PID: \d+, TID: \d+\), foundation_wine_test\.cpp:\d+ \([^\n]*\)\]\n\tINFO: writer \d\.\d record \d+ x{300}\n)");
    std::size_t count = 0;
    for (auto it = std::sregex_iterator(log.begin(), log.end(), record); it != std::sregex_iterator(); ++it) ++count;
    EXPECT_EQ(count, static_cast<std::size_t>((childProcesses + 1) * threadsPerProcess * recordsPerThread));
    EXPECT_EQ(std::regex_replace(log, record, ""), "");
}

TEST(FoundationWine, FailedCloseIsLoggedWithTheSystemText) {
    const auto logPath = tempLog("zarn-close.log");
    useLog(logPath);
    { AutoHandle bogus(static_cast<platform::Handle>(0x1234)); }
    const std::string log = readLog(logPath);
    EXPECT_NE(log.find("\tERROR: CloseHandle(0000000000001234) failed with system error 6 ("), std::string::npos) << log;
}

TEST(FoundationWine, MakeMessageNamesTheModuleText) {
    const std::string message = WinErrorHandling::makeMessage(
        "Cannot open", machine.system().apiAddress("kernel32", "CreateFileW"), ERROR_ACCESS_DENIED);
    EXPECT_TRUE(message.starts_with("Cannot open. System error [5](system error 5 (")) << message;
    EXPECT_TRUE(message.ends_with("))")) << message;
    EXPECT_EQ(message.find('\r'), std::string::npos);
}

TEST(FoundationWine, DefaultLogPathIsTheTempDirectory) {
    std::string temp;
    ASSERT_EQ(machine.fileSystem().tempPath(temp), 0u);
    EXPECT_EQ(defaultLogPath(), path::join(temp, "zusched.log"));
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
    if (argc == 4 && std::string(argv[1]) == "--child-writer") {
        useLog(argv[3]);
        writeRecords(std::stoi(argv[2]));
        return 0;
    }
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
