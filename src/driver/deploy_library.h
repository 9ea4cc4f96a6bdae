// The installed runtime's deployment library: the completion pages ask it whether the user's browser
// plug-in is disabled and whether the user has hidden security prompts, and have it restore them.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>

#include "driver/deploy_layout.h"
#include "foundation/dll.h"

namespace driver {

class DeployLibLoaderError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class DeployLibLoader {
public:
    /// Loads "<home>\bin\deploy.dll" (its C runtime first, when the runtime ships one); throws
    /// DeployLibLoaderError when the home is empty, the library does not load or lacks its entry point.
    explicit DeployLibLoader(const std::string& home);

    /// The library's answer to `query`: 1 yes/done, 0 no/not found, -1 an error (also when the call
    /// itself fails).
    int QueryDeployForUserStatus(deploy::Query query, std::uint32_t days);

    /// Logs "DeployLibLoader::<name>() succeed" or "... return false".
    static void logResult(const char* name, bool result);

private:
    std::optional<Dll> runtime_;
    std::optional<Dll> library_;
    deploy::RegisterDeployEx registerDeployEx_ = nullptr;
};

}  // namespace driver
