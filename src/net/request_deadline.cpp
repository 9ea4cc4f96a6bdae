#include "net/request_deadline.h"

#include <exception>
#include <mutex>
#include <vector>

#include "foundation/auto_handle.h"
#include "foundation/catch_handlers.h"
#include "foundation/errors.h"
#include "foundation/logger.h"
#include "ipc/errors.h"
#include "ipc/thread.h"
#include "net/http_connection.h"
#include "net/network_bounds.h"
#include "platform/internet.h"
#include "platform/machine.h"
#include "platform/win_errors.h"

namespace net {

RequestHandles::RequestHandles(std::uint32_t timeoutMs, bool abandonable)
    : timeoutMs_(timeoutMs), abandonable_(abandonable) {}

RequestHandles::~RequestHandles() { closeAll(); }

bool RequestHandles::keep(platform::InternetHandle handle) {
    {
        const ipc::Mutex::Lock lock(mutex_);
        if (!expired_) {
            handles_.push_back(handle);
            return true;
        }
    }
    closeInternetHandle(handle);
    return false;
}

void RequestHandles::closeAll() noexcept {
    std::vector<platform::InternetHandle> closing;
    try {
        const ipc::Mutex::Lock lock(mutex_);
        closing.swap(handles_);
    } catch (...) {
        return;
    }
    for (auto it = closing.rbegin(); it != closing.rend(); ++it) closeInternetHandle(*it);
}

void RequestHandles::expire() noexcept {
    try {
        const ipc::Mutex::Lock lock(mutex_);
        expired_ = true;
    } catch (...) {
    }
    closeAll();
}

bool RequestHandles::expired() const {
    const ipc::Mutex::Lock lock(mutex_);
    return expired_;
}

namespace {

/// What the caller and the request's thread share; whichever lets go last frees it.
struct Shared {
    // The request's own time-outs end its thread just after the deadline has ended the wait for it.
    explicit Shared(std::uint32_t deadlineMs)
        : handles(std::make_shared<RequestHandles>(deadlineMs + graceMs / 2, true)) {}
    std::shared_ptr<RequestHandles> handles;
    std::function<void(const std::shared_ptr<RequestHandles>&)> work;
    AutoHandle done;
    std::exception_ptr error;
};

class Request final : public ipc::Runnable {
public:
    explicit Request(std::shared_ptr<Shared> shared) : shared_(std::move(shared)) {}
    void run() override {
        try {
            shared_->work(shared_->handles);
        } catch (...) {
            shared_->error = std::current_exception();
        }
        shared_->handles->closeAll();
        platform::machine().kernel().setEvent(shared_->done.get());
    }

private:
    std::shared_ptr<Shared> shared_;
};

/// A request thread left running at its deadline, held open so that its id cannot pass to another
/// thread (null: it could not be opened, and counts as running); the machine it belongs to (a test's
/// simulated machine may be gone by the next wait).
struct Abandoned {
    const platform::Machine* machine;
    platform::Handle thread;
};

std::mutex abandonedMutex;
std::vector<Abandoned> abandoned;

void abandon(std::uint32_t threadId) {
    auto& kernel = platform::machine().kernel();
    platform::Handle thread = platform::Handle::null;
    if (const auto code = kernel.openThread(platform::kernel::synchronize, threadId, thread)) {
        // Not found: it has just ended.
        if (code == platform::err::invalidParameter) return;
        LOG_ERROR("The request's thread cannot be waited for: error " << code);
        thread = platform::Handle::null;
    }
    const std::lock_guard lock(abandonedMutex);
    abandoned.push_back({&platform::machine(), thread});
}

/// Waits for the request's end: true when it came within `milliseconds`.
bool ended(const Shared& shared, std::uint32_t milliseconds) {
    platform::ErrorCode error = 0;
    const auto result = platform::machine().kernel().waitForSingleObject(shared.done.get(), milliseconds, error);
    if (result == platform::kernel::waitFailed) ZARN_THROW(ipc::PlatformError, error);
    return result == platform::kernel::waitObject0;
}

}  // namespace

void runWithin(std::uint32_t deadlineMs, std::function<void(const std::shared_ptr<RequestHandles>&)> work) {
    auto shared = std::make_shared<Shared>(deadlineMs);
    shared->work = std::move(work);
    if (const auto code = platform::machine().kernel().createEvent(true, false, *shared->done.put())) {
        ZARN_THROW(HttpConnection::network_error, "CreateEvent failed", code);
    }
    const std::uint32_t thread = ipc::Thread::start(new Request(shared), true);
    if (!ended(*shared, deadlineMs)) {
        shared->handles->expire();
        if (!ended(*shared, graceMs)) {
            LOG_WARNING("A request did not end " << graceMs
                                                 << " ms after its handles were closed; it is left to end by itself");
            abandon(thread);
        }
        ZARN_THROW(HttpConnection::network_error, "request deadline passed", platform::inet::timeout);
    }
    if (shared->error) std::rethrow_exception(shared->error);
}

bool awaitAbandonedRequests(std::uint32_t milliseconds) {
    std::vector<Abandoned> threads;
    {
        const std::lock_guard lock(abandonedMutex);
        threads.swap(abandoned);
    }
    auto& kernel = platform::machine().kernel();
    const std::uint64_t start = kernel.tickCount64();
    std::vector<Abandoned> running;
    for (const Abandoned& request : threads) {
        if (request.machine != &platform::machine()) continue;
        const std::uint64_t spent = kernel.tickCount64() - start;
        const auto left = static_cast<std::uint32_t>(spent < milliseconds ? milliseconds - spent : 0);
        platform::ErrorCode error = 0;
        if (request.thread != platform::Handle::null &&
            kernel.waitForSingleObject(request.thread, left, error) == platform::kernel::waitObject0) {
            closeHANDLE(request.thread);
        } else {
            running.push_back(request);
        }
    }
    if (running.empty()) return true;
    const std::lock_guard lock(abandonedMutex);
    abandoned.insert(abandoned.end(), running.begin(), running.end());
    return false;
}

}  // namespace net
