#include "driver/runtime_rules_phase.h"

#include "driver/process_values.h"
#include "driver/reinstall_rules.h"

namespace driver {

bool MachineRuntimeRules::isThisAFamilyUpgrade() { return IsThisAFamilyUpgrade(); }

int MachineRuntimeRules::checkReinstallCase(bool staticInstall, bool silent) {
    const std::uint16_t langId = processValues().uiLanguage;
    return CheckReinstallCase(staticInstall, silent,
                              [&](std::uint32_t id) { return localization_.loadString(langId, id); });
}

}  // namespace driver
