#include <gtest/gtest.h>

#include <vector>

#include "driver/mendara_registry.h"
#include "foundation/auto_handle.h"
#include "platform/sim/sim_machine.h"
#include "platform/win_errors.h"
#include "support/seed.h"

namespace driver {
namespace {

namespace reg = platform::reg;
namespace err = platform::err;
using platform::RegKey;

class MendaraRegistryTest : public testing::Test {
public:
    platform::Registry& r() { return sim->registry(); }

    static void setDword(const char* name, std::uint32_t value) { seed::dword("SOFTWARE\\Mendara", 0, name, value); }
    bool hasValue(const char* keyPath, const char* name) {
        AutoRegKey key;
        if (r().openKey(RegKey::localMachine, keyPath, reg::read, *key.put()) != 0) return false;
        std::uint32_t size = 0;
        return r().queryValue(key.get(), name, nullptr, nullptr, size) == 0;
    }
    bool logged(const std::string& line) { return sim.log().find(line + "\n") != std::string::npos; }

    sim::MachineScope sim;
};

TEST_F(MendaraRegistryTest, ClearMSIStatusRows) {
    const struct {
        const char* name;
        std::vector<const char*> values;  // set before the call
        const char* fault;                // fails once with `error`
        platform::ErrorCode error;
        platform::ErrorCode expected;
        const char* line;
    } rows[] = {
        // clang-format off
        {"no key is fine", {}, nullptr, 0, err::success,
         "INFO: Could not find HKEY_LOCAL_MACHINE, SOFTWARE\\Mendara registry key."},
        {"key that cannot be opened", {"MSIStatusError"}, "Registry.openKey", err::accessDenied, err::accessDenied,
         "ERROR: Could not open HKEY_LOCAL_MACHINE, SOFTWARE\\Mendara registry key."},
        {"both values deleted", {"MSIStatusError", "MSIStatusExtendedError"}, nullptr, 0, err::success, nullptr},
        {"missing values count as success", {"Other"}, nullptr, 0, err::success, nullptr},
        {"value that cannot be deleted", {"MSIStatusError"}, "Registry.deleteValue", err::accessDenied,
         err::accessDenied, "ERROR: Could not delete MSIStatusError registry value."},
        {"second value's failure when the first is fine", {"MSIStatusExtendedError"}, "Registry.deleteValue",
         err::accessDenied, err::accessDenied, "ERROR: Could not delete MSIStatusExtendedError registry value."},
        {"close failure is the result", {"MSIStatusError"}, "Registry.closeKey", err::invalidHandle,
         err::invalidHandle, nullptr},
        // clang-format on
    };
    for (const auto& row : rows) {
        for (const char* name : row.values) setDword(name, 1);
        if (row.fault) sim->faults().fail(row.fault, row.error);
        EXPECT_EQ(ClearMSIStatus(), row.expected) << row.name;
        if (row.line) {
            EXPECT_TRUE(logged(row.line)) << row.name << "\n" << sim.log();
        }
        if (row.expected == err::success) {
            EXPECT_FALSE(hasValue("SOFTWARE\\Mendara", "MSIStatusError")) << row.name;
            EXPECT_FALSE(hasValue("SOFTWARE\\Mendara", "MSIStatusExtendedError")) << row.name;
        }
        sim->faults().clear();
        r().deleteTree(RegKey::localMachine, "SOFTWARE\\Mendara");
    }
}

TEST_F(MendaraRegistryTest, GetMSIStatusRows) {
    std::uint32_t status = 0, extended = 0;
    EXPECT_EQ(GetMSIStatus(status, extended), err::fileNotFound);
    EXPECT_TRUE(logged("ERROR: Could not open the registry key."));

    setDword("MSIStatusError", 1722);
    EXPECT_EQ(GetMSIStatus(status, extended), err::fileNotFound);
    EXPECT_EQ(status, 1722u);
    EXPECT_TRUE(logged("ERROR: Could not get MSIStatusExtendedError registry value."));

    setDword("MSIStatusExtendedError", 5);
    EXPECT_EQ(GetMSIStatus(status, extended), err::success);
    EXPECT_EQ(extended, 5u);

    sim->faults().fail("Registry.queryValue", err::accessDenied);
    EXPECT_EQ(GetMSIStatus(status, extended), err::accessDenied);
    EXPECT_TRUE(logged("ERROR: Could not get MSIStatusError registry value."));
}

// The run's own values: its install status (an emptied key goes), the update component's version (of the
// 32-bit view only) and the metrics it removes.
TEST_F(MendaraRegistryTest, RunValues) {
    seed::text("SOFTWARE\\Mendara", 0, "InstallStatus", "reinstall");
    EXPECT_EQ(ReadInstallStatus(), "reinstall");
    ClearInstallStatus();
    EXPECT_EQ(ReadInstallStatus(), "");
    EXPECT_FALSE(seed::exists("SOFTWARE\\Mendara", 0));
    setDword("Kept", 1);
    ClearInstallStatus();
    EXPECT_TRUE(hasValue("SOFTWARE\\Mendara", "Kept"));

    EXPECT_EQ(ReadPreviousAuVersion(), "XX");
    EXPECT_TRUE(logged("INFO: No Old AU Version found\n"));
    seed::text("SOFTWARE\\Mendara\\Auto Update", seed::view64, "AUVersion", "1.0.0.0");
    EXPECT_EQ(ReadPreviousAuVersion(), "XX") << "not the 64-bit view";
    seed::text("SOFTWARE\\Mendara\\Auto Update", seed::view32, "AUVersion", "2.8.45.15");
    EXPECT_EQ(ReadPreviousAuVersion(), "2.8.45.15");

    RemoveKobuMetrics();
    EXPECT_TRUE(logged("ERROR: RemoveKobuMetrics() - RegDeleteKeyEx(): Error:2, ErrorCode:2\n"));
}

}  // namespace
}  // namespace driver
