// Behaviour only the simulated machine shows, which the contract suite cannot hold Windows to: the
// simulated 32-bit process, read-only files, protected data and a value changed under a read.
#include <gtest/gtest.h>

#include "foundation/registry_key.h"
#include "platform/sim/sim_machine.h"
#include "platform/win_errors.h"

namespace {

namespace reg = platform::reg;

TEST(SimMachine, ThirtyTwoBitProcessSeesTheRedirectedViewByDefault) {
    sim::MachineScope sim;
    sim->registry().setProcessIs64Bit(false);
    platform::RegKey key = platform::RegKey::null;
    platform::Registry& registry = sim->registry();
    ASSERT_EQ(registry.createKey(platform::RegKey::localMachine, "SOFTWARE\\Zarn", reg::allAccess, key), 0u);
    sim->registry().closeKey(key);
    EXPECT_EQ(sim->registry().openKey(platform::RegKey::localMachine, "SOFTWARE\\WOW6432Node\\Zarn",
                                      reg::read | reg::wow64_64Key, key),
              0u);
    sim->registry().closeKey(key);
    EXPECT_EQ(sim->registry().openKey(platform::RegKey::localMachine, "SOFTWARE\\Zarn", reg::read | reg::wow64_64Key, key),
              platform::err::fileNotFound);
}

// Windows refuses writes and deletes of read-only files; Wine run as root lets them through, so the
// contract suite cannot hold the real machine to it and the rule is checked here.
TEST(SimMachine, ReadOnlyFilesRefuseWritesAndDeletes) {
    sim::MachineScope sim;
    namespace file = platform::file;
    platform::FileSystem& fs = sim->fileSystem();
    platform::Handle h = platform::Handle::invalid;
    ASSERT_EQ(fs.createFile("C:\\ro.txt", file::genericWrite, file::shareNone, file::createNew, file::attributeNormal, h), 0u);
    sim->kernel().closeHandle(h);
    ASSERT_EQ(fs.setFileAttributes("C:\\ro.txt", file::attributeReadOnly), 0u);
    EXPECT_EQ(fs.createFile("C:\\ro.txt", file::genericWrite, file::shareNone, file::openExisting, file::attributeNormal, h),
              platform::err::accessDenied);
    EXPECT_EQ(fs.deleteFile("C:\\ro.txt"), platform::err::accessDenied);
}

// Wine protects with no secret at all, so only the simulated machine shows what Windows does for
// another user: a machine blob still opens (a user's blob does not: AuConfigTest holds the product to that).
TEST(SimMachine, ProtectedDataForTheMachineOpensForAnotherUser) {
    sim::Machine machine;
    auto& crypto = machine.crypto();
    const std::vector<std::uint8_t> plain = {1, 2, 3, 4};
    std::vector<std::uint8_t> blob;
    ASSERT_EQ(crypto.protectData(plain, platform::protect::uiForbidden | platform::protect::localMachine, blob),
              platform::err::success);
    crypto.signIn("other");
    std::vector<std::uint8_t> opened;
    ASSERT_EQ(crypto.unprotectData(blob, 0, opened), platform::err::success);
    EXPECT_EQ(opened, plain);
}

// The registry may answer "more data" without a size to grow to (a value changed under the read): the
// buffer grows anyway and the read is tried again. Only the simulated machine can make it so.
TEST(RegistryKeyTest, MoreDataWithoutANewSizeStillGrowsTheBuffer) {
    sim::MachineScope sim;
    RegistryKey key;
    key.open(platform::RegKey::localMachine, "SOFTWARE\\Mendara", true, true);
    key.setStringValue("Text", "x");
    sim->faults().fail("Registry.queryValue", platform::err::moreData, 2);
    EXPECT_EQ(key.queryStringValue("Text"), "x");
    EXPECT_EQ(sim->faults().calls("Registry.queryValue"), 3);
}

}  // namespace
