// msi::action against the real Windows Installer: result codes, the installer state around the call,
// the messages it delivers and the text of its error codes.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "support/wine_paths.h"
#include "support/wine_runtime_key.h"

#include "foundation/logger.h"
#include "ipc/operation_mailbox.h"
#include "msi/action.h"
#include "msi/install_callback.h"
#include "msi/msi_error.h"
#include "platform/win32/win32_machine.h"

namespace {

platform::win32::Win32Machine machine;
std::string packages;  // the directory holding the test packages, as Wine sees it

constexpr const char* runtimeVersion = "1.5.0_10";

// Records every message and passes action starts on to the installer's own callback.
class Recorder final : public msi::Callback {
public:
    void handleMessage(std::uint32_t type, std::uint32_t flags, const std::string& text) override {
        if (type == 0x08000000u) actionStarts.push_back(text);
        steps.handleMessage(type, flags, text);
    }
    std::vector<std::string> actionStarts;
    InstallCallback steps;
};

std::string joined(const std::vector<std::string>& texts) {
    std::string all;
    for (const auto& t : texts) all += t + "\n";
    return all;
}

TEST(MsiWine, InstallsAndRemovesAPackageReportingSteps) {
    const auto section = ipc::SharedMemoryUnsafe::create(ipc::operationSequenceSectionName);
    const ipc::SharedMemory<ipc::Operation> mailbox(section);
    mailbox.write(ipc::Operation());

    Recorder recorder;
    msi::action<msi::install> install;
    install.packagePath = packages + "\\runtime_1_5_0_10.msi";
    install.uiLevel = 2;
    install.callback = &recorder;
    install.properties = {{"ALLUSERS", "1"}};
    ASSERT_NO_THROW(install.execute());
    EXPECT_TRUE(runtimeKeyExists(runtimeVersion));
    EXPECT_FALSE(recorder.actionStarts.empty());
    // CreateFolders comes after InstallInitialize, so the last step posted is one of the two.
    const auto id = mailbox.read().getId();
    EXPECT_TRUE(id == 2 || id == 3) << id << ", action starts seen:\n" << joined(recorder.actionStarts);

    msi::action<msi::install> remove;
    remove.packagePath = install.packagePath;
    remove.uiLevel = 2;
    remove.commandLine = "REMOVE=ALL";
    ASSERT_NO_THROW(remove.execute());
    EXPECT_FALSE(runtimeKeyExists(runtimeVersion));
}

TEST(MsiWine, AMissingPackageGivesItsCodeAndText) {
    msi::action<msi::install> install;
    install.packagePath = packages + "\\no_such_package.msi";
    install.uiLevel = 2;
    try {
        install.execute();
        ADD_FAILURE() << "no error";
    } catch (const msi::Error& e) {
        // Windows answers 1619 (package cannot be opened), Wine 2 (file not found).
        EXPECT_TRUE(e.code() == 1619u || e.code() == 2u) << e.code();
        const std::string codePart = ") failed. MSI error [" + std::to_string(e.code()) + "]";
        EXPECT_NE(std::string(e.what()).find(codePart), std::string::npos) << e.what();
    }
}

TEST(MsiWine, TheMessageLibraryNamesFatalErrors) {
    const std::string text = msi::makeMessage("failed", 1603);
    // Wine's message library may lack the text; the code part is always there.
    EXPECT_EQ(text.rfind("failed. MSI error [1603]", 0), 0u) << text;
    std::printf("1603: %s\n", text.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    platform::installMachine(&machine);
    startLogging();
    packages = windowsPathOfHost(argc > 1 ? argv[1] : ".");
    return RUN_ALL_TESTS();
}
