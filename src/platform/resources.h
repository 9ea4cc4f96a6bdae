// The resources port: the module's own resources and its string tables.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "platform/types.h"

namespace platform {

/// A resource is named by number (MAKEINTRESOURCE) or by text.
struct ResourceId {
    std::uint32_t number = 0;
    std::string name;  // used when not empty

    static ResourceId of(std::uint32_t n) { return ResourceId{n, {}}; }
    static ResourceId of(std::string_view s) { return ResourceId{0, std::string(s)}; }
};

namespace rt {
inline constexpr std::uint32_t bitmap = 2;
inline constexpr std::uint32_t dialog = 5;
inline constexpr std::uint32_t string = 6;
inline constexpr std::uint32_t rcdata = 10;
inline constexpr std::uint32_t html = 23;
}  // namespace rt

class Resources {
public:
    virtual ~Resources() = default;

    /// FindResourceEx + LoadResource + LockResource + SizeofResource. `language` 0 is the neutral
    /// choice of FindResource. The bytes stay valid while the module is loaded.
    virtual ErrorCode find(Module module, const ResourceId& type, const ResourceId& name, std::uint16_t language,
                           std::span<const std::uint8_t>& out) = 0;
    /// String `id` of the string table in `language` as UTF-8; 1814/1815 when absent in that language.
    virtual ErrorCode loadString(Module module, std::uint32_t id, std::uint16_t language, std::string& out) = 0;
};

}  // namespace platform
