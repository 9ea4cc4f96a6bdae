#include "driver/system_phase.h"

#include "foundation/locale.h"
#include "foundation/string_resource.h"
#include "foundation/sys_info.h"

namespace driver {

bool MachineSystemFacts::is64BitProcess() { return is64BitWindows() && !SysInfo::isWow64(); }

bool MachineSystemFacts::is64BitWindows() { return SysInfo::getArchName() == "amd64"; }

int MachineSystemFacts::osLevel() { return SysInfo::osLevel(); }

std::string MachineSystemFacts::patchCache(int architecture) { return SysInfo::getPatchCache(architecture); }

std::string MachineSystemFacts::system32Dir() { return SysInfo::getSystem32Dir(); }

std::string MachineSystemFacts::systemWow64Dir() { return SysInfo::getSystemWow64Dir(); }

std::string MachineSystemFacts::perUserDataFolder() { return SysInfo::getUserDataDir(); }

std::uint16_t MachineLocalization::defaultLangId() { return Locale::defaultLocale().langId(); }

std::uint16_t MachineLocalization::fromLangId(long langId) { return Locale::fromLangId(langId).langId(); }

std::string MachineLocalization::loadString(std::uint16_t langId, std::uint32_t id) {
    return StringResource(langId).string(id);
}

}  // namespace driver
