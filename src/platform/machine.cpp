#include "platform/machine.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>

namespace platform {

namespace {
std::atomic<Machine*> current{nullptr};
}

Machine& machine() {
    Machine* m = current.load(std::memory_order_acquire);
    if (m == nullptr) {
        std::fputs("platform::machine() used before a machine was installed\n", stderr);
        std::abort();
    }
    return *m;
}

Machine* installMachine(Machine* m) { return current.exchange(m, std::memory_order_acq_rel); }

}  // namespace platform
