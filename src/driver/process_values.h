// Values shared by the whole process: set during the run, read by extraction, completion and the ping.
#pragma once

#include <cstdint>
#include <string>

#include "foundation/auto_handle.h"

namespace driver {

/// The runtime this installer carries.
struct RuntimeIdentity {
    int kind = 0;
    int architecture = 0;  // 32 for a 32-bit process, 64 for a 64-bit one
    std::string prefix;
    std::string versionText;   // "1.8.0_45-b15"
    std::string plainVersion;  // "1.8.0_45", used in names
};

const RuntimeIdentity& ThisRuntime();

/// The process-wide texts, each kept within the size the ping and the options document allow.
struct ProcessValues {
    std::string countryCode;    // at most 20 bytes
    std::string installMethod;  // at most 20 bytes
    std::string postStatusUrl;  // at most 256 bytes
    AutoHandle installFlagHandle;
    /// The LANGID of the run's user-interface language: every page and box speaks it.
    std::uint16_t uiLanguage = 1033;
    /// A silent run shows no box: nobody is there to answer it, and the deployment would wait for ever.
    bool silent = false;
};

ProcessValues& processValues();

void setCountryCode(std::string code);
void setPostStatusUrl(std::string url);

}  // namespace driver
