#include "ipc/mutex.h"

#include "foundation/catch_handlers.h"
#include "foundation/errors.h"
#include "ipc/contract.h"
#include "ipc/errors.h"
#include "ipc/thread.h"
#include "ipc/wait.h"
#include "platform/machine.h"

namespace ipc {

platform::Handle Mutex::create() {
    platform::Handle handle = platform::Handle::null;
    if (const auto e = platform::machine().kernel().createMutex(false, handle)) ZARN_THROW(PlatformError, e);
    return handle;
}

void Mutex::destroy(platform::Handle handle) {
    if (const auto e = platform::machine().kernel().closeHandle(handle)) ZARN_THROW(PlatformError, e);
}

void Mutex::release(platform::Handle handle) {
    if (const auto e = platform::machine().kernel().releaseMutex(handle)) ZARN_THROW(PlatformError, e);
}

Mutex::Mutex() : impl_(create()) {}

Mutex::~Mutex() {
    try {
        // Taking it first: a lock of another thread ends before we look, one of ours nests.
        waitForSingleObject(impl_, infinite);
        if (state_ != nullptr) {
            *state_ = orphaned;
            release(impl_);
            return;
        }
        release(impl_);
        destroy(impl_);
    }
    ZARN_CATCH_ALL
}

Mutex::Lock::Lock(Mutex& mutex) : m(mutex), impl(mutex.impl_), tid(Thread::getCurrent().getId()) {
    ZARN_CONTRACT_TEXT(tid != 0, "tid = Thread::getCurrent().getId()");
    ZARN_CONTRACT_TEXT(impl != platform::Handle::null, "impl");
    retried("Taking a mutex", transientAttempts, [this] { waitForSingleObject(impl, infinite); });
    state = held;
    prev = m.state_;
    m.state_ = &state;
}

Mutex::Lock::~Lock() {
    ZARN_CONTRACT_TEXT(Thread::getCurrent().getId() == tid, "Thread::getCurrent().getId() == tid");
    try {
        if (state == held) {
            ZARN_CONTRACT_TEXT(&state == m.state_, "&state == m.state");
            m.state_ = prev;
            release(impl);
        } else if (state == orphaned) {
            // The mutex object is gone; the handle is ours to close.
            release(impl);
            destroy(impl);
        } else {
            ZARN_CONTRACT_TEXT(false, "0");
        }
    }
    ZARN_CATCH_ALL
}

Mutex::Unlock::Unlock(Lock& lock) : l(lock) {
    ZARN_CONTRACT_TEXT(Thread::getCurrent().getId() == l.tid, "Thread::getCurrent().getId() == l.tid");
    ZARN_CONTRACT_TEXT(&l.state == l.m.state_, "&l.state == l.m.state");
    l.m.state_ = l.prev;
    release(l.impl);
}

Mutex::Unlock::~Unlock() {
    // The lock must hold again when this ends, or its owner would release a mutex it does not hold.
    retried("Taking a mutex back", untilDone, [this] { waitForSingleObject(l.impl, infinite); });
    l.prev = l.m.state_;
    l.m.state_ = &l.state;
}

}  // namespace ipc
