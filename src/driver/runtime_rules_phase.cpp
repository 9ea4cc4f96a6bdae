#include "driver/runtime_rules_phase.h"

#include "driver/reinstall_rules.h"

namespace driver {

bool MachineRuntimeRules::isThisAFamilyUpgrade() { return IsThisAFamilyUpgrade(); }

int MachineRuntimeRules::checkReinstallCase(bool staticInstall, bool silent) {
    const std::uint16_t langId = language();
    return CheckReinstallCase(staticInstall, silent,
                              [&](std::uint32_t id) { return localization_.loadString(langId, id); });
}

std::uint16_t MachineRuntimeRules::language() {
    // The run has logged an unsupported "/lang" already; here it just falls back like the run does.
    if (configuration_.has(ConfigKey::switchLang)) {
        try {
            return localization_.fromLangId(configuration_.integer(ConfigKey::switchLang));
        } catch (const std::exception&) {
        }
    }
    return localization_.defaultLangId();
}

}  // namespace driver
