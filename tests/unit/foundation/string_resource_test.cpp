#include <gtest/gtest.h>

#include "foundation/errors.h"
#include "foundation/resource.h"
#include "foundation/string_resource.h"
#include "platform/sim/sim_machine.h"
#include "platform/win_errors.h"

namespace {

class StringResourceTest : public testing::Test {
protected:
    sim::MachineScope sim;
    sim::SimResources& resources = sim->resources();

    void SetUp() override {
        resources.addString(1033, 115, "Warning - Zarn Installer");
        resources.addString(1036, 115, "Avertissement - Programme d'installation de Zarn");
    }
};

TEST_F(StringResourceTest, MissingStringIsLoggedNotRaised) {
    EXPECT_EQ(StringResource(1036).string(117, "fallback"), "fallback");
    const std::string log = sim.log();
    EXPECT_NE(log.find("StringResource::string)]\n\tERROR: Exception with message '"), std::string::npos) << log;
    EXPECT_NE(log.find("cannot find resource (name='#8', type='#6'). System error [1814]"), std::string::npos) << log;
}

TEST_F(StringResourceTest, UnreadableTableIsNotMistakenForAMissingString) {
    sim->faults().fail("Resources.loadString", platform::err::accessDenied);
    try {
        (void)StringResource(1036).load(115);
        FAIL();
    } catch (const SysError& e) {
        EXPECT_EQ(e.code(), platform::err::accessDenied);
        EXPECT_NE(std::string(e.what()).find("cannot load resource (name='#8', type='#6')"), std::string::npos);
    }
    EXPECT_EQ(sim->faults().calls("Resources.loadString"), 1) << "no English attempt after a read failure";
}

TEST_F(StringResourceTest, ResourceThatCannotBeLoaded) {
    resources.add(platform::ResourceId::of(platform::rt::html), platform::ResourceId::of("PAGE.HTML"), 1033, {'<'});
    sim->faults().fail("Resources.find", platform::err::notEnoughMemory);
    try {
        (void)Resource().getPtr(platform::ResourceId::of(platform::rt::html), platform::ResourceId::of("page.html"));
        FAIL();
    } catch (const SysError& e) {
        EXPECT_NE(std::string(e.what()).find("cannot load resource (name='page.html', type='#23'). System error [8]"),
                  std::string::npos)
            << e.what();
    }
}

}  // namespace
