// Threads that run an ipc::Runnable. A thread is known only by its 32-bit id; its handle belongs to
// the thread itself, and join opens a fresh one.
#pragma once

#include <cstdint>
#include <memory>

#include "ipc/wait.h"

namespace ipc {

class Runnable {
public:
    virtual ~Runnable() = default;
    virtual void run() = 0;
};

/// Holds a runnable it owns: running it runs the inner one and then destroys itself and the inner
/// one, also when the inner run throws. Allocate it with new.
class RunnableOwner final : public Runnable {
public:
    explicit RunnableOwner(std::unique_ptr<Runnable> inner) : inner_(std::move(inner)) {}
    void run() override;

private:
    std::unique_ptr<Runnable> inner_;
};

class Thread {
public:
    /// The id meaning "no thread".
    static constexpr std::uint32_t noThread = 0xFFFFFFFFu;

    explicit Thread(std::uint32_t id) : id_(id) {}
    static Thread getCurrent();
    std::uint32_t getId() const { return id_; }

    /// Runs `runnable` on a new thread and returns its id once the thread has taken over its handle;
    /// a null runnable starts nothing and returns `noThread`. With `owned` the runnable is destroyed
    /// after its run (also when starting fails). Failure throws MevError<PlatformError>.
    static std::uint32_t start(Runnable* runnable, bool owned);

    /// Waits until thread `id` has ended; returns at once when no such thread exists any more. A
    /// finite `limitSeconds` rethrows the wait's MevError<TimeoutExpiredError> once it has passed.
    static void join(std::uint32_t id, std::uint32_t limitSeconds = infinite);

private:
    static void joinOnce(std::uint32_t id, std::uint32_t limitSeconds);
    std::uint32_t id_;
};

}  // namespace ipc
