// Runs the contract suites on the simulated machine.
#include <gtest/gtest.h>

#include <memory>

#include "contract.h"
#include "platform/sim/sim_machine.h"

namespace {

class SimEnvironment : public testing::Environment {
public:
    void SetUp() override {
        scope_ = std::make_unique<sim::MachineScope>();
        auto& resources = scope_->machine().resources();
        resources.addString(0x0409, contract::stringId, contract::englishString);
        resources.addString(0x0407, contract::stringId, contract::germanString);
        resources.addString(0x0409, contract::localeStringId, contract::localeEnglish);
        resources.addString(0x040C, contract::localeStringId, contract::localeFrench);
        resources.addString(0x0411, contract::localeStringId, contract::localeJapanese);
        resources.addString(0x0409, contract::englishOnlyId, contract::englishOnly);
        // The test program itself, with the version its resource script gives it.
        auto& files = scope_->machine().fileSystem();
        const std::string self = scope_->machine().system().settings().modulePath;
        files.writeAll(self, "MZ");
        files.setFileVersion(self, 8, 0, 20, 3);
        scope_->machine().processes().install(
            contract::windowProgram(),
            sim::Program{[](const sim::StartedProcess&) { return contract::windowProgramExitCode; },
                         sim::Program::forever, 1, true});
        std::vector<std::uint8_t> bitmap(40, 0);
        bitmap[0] = 40;
        bitmap[4] = 8;
        bitmap[8] = 4;
        resources.add(platform::ResourceId::of(platform::rt::bitmap), platform::ResourceId::of(contract::bitmapId), 0,
                      bitmap);
        const std::string bytes = contract::rcdataContent;
        resources.add(platform::ResourceId::of(platform::rt::rcdata), platform::ResourceId::of(contract::rcdataName),
                      0x0409, std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
    }
    void TearDown() override { scope_.reset(); }

private:
    std::unique_ptr<sim::MachineScope> scope_;
};

const auto* const registered = testing::AddGlobalTestEnvironment(new SimEnvironment);

constexpr std::uint16_t serverPort = 8123;

}  // namespace

namespace contract {

std::uint16_t httpServerPort() {
    auto& internet = dynamic_cast<sim::SimInternet&>(platform::machine().internet());
    const std::string root = "http://127.0.0.1:" + std::to_string(serverPort);
    sim::SimResponse page;
    page.headers = {{"COUNTRY", "DE"}};
    page.body = {"hel", "lo"};
    internet.serve(root + "/page", page);
    sim::SimResponse silent;
    silent.silent = true;
    internet.serve(root + "/silent", silent);
    internet.refuse(refusedHost, platform::inet::cannotConnect);
    return serverPort;
}

}  // namespace contract
