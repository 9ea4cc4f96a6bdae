#include "driver/install_flag.h"

#include "driver/driver_constants.h"
#include "foundation/logger.h"
#include "foundation/tstrings_format.h"
#include "platform/machine.h"
#include "platform/win_errors.h"

namespace driver {

namespace err = platform::err;
namespace file = platform::file;

namespace {

bool createDirectory(const std::string& path) {
    const auto e = platform::machine().fileSystem().createDirectory(path);
    if (e == err::success || e == err::alreadyExists) return true;
    LOG_ERROR(tstrings::format("Fail to create directory %s, ErrorCode is %d", path.c_str(), static_cast<int>(e)));
    return false;
}

}  // namespace

bool GetInstallFlagPath(SystemFacts& system, std::string& path) {
    std::string directory = system.perUserDataFolder() + "\\Pellam\\";
    if (!createDirectory(directory)) return false;
    directory += "Zarn\\";
    if (!createDirectory(directory)) return false;
    path = directory + installFlagFileName;
    return true;
}

bool IsInstallFlagHeld(SystemFacts& system) {
    std::string path;
    if (!GetInstallFlagPath(system, path)) {
        LOG_ERROR("Fail to get the file path for Zarn install flag ");
        return false;
    }
    const auto e = platform::machine().fileSystem().deleteFile(path);
    return e == err::accessDenied || e == err::sharingViolation || e == err::lockViolation;
}

platform::Handle CreateInstallFlag(const std::string& path, platform::ErrorCode& error) {
    platform::Handle handle = platform::Handle::invalid;
    error = platform::machine().fileSystem().createFile(path, file::genericRead | file::genericWrite, file::shareNone,
                                                        file::createNew,
                                                        file::attributeNormal | file::flagDeleteOnClose, handle);
    return error == err::success ? handle : platform::Handle::invalid;
}

}  // namespace driver
