#include "ipc/wait.h"

#include "foundation/errors.h"
#include "foundation/logger.h"
#include "ipc/errors.h"
#include "platform/machine.h"

namespace ipc {

std::uint32_t waitForSingleObject(platform::Handle handle, std::uint32_t milliseconds) {
    platform::ErrorCode error = 0;
    const std::uint32_t result = platform::machine().kernel().waitForSingleObject(handle, milliseconds, error);
    if (result == platform::kernel::waitFailed) ZARN_THROW(PlatformError, error);
    if (result == platform::kernel::waitTimeout) ZARN_THROW(TimeoutExpiredError, TimeoutExpiredError{});
    return result;
}

void retried(const char* what, int attempts, const std::function<void()>& step) {
    for (int attempt = 1;; ++attempt) {
        try {
            step();
            return;
        } catch (const PlatformError& e) {
            if (attempt == attempts) throw;
            LOG_WARNING(what << " failed with " << e.code() << ", trying again");
        }
        platform::machine().kernel().sleep(1);
    }
}

std::int64_t performanceCounter() {
    std::int64_t value = 0;
    if (const auto e = platform::machine().kernel().performanceCounter(value)) ZARN_THROW(PlatformError, e);
    return value;
}

std::int64_t performanceFrequency() {
    std::int64_t value = 0;
    if (const auto e = platform::machine().kernel().performanceFrequency(value)) ZARN_THROW(PlatformError, e);
    return value;
}

}  // namespace ipc
