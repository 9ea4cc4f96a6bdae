// Facts about the machine the installer runs on: the operating-system record and its level, the
// processor architecture, the program's own path and the well-known folders.
#pragma once

#include <string>

#include "platform/system.h"

namespace SysInfo {

/// Values of osLevel(); other code compares them directly (below `vista` selects the pre-Vista rules).
inline constexpr int olderThanXp = 0;
inline constexpr int xp = 1;  // 5.1 and 5.2
inline constexpr int vista = 2;
inline constexpr int windows7 = 3;
inline constexpr int windows8 = 4;
inline constexpr int windows81 = 5;
inline constexpr int later = 6;  // 6.4 and above

int osLevelOf(const platform::OsVersion& version);
/// "win7", "win2008R2", "10.0", ... with "-sp<n>" when a service pack is installed.
std::string osNameOf(const platform::OsVersion& version);

/// Reads the record now: RtlGetVersion, or GetVersionExW when ntdll lacks it or it fails. A record
/// that cannot be read at all is logged and comes back zeroed (level 0).
platform::OsVersion readOsVersion();

/// Reads the record through the current machine and keeps it for the process; the program calls it
/// once at start-up. The getters below read it on first use, and again when the machine was replaced;
/// a test that changes the simulated system afterwards calls initialize() itself.
void initialize();
platform::OsVersion osVersion();
int osLevel();
std::string getOsName();

/// "amd64" on an x64 processor, otherwise "i586".
std::string getArchName();
/// Whether this process runs under WOW64; false where the system cannot tell.
bool isWow64();
/// 64 for a 64-bit process on 64-bit Windows; 32 on 32-bit Windows or under WOW64.
int processBitness();
/// The full path of the running executable.
std::string getProcessModulePath();

std::string getCommonAppDataDir();
std::string getSystem32Dir();
std::string getSystemWow64Dir();
std::string getWindowsDir();
std::string getProgramFilesCommonX86Dir();

/// The per-machine install cache for `arch` 32 or 64: <common app data>\Corvane\Zarn\installcache[_x64].
std::string getPatchCache(int arch);

/// The per-user data folder for the product's deployment files: the roaming application data before
/// Vista, the low-integrity local application data from Vista on.
std::string getUserDataDir();

}  // namespace SysInfo
