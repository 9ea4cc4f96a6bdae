#include <gtest/gtest.h>

#include <functional>

#include "foundation/auto_handle.h"
#include "foundation/errors.h"
#include "platform/sim/sim_machine.h"
#include "platform/win_errors.h"

namespace {

namespace file = platform::file;

class AutoHandleTest : public testing::Test {
protected:
    platform::Handle openTemp(const char* path = "C:\\t.txt") {
        platform::Handle h = platform::Handle::invalid;
        platform::FileSystem& fs = sim->fileSystem();
        EXPECT_EQ(fs.createFile(path, file::genericWrite, file::shareNone, file::createAlways,
                                               file::attributeNormal, h),
                  0u);
        return h;
    }
    sim::MachineScope sim;
};

TEST_F(AutoHandleTest, ClosesOnDestructionAndReset) {
    {
        AutoHandle h(openTemp());
        EXPECT_TRUE(h);
        EXPECT_EQ(sim->handles().size(), 1u);
        h.reset(openTemp("C:\\u.txt"));
        EXPECT_EQ(sim->handles().size(), 1u);
    }
    EXPECT_EQ(sim->handles().size(), 0u);
}

TEST_F(AutoHandleTest, MoveAndReleaseTransferOwnership) {
    AutoHandle a(openTemp());
    AutoHandle b(std::move(a));
    EXPECT_FALSE(a);
    EXPECT_TRUE(b);
    const platform::Handle raw = b.release();
    EXPECT_FALSE(b);
    EXPECT_EQ(sim->handles().size(), 1u);
    AutoHandle c(raw);
}

TEST_F(AutoHandleTest, NullAndInvalidAreNotClosed) {
    { AutoHandle invalid(platform::Handle::invalid); }
    { AutoHandle null; }
    EXPECT_EQ(sim->faults().calls("Kernel.closeHandle"), 0);
}

TEST_F(AutoHandleTest, FailedCloseIsLoggedNeverThrown) {
    const struct {
        const char* call;
        std::function<void()> close;
        const char* operation;
    } rows[] = {
        {"CloseHandle", [] { AutoHandle h(static_cast<platform::Handle>(0x1234)); }, "Kernel.closeHandle"},
        {"RegCloseKey", [] { AutoRegKey k(static_cast<platform::RegKey>(0x1234)); }, "Registry.closeKey"},
        {"InternetCloseHandle", [] { AutoInternetHandle i(static_cast<platform::InternetHandle>(0x1234)); },
         "Internet.closeHandle"},
        {"CryptReleaseContext", [] { AutoCryptProvider p(static_cast<platform::CryptProvider>(0x1234)); },
         "Crypto.releaseContext"},
        {"CryptDestroyHash", [] { AutoCryptHash h(static_cast<platform::CryptHash>(0x1234)); }, "Crypto.destroyHash"},
    };
    for (const auto& row : rows) {
        sim->faults().fail(row.operation, platform::err::invalidHandle);
        EXPECT_NO_THROW(row.close()) << row.call;
        EXPECT_NE(sim.log().find(std::string("\tERROR: ") + row.call +
                                 "(0000000000001234) failed with system error 6 (The handle is invalid)\n"),
                  std::string::npos)
            << row.call << "\n"
            << sim.log();
    }
}

}  // namespace
