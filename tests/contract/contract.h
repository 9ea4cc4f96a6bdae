// Shared helpers of the contract suites: they speak only to the ports, so the same tests hold the
// simulated machine and the real one to one behaviour.
#pragma once

#include <cstdint>
#include <string>

#include "platform/machine.h"

namespace contract {

/// Resources every machine under contract carries (the Windows test program has them in its
/// resource script, the simulated machine is given them).
inline constexpr std::uint32_t stringId = 9001;
inline constexpr const char* englishString = "Contract string";
inline constexpr const char* germanString = "Vertragstext \xC3\xA4";
/// Strings sixteen to a block: 9010 (English, French, Japanese) and 9020 (English only) share a block
/// that 9001 is not in.
inline constexpr std::uint32_t localeStringId = 9010;
inline constexpr const char* localeEnglish = "Locale string";
inline constexpr const char* localeFrench = "Cha\xC3\xAEne fran\xC3\xA7" "aise";
inline constexpr const char* localeJapanese = "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\xE3\x81\xAE\xE6\x96\x87\xE5\xAD\x97\xE5\x88\x97";
inline constexpr std::uint32_t englishOnlyId = 9020;
inline constexpr const char* englishOnly = "English only";
inline constexpr const char* rcdataName = "CONTRACTDATA";
/// A bitmap resource of 8 by 4 pixels.
inline constexpr std::uint32_t bitmapId = 9030;
inline constexpr const char* rcdataContent = "contract-bytes";

/// A directory of its own under the machine's temp path, created fresh for the calling test.
std::string freshDirectory(const std::string& name);

/// A unique name for registry keys and directories of this run.
std::string runId();
/// Removes the run's keys: HKCU\Software\<runId> and HKLM\SOFTWARE\<runId> in both views.
void removeRunKeys();

/// A small HTTP server on 127.0.0.1 for the internet suite: "/page" answers 200 "hello" (5 bytes, with a
/// "COUNTRY: DE" header), "/missing" 404, and "/silent" takes the request and never answers. Its port.
std::uint16_t httpServerPort();
/// A host on which nothing listens: connecting to it is refused.
inline constexpr const char* refusedHost = "127.0.0.2";

/// A program beside the test program that shows one top-level window and ends with
/// `windowProgramExitCode` once that window is closed (WM_CLOSE); it runs until then.
inline constexpr const char* windowProgramName = "zwindow.exe";
inline constexpr std::uint32_t windowProgramExitCode = 3;
std::string windowProgram();

}  // namespace contract
