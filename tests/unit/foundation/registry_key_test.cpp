#include <gtest/gtest.h>

#include <functional>

#include "foundation/registry_key.h"
#include "platform/sim/sim_machine.h"
#include "platform/win_errors.h"

namespace {

using platform::RegKey;

class RegistryKeyTest : public testing::Test {
protected:
    sim::MachineScope sim;
    RegistryKey key;

    void SetUp() override {
        key.open(RegKey::localMachine, "SOFTWARE\\Mendara", true, true);
        key.setDwordValue("Dword", 1);
        key.setStringValue("Text", "x");
        key.setBinaryValue("Binary", std::vector<std::uint8_t>{1});
    }
};

TEST_F(RegistryKeyTest, EveryFailureNamesOperationSubjectAndSystemText) {
    const struct {
        const char* fault;
        std::function<void()> action;
        const char* expected;
    } rows[] = {
        {"Registry.openKey", [] { RegistryKey().open(RegKey::localMachine, "SOFTWARE\\Mendara"); },
         "open key (SOFTWARE\\Mendara) error: system error 5 (Access is denied)"},
        {"Registry.createKey", [] { RegistryKey().open(RegKey::localMachine, "SOFTWARE\\Mendara", true, true); },
         "open key (SOFTWARE\\Mendara) error: system error 5 (Access is denied)"},
        {"Registry.queryValue", [&] { (void)key.queryValue("Text"); },
         "query value (Text) error: system error 5 (Access is denied)"},
        {"Registry.queryValue", [&] { (void)key.queryDwordValue("Dword"); },
         "query dword value (Dword) error: system error 5 (Access is denied)"},
        {"Registry.queryValue", [&] { (void)key.queryStringValue("Text"); },
         "query string value (Text) error: system error 5 (Access is denied)"},
        {"Registry.queryValue", [&] { (void)key.queryBinaryValue("Binary"); },
         "query binary value (Binary) error: system error 5 (Access is denied)"},
        {"Registry.setValue", [&] { key.setDwordValue("Dword", 2); },
         "set dword value (Dword) error: system error 5 (Access is denied)"},
        {"Registry.setValue", [&] { key.setStringValue("Text", "y"); },
         "set string value (Text) error: system error 5 (Access is denied)"},
        {"Registry.setValue", [&] { key.setBinaryValue("Binary", std::vector<std::uint8_t>{2}); },
         "set binary value (Binary) error: system error 5 (Access is denied)"},
        {"Registry.enumKey", [&] { (void)key.enumSubkeys(); },
         "enum subkeys (SOFTWARE\\Mendara) error: system error 5 (Access is denied)"},
    };
    for (const auto& row : rows) {
        sim->faults().fail(row.fault, platform::err::accessDenied);
        try {
            row.action();
            ADD_FAILURE() << row.expected;
        } catch (const std::runtime_error& e) {
            EXPECT_TRUE(std::string(e.what()).ends_with(std::string("(): ") + row.expected)) << e.what();
        }
        sim->faults().clear();
    }
    EXPECT_TRUE(key.isOpen());
    EXPECT_EQ(key.queryDwordValue("Dword"), 1u) << "nothing was changed by the failed writes";
}

TEST_F(RegistryKeyTest, MoreDataWithoutANewSizeStillGrowsTheBuffer) {
    sim->faults().fail("Registry.queryValue", platform::err::moreData, 2);
    EXPECT_EQ(key.queryStringValue("Text"), "x");
    EXPECT_EQ(sim->faults().calls("Registry.queryValue"), 3);
}

}  // namespace
