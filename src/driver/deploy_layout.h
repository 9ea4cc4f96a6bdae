// The records the installed runtime's deployment library exchanges through `RegisterDeployEx`. The
// installer fills the request and reads the answer; the library that ships in the runtime package is
// built from the same header.
#pragma once

#include <cstddef>
#include <cstdint>

namespace deploy {

/// What the installer asks; each kind sets its own flag word of the request.
enum class Query : std::int32_t {
    pluginStatus = 1,                // is the user's browser plug-in enabled
    previousDecisionsExist = 2,      // has the user hidden security prompts
    clearPreviousDecisions = 3,      // restore the prompts
    resetPreviousDecisions = 4,      // keep the user's decisions, renewed
};

/// 44 bytes, zero-filled before use.
struct Request {
    std::uint32_t size = sizeof(Request);
    std::uint32_t version = 4;
    std::uint32_t reserved[3] = {0, 0, 0};
    std::uint32_t kind = 2;
    std::uint32_t queryPluginStatus = 0;
    std::uint32_t queryPreviousDecisionsExist = 0;
    std::uint32_t clearPreviousDecisions = 0;
    std::uint32_t resetPreviousDecisions = 0;
    std::uint32_t days = 0;
};
static_assert(sizeof(Request) == 44 && offsetof(Request, queryPluginStatus) == 24 && offsetof(Request, days) == 40);

/// One answer: `result` is 1 yes/done, 0 no/not found, -1 an error in the library.
struct ResponseElement {
    std::uint8_t reserved[44] = {};
    std::int32_t result = 0;
};
static_assert(sizeof(ResponseElement) == 48 && offsetof(ResponseElement, result) == 44);

struct Response {
    std::uint32_t count = 1;
    ResponseElement* elements = nullptr;
};

/// Non-zero when the call succeeded.
using RegisterDeployEx = std::int32_t (*)(Request* request, Response* response);
inline constexpr const char* entryPoint = "RegisterDeployEx";

}  // namespace deploy
