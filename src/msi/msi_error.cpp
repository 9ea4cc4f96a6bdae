#include "msi/msi_error.h"

#include "foundation/catch_handlers.h"
#include "foundation/errors.h"
#include "foundation/logger.h"
#include "foundation/string_resource.h"
#include "foundation/tstrings_format.h"
#include "platform/machine.h"
#include "platform/win_errors.h"

namespace msi {

std::string makeMessage(std::string_view text, std::uint32_t code) {
    std::string part = "MSI error [" + std::to_string(code) + "]";
    auto& system = platform::machine().system();
    platform::Module library = platform::Module::null;
    const platform::ErrorCode loaded = system.loadLibraryAsDataFile(messageLibrary, library);
    if (loaded != platform::err::success) {
        const std::string call = std::string("LoadLibraryExW(") + messageLibrary + ")";
        LOG_ERROR(tstrings::format("%s failed with %s", call.c_str(),
                                   WinErrorHandling::systemErrorText(loaded).c_str()));
    } else {
        try {
            // The library's texts are in the system's language; StringResource falls back to English.
            const StringResource strings(system.userDefaultUILanguage(), library);
            part += "(" + strings.load(code & 0xFFFFu) + ")";
        }
        ZARN_CATCH_ALL
        system.freeLibrary(library);
    }
    return WinErrorHandling::joinMessage(text, part);
}

}  // namespace msi
