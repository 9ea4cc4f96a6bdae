// The run's installed-runtime questions, answered from the machine's registry with the reinstall rules.
#pragma once

#include "driver/phases.h"

namespace driver {

class MachineRuntimeRules final : public RuntimeRules {
public:
    /// The boxes speak the run's language: the "/lang" choice of `configuration`, else the default.
    MachineRuntimeRules(Configuration& configuration, Localization& localization)
        : configuration_(configuration), localization_(localization) {}

    bool isThisAFamilyUpgrade() override;
    int checkReinstallCase(bool staticInstall, bool silent) override;

private:
    std::uint16_t language();

    Configuration& configuration_;
    Localization& localization_;
};

}  // namespace driver
