// Raw access to the resources carried by a module (the program itself unless told otherwise).
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "platform/resources.h"

class Resource {
public:
    explicit Resource(platform::Module module = platform::Module::self) : module_(module) {}

    /// The bytes of resource `name` of `type`, valid while the module is loaded. `language` 0 takes the
    /// system's neutral choice. Throws MevError<SysError> "cannot find resource (name='...', type='...')"
    /// or "cannot load resource (...)".
    std::span<const std::uint8_t> getPtr(const platform::ResourceId& type, const platform::ResourceId& name,
                                         std::uint16_t language = 0) const;

    /// A resource type or name as messages show it: its text, or "#" and its number.
    static std::string describe(const platform::ResourceId& id);

private:
    platform::Module module_;
};
