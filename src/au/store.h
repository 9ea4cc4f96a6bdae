// The registry keys of the auto-update policy: for each of three locations a key for reading and one
// for writing, each opened in the 32-bit view on first use and kept until the store goes.
#pragma once

#include <array>
#include <cstdint>

#include "foundation/registry_key.h"
#include "platform/registry.h"

namespace au {

enum class Location : std::uint32_t { machinePolicy = 0, machineCheck = 1, userPolicy = 2 };

class Store {
public:
    /// 0 is the legacy layout, in which the check key is the policy key itself; 1 or more the current one.
    explicit Store(std::uint32_t mode) : mode_(mode) {}

    bool legacy() const { return mode_ == 0; }

    /// The key of `location` (a raw location number; an unknown one throws "unknown reg location"),
    /// opened for reading, or for writing and created when missing.
    RegistryKey& key(std::uint32_t location, bool write);

private:
    std::uint32_t mode_;
    // Reading and writing keys of locations 0, 1 and 2, in that order.
    std::array<RegistryKey, 6> keys_{RegistryKey(platform::reg::wow64_32Key), RegistryKey(platform::reg::wow64_32Key),
                                     RegistryKey(platform::reg::wow64_32Key), RegistryKey(platform::reg::wow64_32Key),
                                     RegistryKey(platform::reg::wow64_32Key), RegistryKey(platform::reg::wow64_32Key)};
};

}  // namespace au
