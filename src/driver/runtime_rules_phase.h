// The run's installed-runtime questions, answered from the machine's registry with the reinstall rules.
#pragma once

#include "driver/phases.h"

namespace driver {

class MachineRuntimeRules final : public RuntimeRules {
public:
    /// The boxes speak the run's language.
    explicit MachineRuntimeRules(Localization& localization) : localization_(localization) {}

    bool isThisAFamilyUpgrade() override;
    int checkReinstallCase(bool staticInstall, bool silent) override;

private:
    Localization& localization_;
};

}  // namespace driver
