// The auto-update policy store on the simulated machine: both layouts, the stored forms, the repairs
// of bad data and every failure text.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>

#include "au/config.h"
#include "au/protection.h"
#include "au/reg_data.h"
#include "foundation/registry_key.h"
#include "platform/registry.h"
#include "platform/sim/sim_machine.h"
#include "platform/win_errors.h"
#include "support/error_of.h"

namespace {

using test_support::errorOf;
using testing::EndsWith;
using testing::HasSubstr;
namespace reg = platform::reg;

RegistryKey policy(const char* path, bool write = true, platform::RegKey root = platform::RegKey::localMachine) {
    RegistryKey key(reg::wow64_32Key);
    key.open(root, path, write, write);
    return key;
}

void expectRandom(const au::Schedule& s) {
    const auto low = s.frequency & 0xff;
    const auto second = (s.frequency >> 8) & 0xff;
    EXPECT_TRUE(low != 0 && low <= 0x40 && (low & (low - 1)) == 0) << s.frequency;
    EXPECT_TRUE(second != 0 && second <= 0x40 && (second & (second - 1)) == 0) << s.frequency;
    EXPECT_EQ(s.frequency & 0xffff0000u, 0u) << "byte 2 and bit 24 stay clear";
    EXPECT_LT(s.updateSchedule, 24u);
    EXPECT_LT(s.updateMin, 60u);
}

constexpr au::Schedule weekly{0x0204, 13, 45};

// The current layout keeps the schedule in the check key as machine-protected Base64 texts and the
// notify pair as plain DWORDs (runtimes' upgrade test reads them back).
TEST(AuConfigTest, CurrentLayoutIsProtectedBase64InTheCheckKey) {
    sim::MachineScope sim;
    {
        au::Config current(1);
        current.setSchedule(weekly);
        current.setNotifyType(au::notifyBeforeInstall);
    }
    const auto check = policy(au::policyCheckKey, false);
    const auto stored = check.queryValue("UpdateSchedule");
    EXPECT_EQ(stored.type, reg::sz);
    const std::string text = check.queryStringValue("UpdateSchedule");
    EXPECT_EQ(text.find_first_of("\r\n"), std::string::npos);
    EXPECT_EQ(au::unprotect(au::string2binary(text)), (au::Bytes{13, 0, 0, 0}));
    EXPECT_EQ(check.queryDwordValue("NotifyDownload"), 0u);
    EXPECT_EQ(check.queryDwordValue("NotifyInstall"), 1u);
    EXPECT_THROW(policy(au::policyKey, false).queryValue("UpdateSchedule"), std::runtime_error)
        << "nothing in the policy key itself";
}

void setCheck(const char* name, const std::string& text) { policy(au::policyCheckKey).setStringValue(name, text); }

TEST(AuConfigTest, UnreadableScheduleIsReplacedByARandomOne) {
    const char* noCheckKey = "open key (SOFTWARE\\Mendara\\Zarn Update\\Policy\\zucheck) error: system error 2";
    const struct {
        const char* name;
        std::function<void(sim::Machine&)> seed;
        const char* error;
        bool stored;
    } rows[] = {
        // clang-format off
        {"nothing stored", [](sim::Machine&) {}, noCheckKey, true},
        {"protected value of 3 bytes",
         [](sim::Machine&) { setCheck("Frequency", au::binary2string(au::protect(au::Bytes{1, 2, 3}, true))); },
         "decrypted data has wrong size", true},
        {"and the rewrite fails too",
         [](sim::Machine& m) { m.faults().fail("Registry.createKey", platform::err::accessDenied, -1); }, noCheckKey, false},
        // clang-format on
    };
    for (const auto& row : rows) {
        sim::MachineScope sim;
        row.seed(sim.machine());
        au::Config config(1);
        bool stored = !row.stored;
        const au::Schedule schedule = config.getSchedule(&stored);
        EXPECT_EQ(stored, row.stored) << row.name;
        expectRandom(schedule);
        const std::string log = sim.log();
        EXPECT_THAT(log, HasSubstr(std::string("getValue(DWORD) failed: "))) << row.name;
        EXPECT_THAT(log, HasSubstr(row.error)) << row.name;
        EXPECT_THAT(log, HasSubstr("getSchedule failed: ")) << row.name;
        EXPECT_THAT(log, HasSubstr(", rescheduling\n")) << row.name;
        if (row.stored) {
            sim->faults().clear();
            EXPECT_EQ(au::Config(1).getSchedule(), schedule) << row.name << ": the random schedule was written";
        }
    }
}

std::string drawnByAProcess() {
    std::string out;
    FILE* child = popen(ZARN_DRAW_SCHEDULES, "r");
    if (child == nullptr) return out;
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, child) != nullptr) out += buffer;
    pclose(child);
    return out;
}

// Machines whose schedule is repaired must not all check for updates at the same minute.
TEST(AuConfigTest, EachProcessDrawsSchedulesOfItsOwn) {
    const std::string first = drawnByAProcess();
    ASSERT_EQ(std::count(first.begin(), first.end(), '\n'), 4) << first;
    EXPECT_NE(first, drawnByAProcess());
}

TEST(AuConfigTest, NotifyTypeAndItsRepair) {
    const struct {
        const char* name;
        std::uint32_t download, install;
        std::uint32_t type;
        bool reset;
    } rows[] = {
        {"before download", 1, 0, au::notifyBeforeDownload, false},
        {"both set", 1, 1, au::notifyBeforeDownload, true},
    };
    for (const auto& row : rows) {
        sim::MachineScope sim;
        auto check = policy(au::policyCheckKey);
        check.setDwordValue("NotifyDownload", row.download);
        check.setDwordValue("NotifyInstall", row.install);
        EXPECT_EQ(au::Config(1).getNotifyType(), row.type) << row.name;
        const bool logged = sim.log().find("getNotifyType failed: ") != std::string::npos;
        EXPECT_EQ(logged, row.reset) << row.name;
        if (row.reset) {
            EXPECT_THAT(sim.log(), HasSubstr("inconsistent data, reset to default\n")) << row.name;
            EXPECT_EQ(check.queryDwordValue("NotifyDownload"), 1u) << row.name;
            EXPECT_EQ(check.queryDwordValue("NotifyInstall"), 0u) << row.name;
        }
    }
}

TEST(AuConfigTest, UnknownNotifyTypeWritesNothing) {
    sim::MachineScope sim;
    EXPECT_THAT(errorOf([] { au::Config(1).setNotifyType(2); }), EndsWith("unknown notifyType"));
    EXPECT_THAT(sim.log(), HasSubstr("setNotifyType: unknown value: 2\n"));
    RegistryKey check(reg::wow64_32Key);
    EXPECT_THROW(check.open(platform::RegKey::localMachine, au::policyCheckKey), std::runtime_error);
}

TEST(AuConfigTest, FailureTexts) {
    sim::MachineScope sim;
    au::Store store(1);
    au::Config(1).setSchedule(weekly);
    const auto fails = [&](const char* fault, int skip, const std::function<void()>& action) {
        sim->faults().fail(fault, platform::err::accessDenied, 1, skip);
        const std::string error = errorOf(action);
        sim->faults().clear();
        return error;
    };
    EXPECT_THAT(fails("Crypto.protectData", 0, [] { au::Config(1).setSchedule(weekly); }),
                EndsWith("encryption failed, sysError=5"));
    EXPECT_THAT(fails("Crypto.binaryToString", 0, [] { au::Config(1).setSchedule(weekly); }),
                EndsWith("binary2string (phase1) failed, sysError=5"));
    EXPECT_THAT(fails("Crypto.binaryToString", 1, [] { au::Config(1).setSchedule(weekly); }),
                EndsWith("binary2string (phase2) failed, sysError=5"));
    EXPECT_THAT(fails("Crypto.stringToBinary", 0, [&] { au::frequency.getValue(store); }),
                EndsWith("string2binary (phase1) failed, sysError=5"));
    EXPECT_THAT(fails("Crypto.stringToBinary", 1, [&] { au::frequency.getValue(store); }),
                EndsWith("string2binary (phase2) failed, sysError=5"));
    EXPECT_THAT(fails("Crypto.unprotectData", 0, [&] { au::frequency.getValue(store); }),
                EndsWith("decryption failed, sysError=5"));
    EXPECT_THAT(errorOf([&] { au::RegData(3, "X", 0).getValue(store); }), EndsWith("unknown reg location"));
    EXPECT_THAT(errorOf([&] { au::RegData(0, "X", 3).setValue(store, 1); }), EndsWith("unknown encryptionType"));
    EXPECT_THAT(sim.log(), HasSubstr("setValue(DWORD) failed: "));
}

// A user-protected value is binary in the user's policy key and opens only for that user.
TEST(AuConfigTest, UserProtectedValueBelongsToTheUser) {
    sim::MachineScope sim;
    au::Store store(1);
    au::sdvc.setValue(store, 7);
    const auto stored = policy(au::policyKey, false, platform::RegKey::currentUser).queryValue("SDVC");
    EXPECT_EQ(stored.type, reg::binary);
    EXPECT_EQ(au::sdvc.getValue(store), 7u);
    sim->crypto().signIn("other");
    EXPECT_THAT(errorOf([&] { au::sdvc.getValue(store); }), EndsWith("decryption failed, sysError=13"));
}

}  // namespace
