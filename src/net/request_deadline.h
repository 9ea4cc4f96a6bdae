// A request with a deadline: it runs on a thread of its own while the caller waits at most so long. When
// the deadline passes, the request's handles are closed, which ends a call blocked on them, and the
// caller goes on; a thread that cannot be interrupted (a name lookup) is left to end by itself.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "ipc/mutex.h"
#include "platform/types.h"

namespace net {

/// The WinINet handles of one request, closed once: by their owner at the end, or earlier by the
/// deadline. A handle kept after the deadline is closed at once.
class RequestHandles {
public:
    /// `timeoutMs` is what the request's own time-outs are set to: its deadline, when it has one.
    /// An `abandonable` request may be left running at its deadline (`runWithin`'s).
    explicit RequestHandles(std::uint32_t timeoutMs, bool abandonable = false);
    ~RequestHandles();
    RequestHandles(const RequestHandles&) = delete;
    RequestHandles& operator=(const RequestHandles&) = delete;

    /// Keeps `handle` until closeAll(); false (and the handle closed) when the deadline has passed.
    bool keep(platform::InternetHandle handle);
    /// Closes every handle kept, newest first.
    void closeAll() noexcept;
    /// The deadline has passed: closes every handle, now and from now on.
    void expire() noexcept;
    bool expired() const;
    std::uint32_t timeoutMs() const { return timeoutMs_; }
    bool abandonable() const { return abandonable_; }

private:
    std::uint32_t timeoutMs_;
    bool abandonable_;
    mutable ipc::Mutex mutex_;
    std::vector<platform::InternetHandle> handles_;
    bool expired_ = false;
};

/// Runs `work` on a thread of its own and waits for it at most `deadlineMs`; the request's own
/// time-outs, a little longer, end most of its waits from within just after. The work's exception is thrown
/// here. After the deadline the handles are expired and, once the grace has passed too,
/// MevError<HttpConnection::network_error> "request deadline passed" (12002) is thrown. `work` may
/// outlive the call (under Wine neither closing a handle nor the connect time-out ends a blocked
/// connect or name lookup): it must own everything it uses, and is waited for once more at the end of
/// the run (`awaitAbandonedRequests`).
void runWithin(std::uint32_t deadlineMs, std::function<void(const std::shared_ptr<RequestHandles>&)> work);

/// runWithin for work with a result.
template <class Result>
Result within(std::uint32_t deadlineMs, std::function<Result(const std::shared_ptr<RequestHandles>&)> work) {
    auto result = std::make_shared<std::optional<Result>>();
    runWithin(deadlineMs, [result, work = std::move(work)](const std::shared_ptr<RequestHandles>& handles) {
        *result = work(handles);
    });
    return std::move(**result);
}

/// Waits at most `milliseconds` in all for the requests `runWithin` left running at their deadlines;
/// true when none runs any more. What still runs after the run's last wait may use anything of the
/// process: the process must then end without running destructors. Logs nothing: the run's last log
/// record says how it ended.
bool awaitAbandonedRequests(std::uint32_t milliseconds);

}  // namespace net
