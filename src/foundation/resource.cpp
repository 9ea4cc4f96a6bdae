#include "foundation/resource.h"

#include "foundation/errors.h"
#include "platform/machine.h"
#include "platform/win_errors.h"

namespace {

bool isMissing(platform::ErrorCode code) {
    return code >= platform::err::resourceDataNotFound && code <= platform::err::resourceLangNotFound;
}

}  // namespace

std::string Resource::describe(const platform::ResourceId& id) {
    return id.name.empty() ? "#" + std::to_string(id.number) : id.name;
}

std::span<const std::uint8_t> Resource::getPtr(const platform::ResourceId& type, const platform::ResourceId& name,
                                               std::uint16_t language) const {
    auto& machine = platform::machine();
    std::span<const std::uint8_t> bytes;
    if (const auto code = machine.resources().find(module_, type, name, language, bytes)) {
        const std::string text = std::string(isMissing(code) ? "cannot find resource" : "cannot load resource") +
                                 " (name='" + describe(name) + "', type='" + describe(type) + "')";
        throw MevError<SysError>(
            SysError(text, machine.system().apiAddress("kernel32", isMissing(code) ? "FindResourceExW" : "LoadResource"),
                     code),
            ZARN_LOCATION);
    }
    return bytes;
}
