#include "platform/sim/sync_sim.h"

#include <sys/syscall.h>
#include <unistd.h>

#include <chrono>
#include <system_error>
#include <thread>
#include <vector>

#include "platform/win_errors.h"

namespace sim {

namespace kernel = platform::kernel;

namespace {

template <class Ready>
bool waitUntil(std::condition_variable& cv, std::unique_lock<std::mutex>& lock, std::uint32_t milliseconds,
               Ready ready) {
    if (milliseconds == kernel::infinite) {
        cv.wait(lock, ready);
        return true;
    }
    return cv.wait_for(lock, std::chrono::milliseconds(milliseconds), ready);
}

/// The mutexes the calling thread owns. A thread that ends abandons them; threads of the
/// simulated kernel do so before they report their end, any other thread when it is torn down.
class OwnedMutexes {
public:
    ~OwnedMutexes() { abandonAll(); }
    void add(const std::shared_ptr<SimMutex>& m) { owned_.push_back(m); }
    void remove(const SimMutex* m) {
        for (auto it = owned_.begin(); it != owned_.end(); ++it) {
            if (it->lock().get() == m) {
                owned_.erase(it);
                return;
            }
        }
    }
    void abandonAll() {
        const auto self = currentThreadId();
        auto owned = std::move(owned_);
        owned_.clear();
        for (const auto& weak : owned) {
            if (auto m = weak.lock()) m->abandon(self);
        }
    }

private:
    std::vector<std::weak_ptr<SimMutex>> owned_;
};

thread_local OwnedMutexes ownedMutexes;

}  // namespace

std::uint32_t currentThreadId() { return static_cast<std::uint32_t>(::syscall(SYS_gettid)); }

// ---- events ---------------------------------------------------------------------------------------

void SimEvent::set() {
    {
        const std::lock_guard lock(mutex_);
        signalled_ = true;
    }
    changed_.notify_all();
}

void SimEvent::reset() {
    const std::lock_guard lock(mutex_);
    signalled_ = false;
}

std::uint32_t SimEvent::wait(std::uint32_t milliseconds) {
    std::unique_lock lock(mutex_);
    if (!waitUntil(changed_, lock, milliseconds, [this] { return signalled_; })) return kernel::waitTimeout;
    if (!manualReset_) signalled_ = false;
    return kernel::waitObject0;
}

// ---- mutexes --------------------------------------------------------------------------------------

std::uint32_t SimMutex::wait(std::uint32_t milliseconds) {
    const auto self = currentThreadId();
    std::unique_lock lock(mutex_);
    if (!waitUntil(changed_, lock, milliseconds, [&] { return owner_ == 0 || owner_ == self; })) {
        return kernel::waitTimeout;
    }
    if (owner_ == self) {
        ++count_;
        return kernel::waitObject0;
    }
    owner_ = self;
    count_ = 1;
    ownedMutexes.add(shared_from_this());
    if (abandoned_) {
        abandoned_ = false;
        return kernel::waitAbandoned;
    }
    return kernel::waitObject0;
}

bool SimMutex::release() {
    {
        const std::lock_guard lock(mutex_);
        if (owner_ != currentThreadId()) return false;
        if (--count_ != 0) return true;
        owner_ = 0;
    }
    ownedMutexes.remove(this);
    changed_.notify_all();
    return true;
}

void SimMutex::abandon(std::uint32_t threadId) {
    {
        const std::lock_guard lock(mutex_);
        if (owner_ != threadId) return;
        owner_ = 0;
        count_ = 0;
        abandoned_ = true;
    }
    changed_.notify_all();
}

// ---- threads --------------------------------------------------------------------------------------

SimThread::SimThread(std::shared_ptr<ThreadRecord> record) : record_(std::move(record)) {
    const std::lock_guard lock(record_->mutex);
    ++record_->handles;
}

SimThread::~SimThread() {
    const std::lock_guard lock(record_->mutex);
    --record_->handles;
}

std::uint32_t SimThread::wait(std::uint32_t milliseconds) {
    std::unique_lock lock(record_->mutex);
    return waitUntil(record_->changed, lock, milliseconds, [this] { return record_->finished; })
               ? kernel::waitObject0
               : kernel::waitTimeout;
}

std::uint32_t SimThread::exitCode() {
    const std::lock_guard lock(record_->mutex);
    return record_->exitCode;
}

std::shared_ptr<ThreadRecord> ThreadRegistry::start(platform::ThreadEntry entry, void* argument) {
    auto record = std::make_shared<ThreadRecord>();
    try {
        // Windows threads are not joined; the record stands for the thread object.
        std::thread([record, entry, argument] {
            {
                const std::lock_guard lock(record->mutex);
                record->id = currentThreadId();
                record->started = true;
            }
            record->changed.notify_all();
            const std::uint32_t code = entry(argument);
            ownedMutexes.abandonAll();
            {
                const std::lock_guard lock(record->mutex);
                record->exitCode = code;
                record->finished = true;
            }
            record->changed.notify_all();
        }).detach();
    } catch (const std::system_error&) {
        return nullptr;
    }
    {
        // CreateThread answers with the id, so wait until the thread has one.
        std::unique_lock lock(record->mutex);
        record->changed.wait(lock, [&] { return record->started; });
    }
    const std::lock_guard lock(mutex_);
    std::erase_if(threads_, [](const auto& known) { return known.second.expired(); });
    threads_[record->id] = record;
    return record;
}

bool ThreadRegistry::waitForAll(std::chrono::milliseconds limit) {
    const auto until = std::chrono::steady_clock::now() + limit;
    for (;;) {
        bool running = false;
        {
            const std::lock_guard lock(mutex_);
            for (const auto& [id, known] : threads_) {
                if (const auto record = known.lock()) {
                    const std::lock_guard recordLock(record->mutex);
                    running = running || !record->finished;
                }
            }
        }
        if (!running) return true;
        if (std::chrono::steady_clock::now() > until) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

std::shared_ptr<ThreadRecord> ThreadRegistry::find(std::uint32_t id) {
    std::shared_ptr<ThreadRecord> record;
    {
        const std::lock_guard lock(mutex_);
        const auto found = threads_.find(id);
        if (found != threads_.end()) record = found->second.lock();
    }
    if (!record) return nullptr;
    const std::lock_guard lock(record->mutex);
    return record->finished && record->handles == 0 ? nullptr : record;
}

std::shared_ptr<Waitable> beginWait(Faults& faults, HandleTable& handles, std::string_view operation,
                                    platform::Handle object, std::uint32_t& result, platform::ErrorCode& error) {
    error = platform::err::success;
    if (auto fault = faults.check(operation)) {
        result = *fault == platform::kernel::waitTimeout ? platform::kernel::waitTimeout : platform::kernel::waitFailed;
        if (result == platform::kernel::waitFailed) error = *fault;
        return nullptr;
    }
    auto waitable = handles.getAs<Waitable>(object);
    if (!waitable) {
        error = platform::err::invalidHandle;
        result = platform::kernel::waitFailed;
    }
    return waitable;
}

}  // namespace sim
