#include "settings/directories.h"

#include <stdexcept>

#include "foundation/errors.h"
#include "platform/machine.h"
#include "platform/win_errors.h"
#include "settings/errors.h"

namespace settings_impl {

void createParentDirectories(const FileName& file) {
    if (!file.isCanonical()) ZARN_THROW(std::logic_error, "canonicalized file name expected");
    const auto& parts = file.components();
    std::string directory = parts.front();  // the drive
    for (std::size_t i = 1; i + 1 < parts.size(); ++i) {
        directory += '/';
        directory += parts[i];
        const auto error = platform::machine().fileSystem().createDirectory(directory);
        if (error != platform::err::success && error != platform::err::alreadyExists) {
            ZARN_THROW(settings::Exception, code::pathInvalid,
                       "create directory (" + directory + ") error: system error " + std::to_string(error));
        }
    }
}

}  // namespace settings_impl
