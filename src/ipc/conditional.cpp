#include "ipc/conditional.h"

#include "foundation/auto_handle.h"
#include "foundation/errors.h"
#include "foundation/logger.h"
#include "ipc/contract.h"
#include "ipc/errors.h"
#include "ipc/wait.h"
#include "platform/machine.h"

namespace ipc {

namespace {

/// A waiting thread's node, on its own stack while it waits.
struct Waiter {
    Waiter* next = nullptr;
    Waiter* prev = nullptr;
    platform::Handle event = platform::Handle::null;
};

void unlink(Waiter& w) {
    w.prev->next = w.next;
    w.next->prev = w.prev;
    w.next = w.prev = nullptr;
}

}  // namespace

struct Conditional::Impl {
    Impl() { head.next = head.prev = &head; }

    Waiter head;   // circular list, oldest waiter first
    Mutex guard;   // guards the list; never held while waiting on an event
};

Conditional::Conditional() : impl_(std::make_unique<Impl>()) {}

Conditional::~Conditional() = default;

bool Conditional::waitFor(Mutex::Lock& lock, std::uint32_t milliseconds) {
    ZARN_CONTRACT_TEXT(&lock.mutex() == &mutex_, "&l.m == &mutex");
    auto& kernel = platform::machine().kernel();
    platform::Handle raw = platform::Handle::null;
    if (const auto e = kernel.createEvent(true, false, raw)) {
        // Nothing to wait on: the caller looks again after a moment, as after a spurious wake-up, with
        // the lock released meanwhile so that its partner can act.
        LOG_WARNING("Creating a waiter's event failed with " << e << "; looking again");
        const Mutex::Unlock unlock(lock);
        kernel.sleep(1);
        return true;
    }
    AutoHandle event(raw);
    Waiter w;
    w.event = event.get();
    {
        const Mutex::Lock guard(impl_->guard);
        w.prev = impl_->head.prev;
        w.next = &impl_->head;
        impl_->head.prev->next = &w;
        impl_->head.prev = &w;
    }
    const auto leave = [&] {
        const Mutex::Lock guard(impl_->guard);
        if (w.next != nullptr) unlink(w);
        event.reset();
    };
    bool notified = true;
    try {
        const Mutex::Unlock unlock(lock);
        try {
            waitForSingleObject(event.get(), milliseconds);
        } catch (const TimeoutExpiredError&) {
            notified = false;
        } catch (const PlatformError& e) {
            // A failed wait counts as a spurious wake-up: every caller checks its condition again, and a
            // thrown error would leave the thread that was to be woken, or its partner, waiting for ever.
            LOG_WARNING("Waiting for a notification failed with " << e.code() << "; looking again");
            platform::machine().kernel().sleep(1);
        }
        leave();
    } catch (...) {
        leave();
        throw;
    }
    return notified;
}

void Conditional::notify(bool all) {
    auto& kernel = platform::machine().kernel();
    for (;;) {
        const Mutex::Lock guard(impl_->guard);
        Waiter* w = impl_->head.next;
        if (w == &impl_->head) return;
        ZARN_CONTRACT_TEXT(w->event != platform::Handle::null, "w->event");
        const platform::Handle event = w->event;
        retried("Waking a waiter", transientAttempts, [&] {
            if (const auto e = kernel.setEvent(event)) ZARN_THROW(PlatformError, e);
        });
        unlink(*w);
        kernel.sleep(0);
        if (!all) return;
    }
}

}  // namespace ipc
