// Behaviour of the simulated machine that only tests rely on: fault plans, scratch drives, the
// simulated 32-bit process and the scripted user.
#include <gtest/gtest.h>

#include "platform/sim/sim_machine.h"
#include "platform/win_errors.h"

namespace {

namespace reg = platform::reg;

TEST(Faults, SkipTimesAndAlways) {
    sim::Faults faults;
    faults.fail("Registry.openKey", 5, 2, 1);
    EXPECT_FALSE(faults.check("Registry.openKey"));
    EXPECT_EQ(faults.check("Registry.openKey"), 5u);
    EXPECT_EQ(faults.check("Registry.openKey"), 5u);
    EXPECT_FALSE(faults.check("Registry.openKey"));
    faults.fail("Registry.openKey", 2, -1);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(faults.check("Registry.openKey"), 2u);
    faults.fail("Registry.openKey", 2, 0);
    EXPECT_FALSE(faults.check("Registry.openKey"));
    EXPECT_EQ(faults.calls("Registry.openKey"), 10);
}

TEST(SimMachine, ScratchDrivesVanishWithTheMachine) {
    std::filesystem::path root;
    {
        sim::Machine machine;
        root = machine.root();
        machine.fileSystem().writeAll("C:\\Data\\a.txt", "x");
        EXPECT_TRUE(std::filesystem::exists(root));
    }
    EXPECT_FALSE(std::filesystem::exists(root));
}

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

TEST(SimMachine, DelayedRenamesAreRecorded) {
    sim::MachineScope sim;
    EXPECT_EQ(sim->fileSystem().moveFile("C:\\old.exe", "", platform::file::moveDelayUntilReboot), 0u);
    ASSERT_EQ(sim->fileSystem().pendingRenames().size(), 1u);
    EXPECT_EQ(sim->fileSystem().pendingRenames()[0].first, "C:\\old.exe");
}

TEST(SimMachine, ScriptedAnswersThenFirstButton) {
    sim::MachineScope sim;
    sim->desktop().answer(platform::mb::idNo);
    platform::ErrorCode error = 0;
    EXPECT_EQ(sim->desktop().messageBox(platform::Window::null, "Go on?", "Zarn", platform::mb::yesNo, error),
              platform::mb::idNo);
    EXPECT_EQ(sim->desktop().messageBox(platform::Window::null, "Go on?", "Zarn", platform::mb::yesNo, error),
              platform::mb::idYes);
    EXPECT_EQ(sim->desktop().messageBox(platform::Window::null, "Done", "Zarn", platform::mb::ok, error),
              platform::mb::idOk);
    ASSERT_EQ(sim->desktop().shown().size(), 3u);
    EXPECT_EQ(sim->desktop().shown()[2].text, "Done");
}

}  // namespace

namespace {

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

}  // namespace

namespace {

// Wine protects with no secret at all, so only the simulated machine shows what Windows does for
// another user: a user's blob stays closed, a machine blob opens, and a changed byte opens nowhere.
TEST(SimMachine, ProtectedDataIsBoundToTheUserOrTheMachine) {
    sim::Machine machine;
    auto& crypto = machine.crypto();
    const std::vector<std::uint8_t> plain = {1, 2, 3, 4};
    std::vector<std::uint8_t> userBlob;
    std::vector<std::uint8_t> machineBlob;
    ASSERT_EQ(crypto.protectData(plain, platform::protect::uiForbidden, userBlob), platform::err::success);
    ASSERT_EQ(crypto.protectData(plain, platform::protect::uiForbidden | platform::protect::localMachine, machineBlob),
              platform::err::success);
    std::vector<std::uint8_t> changed = userBlob;
    changed[changed.size() - 1] ^= 1;
    std::vector<std::uint8_t> opened;
    EXPECT_EQ(crypto.unprotectData(changed, 0, opened), platform::err::invalidData);

    crypto.signIn("other");
    EXPECT_EQ(crypto.unprotectData(userBlob, 0, opened), platform::err::invalidData);
    ASSERT_EQ(crypto.unprotectData(machineBlob, 0, opened), platform::err::success);
    EXPECT_EQ(opened, plain);
    sim::Machine another;
    EXPECT_EQ(another.crypto().unprotectData(machineBlob, 0, opened), platform::err::invalidData)
        << "another machine's key";
}

}  // namespace
