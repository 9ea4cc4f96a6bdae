// Shared helpers of the contract suites: they speak only to the ports, so the same tests hold the
// simulated machine and the real one to one behaviour.
#pragma once

#include <string>

#include "platform/machine.h"

namespace contract {

/// Resources every machine under contract carries (the Windows test program has them in its
/// resource script, the simulated machine is given them).
inline constexpr std::uint32_t stringId = 9001;
inline constexpr const char* englishString = "Contract string";
inline constexpr const char* germanString = "Vertragstext \xC3\xA4";
inline constexpr const char* rcdataName = "CONTRACTDATA";
inline constexpr const char* rcdataContent = "contract-bytes";

/// A directory of its own under the machine's temp path, created fresh for the calling test.
std::string freshDirectory(const std::string& name);

/// A unique name for registry keys and directories of this run.
std::string runId();

}  // namespace contract
