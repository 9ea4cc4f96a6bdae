#include "ipc/timer.h"

#include "foundation/catch_handlers.h"
#include "ipc/contract.h"
#include "platform/machine.h"

namespace ipc {

Timer::Worker::Worker(Timer& timer, Timer::Runnable* runnable, bool owned)
    : timer_(timer), runnable_(runnable), owned_(owned ? runnable : nullptr) {
    ZARN_CONTRACT_TEXT(runnable != nullptr, "r");
}

void Timer::Worker::run() {
    // The timer is marked finished however the loop ends, so that a stopper never waits forever.
    struct Finish {
        Timer& timer;
        ~Finish() {
            try {
                const Mutex::Lock lock(timer.conditional_.mutex());
                timer.finished_ = true;
                timer.conditional_.notify(true);
            }
            ZARN_CATCH_ALL
        }
    } const finish{timer_};
    auto& kernel = platform::machine().kernel();
    while (!timer_.stop_.load()) {
        runnable_->run(timer_);
        kernel.sleep(timer_.period_);
    }
}

Timer::Timer(std::uint32_t periodMilliseconds) : period_(periodMilliseconds) {}

Timer::~Timer() {
    try {
        stop(true);
    }
    ZARN_CATCH_ALL
}

std::uint32_t Timer::start(Timer::Runnable* runnable, bool owned) {
    worker_ = Thread::start(new Worker(*this, runnable, owned), true);
    return worker_;
}

void Timer::stop(bool wait) {
    stop_.store(true);
    if (!wait || worker_ == Thread::noThread) return;
    {
        Mutex::Lock lock(conditional_.mutex());
        while (!finished_) conditional_.wait(lock);
    }
    Thread::join(worker_);
}

}  // namespace ipc
