#include "scrub/zarn_scrub.h"

#include <string>

#include "foundation/errors.h"
#include "foundation/logger.h"
#include "foundation/tstrings_format.h"
#include "scrub/zcleaner.h"

namespace zscrub {

bool ZarnScrub::uninstallKobuVersion(std::string_view versionText, bool is64Bit, std::uint32_t* exitCode) {
    std::uint32_t ownExitCode = 0;
    std::uint32_t& code = exitCode != nullptr ? *exitCode : ownExitCode;
    const int bitness = is64Bit ? 64 : 32;
    const std::string text(versionText);
    if (ZCleaner::uninstallVersion(text, bitness, code)) {
        LOG_INFO(tstrings::format("%s %dbit successfully uninstalled", text.c_str(), bitness));
        return true;
    }
    const std::string what = tstrings::format("Failed to uninstall %s %dbit", text.c_str(), bitness);
    LOG_ERROR(tstrings::format("%s failed with %s", what.c_str(), WinErrorHandling::systemErrorText(code).c_str()));
    return false;
}

}  // namespace zscrub
