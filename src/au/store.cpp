#include "au/store.h"

#include <stdexcept>

#include "au/au_constants.h"
#include "foundation/errors.h"

namespace au {

RegistryKey& Store::key(std::uint32_t location, bool write) {
    if (legacy() && location == static_cast<std::uint32_t>(Location::machineCheck)) {
        location = static_cast<std::uint32_t>(Location::machinePolicy);
    }
    platform::RegKey root = platform::RegKey::localMachine;
    const char* path = nullptr;
    switch (static_cast<Location>(location)) {
        case Location::machinePolicy:
            path = policyKey;
            break;
        case Location::machineCheck:
            path = policyCheckKey;
            break;
        case Location::userPolicy:
            root = platform::RegKey::currentUser;
            path = policyKey;
            break;
        default:
            ZARN_THROW(std::runtime_error, "unknown reg location");
    }
    RegistryKey& key = keys_[location * 2 + (write ? 1 : 0)];
    if (!key.isOpen()) key.open(root, path, write, write);
    return key;
}

}  // namespace au
