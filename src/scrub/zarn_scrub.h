// The removal of one out-of-date runtime, as the removal sequence asks for it.
#pragma once

#include <cstdint>
#include <string_view>

namespace zscrub {

class ZarnScrub {
public:
    /// Uninstalls the runtime of `versionText` (such as 1.7.0_45) and bitness and logs the outcome;
    /// `exitCode`, when given, receives msiexec's last exit code. Product-code errors propagate.
    static bool uninstallKobuVersion(std::string_view versionText, bool is64Bit, std::uint32_t* exitCode = nullptr);
};

}  // namespace zscrub
