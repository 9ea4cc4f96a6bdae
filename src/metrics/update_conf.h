// The install metrics kept in the registry of the machine: counters and the anonymous visitor id for
// the ping, the values written for the package, and the status values the package leaves behind. No
// function here throws for a registry failure: each logs and answers.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/types.h"

namespace UpdateConf {

/// An INFO line as the metrics write them (source "AllUtils", line 177, function "logit").
void logit(const std::string& text);

// ---- Policy values ("SOFTWARE\Mendara\Zarn Update\Policy") ----

/// The value `name` read into a buffer of `capacity` bytes; nullopt when the key or value is missing
/// (silently), when it does not fit or on another error (logged).
std::optional<std::string> ReadPolicyValue(const std::string& name, std::uint32_t capacity);
/// Sets `name` to `text`, or deletes it without one. True on success.
bool WritePolicyValue(const std::string& name, const std::optional<std::string>& text);

/// The visitor id: the stored one when it has at least 16 bytes; otherwise a new one, stored.
std::string GetVisitorId();
/// A visitor id made of a tick count, a time in seconds and a process id.
std::string MakeVisitorId(std::uint32_t ticks, std::uint32_t seconds, std::uint32_t processId);

// ---- the counters ("Software\KobuMetrics") ----

/// What the counters say for the ping.
struct MetricsTexts {
    std::string machineCounted;
    std::string installAttempts;
    std::string updateCount;
};

/// The text value `name` of the metrics key (`key`, or the key opened for reading when null), read
/// into a buffer of `capacity` bytes; the registry's result.
platform::ErrorCode GetKobuMetrics(platform::RegKey key, const std::string& name, std::string& text,
                                   std::uint32_t capacity);
/// Counts the run: whether this machine was counted before, the failed attempts at this build, and
/// how often an install raised the installed build.
MetricsTexts GetUpdatedKobuMetrics(int installResult);
/// The count an earlier run left, read once and deleted: -1 when there is none, -2 when it cannot be
/// read, 0 when the key cannot be opened.
int GetOfferedCount();

// ---- what the package leaves behind ("SOFTWARE\Mendara") ----

/// Deletes "MSIStatusError" and "MSIStatusExtendedError"; 0, or the first error met.
platform::ErrorCode ClearMSIStatus();
/// Reads the package's two status values; 0, or the first error met.
platform::ErrorCode GetMSIStatus(std::uint32_t& statusError, std::uint32_t& extendedError);
/// Deletes "InstallStatus", and "Software\Mendara" itself when nothing is left in it.
void ClearInstallStatus();
/// "InstallStatus" (at most 512 bytes), empty when absent.
std::string ReadInstallStatus();

// ---- facts for the ping ----

/// "B", a digit for each of Internet Explorer, Firefox and Chrome ("1" installed), then "00".
std::string BrowserPresence();
/// The registry key name of the newest runtime of this process's bitness installed; empty when none.
std::string GetLatestKobuKey();

}  // namespace UpdateConf
