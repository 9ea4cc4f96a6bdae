#include "driver/system_phase.h"

#include "foundation/file_utils.h"
#include "foundation/locale.h"
#include "foundation/string_resource.h"
#include "foundation/sys_info.h"
#include "metrics/update_conf.h"
#include "platform/machine.h"
#include "platform/win_errors.h"

namespace driver {

bool MachineSystemFacts::is64BitProcess() { return is64BitWindows() && !SysInfo::isWow64(); }

bool MachineSystemFacts::is64BitWindows() { return SysInfo::getArchName() == "amd64"; }

int MachineSystemFacts::osLevel() { return SysInfo::osLevel(); }

std::string MachineSystemFacts::patchCache(int architecture) { return SysInfo::getPatchCache(architecture); }

std::string MachineSystemFacts::system32Dir() { return SysInfo::getSystem32Dir(); }

std::string MachineSystemFacts::systemWow64Dir() { return SysInfo::getSystemWow64Dir(); }

std::string MachineSystemFacts::perUserDataFolder() { return SysInfo::getUserDataDir(); }

bool MachineFileOps::exists(const std::string& path) {
    std::uint32_t attributes = 0;
    return platform::machine().fileSystem().getFileAttributes(path, attributes) == platform::err::success;
}

void MachineFileOps::deleteFile(const std::string& path) { FileUtils::deleteFile(path); }

void MachineFileOps::deletePersistentFile(const std::string& directory) { FileUtils::deletePersistentFile(directory); }

std::string MachineMetrics::latestKobuKey() { return UpdateConf::GetLatestKobuKey(); }

std::uint16_t MachineLocalization::defaultLangId() { return Locale::defaultLocale().langId(); }

std::uint16_t MachineLocalization::fromLangId(long langId) { return Locale::fromLangId(langId).langId(); }

std::string MachineLocalization::loadString(std::uint16_t langId, std::uint32_t id) {
    return StringResource(langId).string(id);
}

}  // namespace driver
