// Fault injection: any operation of the simulated machine can be told to fail with a chosen error.
#pragma once

#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/types.h"

namespace sim {

class Faults {
public:
    /// The next `times` calls of `operation` (for example "Registry.openKey") after `skip` successful
    /// ones fail with `code`. `times` < 0 fails every call from then on.
    void fail(std::string operation, platform::ErrorCode code, int times = 1, int skip = 0);
    void clear();

    /// Called by every operation on entry: the error to return, if one is due.
    std::optional<platform::ErrorCode> check(std::string_view operation);

    /// How often `operation` was called so far.
    int calls(std::string_view operation) const;

    /// Records the name of every operation called from now on, in call order, until `stopTrace`.
    void startTrace();
    std::vector<std::string> stopTrace();

private:
    struct Plan {
        platform::ErrorCode code = 0;
        int times = 0;
        int skip = 0;
    };
    mutable std::mutex mutex_;
    std::map<std::string, Plan, std::less<>> plans_;
    std::map<std::string, int, std::less<>> calls_;
    bool tracing_ = false;
    std::vector<std::string> trace_;
};

}  // namespace sim
