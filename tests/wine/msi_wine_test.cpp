// msi::action against the real Windows Installer: the product package's steps as the progress dialog
// sees them.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "support/progress_bar.h"
#include "support/wine_paths.h"
#include "support/wine_runtime_key.h"

#include "foundation/logger.h"
#include "ipc/operation_mailbox.h"
#include "msi/action.h"
#include "msi/install_callback.h"
#include "progress/operation_sequence.h"
#include "platform/win32/win32_machine.h"

namespace {

platform::win32::Win32Machine machine;
std::string productPackage;  // the product package kobuoffline.exe carries

/// Windows Installer's action on `package` with a basic UI: an install, or with "REMOVE=ALL" a removal.
msi::action<msi::install> basicUi(const std::string& package, msi::Callback* callback = nullptr,
                                  const char* commandLine = "") {
    msi::action<msi::install> action;
    action.packagePath = package;
    action.uiLevel = 2;
    action.callback = callback;
    action.commandLine = commandLine;
    return action;
}

// The progress dialog's side of an install: an OperationSequence polling the mailbox, remembering each
// operation it started timing.
class DialogReader {
public:
    explicit DialogReader(const ipc::SharedMemoryUnsafe& section)
        : sequence_(section, progress::installationChunks(), bar_, 100, 1), thread_([this] { read(); }) {}
    ~DialogReader() { stop(); }

    void stop() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
    }
    std::uint32_t current() const { return current_; }
    /// Waits up to `ms` for operation `id` to be the current one.
    bool waitFor(std::uint32_t id, DWORD ms) const {
        for (const DWORD until = GetTickCount() + ms; current_ != id; Sleep(1)) {
            if (GetTickCount() > until) return false;
        }
        return true;
    }
    const std::vector<std::uint32_t>& started() const { return started_; }

private:
    void read() {
        while (!stop_) {
            sequence_.poll();
            const std::uint32_t id = sequence_.currentOperationId();
            if (id != 0 && (started_.empty() || started_.back() != id)) started_.push_back(id);
            current_ = id;
            Sleep(1);
        }
    }

    test_support::Bar bar_;
    progress::OperationSequence sequence_;
    std::vector<std::uint32_t> started_;
    std::atomic<std::uint32_t> current_{0};
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// The installer's own callback, waiting after each operation it posts until the reader has taken it up:
// Windows Installer starts the first actions within milliseconds of each other.
class PacedSteps final : public msi::Callback {
public:
    PacedSteps(const ipc::SharedMemoryUnsafe& section, const DialogReader& reader)
        : mailbox_(section), reader_(reader) {}
    void handleMessage(std::uint32_t type, std::uint32_t flags, const std::string& text) override {
        const auto before = mailbox_.read();
        steps_.handleMessage(type, flags, text);
        const auto after = mailbox_.read();
        if (!(after == before) && after.getId() != 0) reader_.waitFor(after.getId(), 2000);
    }

private:
    const ipc::SharedMemory<ipc::Operation> mailbox_;
    const DialogReader& reader_;
    InstallCallback steps_;
};

TEST(MsiWine, TheProductPackageReportsOperationsOneToSevenInOrder) {
    const auto section = ipc::SharedMemoryUnsafe::create(ipc::operationSequenceSectionName);
    ipc::SharedMemory<ipc::Operation>(section).write(ipc::Operation());
    DialogReader reader(section);
    PacedSteps steps(section, reader);

    ASSERT_NO_THROW(basicUi(productPackage, &steps).execute());
    // The package's own last step holds the mailbox long enough to be seen.
    EXPECT_TRUE(reader.waitFor(7, 2000));
    reader.stop();
    EXPECT_EQ(reader.started(), (std::vector<std::uint32_t>{1, 2, 3, 4, 5, 6, 7}));
    EXPECT_TRUE(runtimeKeyExists("1.8.0_45", productRuntimeView));

    ASSERT_NO_THROW(basicUi(productPackage, nullptr, "REMOVE=ALL").execute());
    EXPECT_FALSE(runtimeKeyExists("1.8.0_45", productRuntimeView));
}

}  // namespace

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    platform::installMachine(&machine);
    startLogging();
    productPackage = windowsPathOfHost(argc > 1 ? argv[1] : "kobu1.8.0_45.msi");
    return RUN_ALL_TESTS();
}
