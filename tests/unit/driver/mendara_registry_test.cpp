#include <gtest/gtest.h>

#include <functional>

#include "driver/mendara_registry.h"
#include "foundation/auto_handle.h"
#include "platform/sim/sim_machine.h"
#include "platform/win_errors.h"

namespace driver {
namespace {

namespace reg = platform::reg;
namespace err = platform::err;
using platform::RegKey;

class MendaraRegistryTest : public testing::Test {
public:
    platform::Registry& r() { return sim->registry(); }

    void setDword(const char* name, std::uint32_t value) {
        AutoRegKey key;
        ASSERT_EQ(r().createKey(RegKey::localMachine, "SOFTWARE\\Mendara", reg::allAccess, *key.put(), nullptr), 0u);
        r().setValue(key.get(), name, reg::dword, reinterpret_cast<const std::uint8_t*>(&value), 4);
    }
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
        std::function<void(MendaraRegistryTest&)> setUp;
        platform::ErrorCode expected;
        const char* line;
    } rows[] = {
        {"no key is fine", [](MendaraRegistryTest&) {}, err::success,
         "INFO: Could not find HKEY_LOCAL_MACHINE, SOFTWARE\\Mendara registry key."},
        {"key that cannot be opened",
         [](MendaraRegistryTest& t) {
             t.setDword("MSIStatusError", 1);
             t.sim->faults().fail("Registry.openKey", err::accessDenied);
         },
         err::accessDenied, "ERROR: Could not open HKEY_LOCAL_MACHINE, SOFTWARE\\Mendara registry key."},
        {"both values deleted",
         [](MendaraRegistryTest& t) {
             t.setDword("MSIStatusError", 1);
             t.setDword("MSIStatusExtendedError", 2);
         },
         err::success, nullptr},
        {"missing values count as success", [](MendaraRegistryTest& t) { t.setDword("Other", 1); }, err::success, nullptr},
        {"value that cannot be deleted",
         [](MendaraRegistryTest& t) {
             t.setDword("MSIStatusError", 1);
             t.sim->faults().fail("Registry.deleteValue", err::accessDenied);
         },
         err::accessDenied, "ERROR: Could not delete MSIStatusError registry value."},
        {"second value's failure when the first is fine",
         [](MendaraRegistryTest& t) {
             t.setDword("MSIStatusExtendedError", 1);
             t.sim->faults().fail("Registry.deleteValue", err::accessDenied);
         },
         err::accessDenied, "ERROR: Could not delete MSIStatusExtendedError registry value."},
        {"close failure is the result",
         [](MendaraRegistryTest& t) {
             t.setDword("MSIStatusError", 1);
             t.sim->faults().fail("Registry.closeKey", err::invalidHandle);
         },
         err::invalidHandle, nullptr},
    };
    for (const auto& row : rows) {
        row.setUp(*this);
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

TEST_F(MendaraRegistryTest, PolicyValues) {
    EXPECT_TRUE(WritePolicyValue("Country", std::string("SE")));
    EXPECT_TRUE(hasValue("SOFTWARE\\Mendara\\Zarn Update\\Policy", "Country"));
    EXPECT_TRUE(WritePolicyValue("Country", std::nullopt));
    EXPECT_FALSE(hasValue("SOFTWARE\\Mendara\\Zarn Update\\Policy", "Country"));
    EXPECT_FALSE(WritePolicyValue("Country", std::nullopt));  // nothing to delete
    sim->faults().fail("Registry.createKey", err::accessDenied);
    EXPECT_FALSE(WritePolicyValue("Country", std::string("SE")));
}

TEST_F(MendaraRegistryTest, InstallStatusIsClearedAndAnEmptyKeyGoes) {
    AutoRegKey key;
    ASSERT_EQ(r().createKey(RegKey::localMachine, "SOFTWARE\\Mendara", reg::allAccess, *key.put(), nullptr), 0u);
    const std::string reinstall = "reinstall";
    r().setValue(key.get(), "InstallStatus", reg::sz, reinterpret_cast<const std::uint8_t*>(reinstall.c_str()), 10);
    key.reset();
    EXPECT_EQ(ReadInstallStatus(), "reinstall");
    ClearInstallStatus();
    EXPECT_EQ(ReadInstallStatus(), "");
    EXPECT_EQ(r().openKey(RegKey::localMachine, "SOFTWARE\\Mendara", reg::read, *key.put()), err::fileNotFound);

    setDword("Kept", 1);
    ClearInstallStatus();
    EXPECT_TRUE(hasValue("SOFTWARE\\Mendara", "Kept"));
}

TEST_F(MendaraRegistryTest, AutoUpdateVersionComesFromTheThirtyTwoBitView) {
    EXPECT_EQ(ReadPreviousAuVersion(), "XX");
    EXPECT_TRUE(logged("INFO: No Old AU Version found\n"));
    AutoRegKey key;
    ASSERT_EQ(r().createKey(RegKey::localMachine, "SOFTWARE\\Mendara\\Auto Update", reg::allAccess | reg::wow64_32Key,
                            *key.put(), nullptr),
              0u);
    const std::string version = "2.8.45.15";
    r().setValue(key.get(), "AUVersion", reg::sz, reinterpret_cast<const std::uint8_t*>(version.c_str()), 10);
    EXPECT_EQ(ReadPreviousAuVersion(), "2.8.45.15");
}

TEST_F(MendaraRegistryTest, SilentInstallKeyAndMetricsRemoval) {
    CreateSilentInstallKey();
    AutoRegKey key;
    EXPECT_EQ(r().openKey(RegKey::localMachine, "SOFTWARE\\Mendara\\SilentInstall", reg::read, *key.put()), 0u);
    key.reset();
    DeleteSilentInstallKey();
    EXPECT_EQ(r().openKey(RegKey::localMachine, "SOFTWARE\\Mendara\\SilentInstall", reg::read, *key.put()),
              err::fileNotFound);

    RemoveKobuMetrics();
    EXPECT_TRUE(logged("ERROR: RemoveKobuMetrics() - RegDeleteKeyEx(): Error:2, ErrorCode:2\n"));
}

}  // namespace
}  // namespace driver
