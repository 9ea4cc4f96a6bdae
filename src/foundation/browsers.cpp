#include "foundation/browsers.h"

#include <stdexcept>

#include "foundation/catch_handlers.h"
#include "foundation/errors.h"
#include "foundation/executor.h"
#include "foundation/file_utils.h"
#include "foundation/logger.h"
#include "foundation/tstrings_format.h"
#include "platform/machine.h"

namespace browsers {

namespace {

constexpr const char* probePrefix = "mev";
constexpr const char* probeExtension = "html";

std::string tempDirectory() {
    std::string directory;
    if (const auto code = platform::machine().fileSystem().tempPath(directory)) {
        ZARN_THROW(SysError, "GetTempPath failed", nullptr, code);
    }
    return directory;
}

}  // namespace

std::string getDefaultBrowserPath() {
    const std::string probe = FileUtils::createTempFile(tempDirectory(), probePrefix, probeExtension);
    std::string program;
    const std::intptr_t found = platform::machine().desktop().findExecutable(probe, program);
    try {
        FileUtils::deleteFile(probe);
    }
    ZARN_CATCH_ALL
    if (found <= platform::findExecutableOk) {
        LOG_ERROR(tstrings::format("%s failed with %s", "FindExecutable",
                                   WinErrorHandling::systemErrorText(static_cast<platform::ErrorCode>(found)).c_str()));
        ZARN_THROW(std::runtime_error, "cannot find default browser");
    }
    return program;
}

bool launchDefault(const std::string& address) {
    try {
        if (ExecProcessAsDesktopUser(getDefaultBrowserPath(), address) != 0) {
            ZARN_THROW(std::runtime_error, "execAsDesktopUser failed");
        }
        return true;
    }
    ZARN_CATCH_ALL
    return false;
}

}  // namespace browsers
