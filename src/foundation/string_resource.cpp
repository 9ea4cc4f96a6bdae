#include "foundation/string_resource.h"

#include "foundation/catch_handlers.h"
#include "foundation/errors.h"
#include "platform/machine.h"
#include "platform/win_errors.h"

namespace {

// Absent from the tables of that language, as opposed to a table that cannot be read.
bool isMissing(platform::ErrorCode code) {
    return code >= platform::err::resourceDataNotFound && code <= platform::err::resourceLangNotFound;
}

}  // namespace

std::string StringResource::load(std::uint32_t id) const {
    auto& machine = platform::machine();
    std::string text;
    auto code = machine.resources().loadString(module_, id, language_, text);
    if (isMissing(code) && language_ != Locale::englishLangId) {
        code = machine.resources().loadString(module_, id, Locale::englishLangId, text);
    }
    if (code != platform::err::success) {
        // Strings live sixteen to a block; the block is the resource FindResource looks for.
        const std::string message = std::string(isMissing(code) ? "cannot find resource" : "cannot load resource") +
                                    " (name='#" + std::to_string(id / 16 + 1) + "', type='#" +
                                    std::to_string(platform::rt::string) + "')";
        throw MevError<SysError>(SysError(message, machine.system().apiAddress("kernel32", "FindResourceExW"), code),
                                 ZARN_LOCATION);
    }
    return text;
}

std::string StringResource::string(std::uint32_t id, std::string_view defaultText) const {
    try {
        return load(id);
    }
    ZARN_CATCH_ALL
    return std::string(defaultText);
}
