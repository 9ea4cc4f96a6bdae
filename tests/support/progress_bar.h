// A progress bar of maximum 1000 for tests: it keeps its position, how often it was set and whether
// it was finished, and can be read while a timer thread sets it.
#pragma once

#include <atomic>

#include "progress/progress.h"

namespace test_support {

class Bar final : public progress::Progress {
public:
    unsigned getPosition() const override { return position_; }
    unsigned getMaximum() const override { return 1000; }
    void setPosition(unsigned p) override {
        position_ = p;
        ++updates_;
    }
    void finish() override { finished_ = true; }

    int updates() const { return updates_; }
    bool finished() const { return finished_; }

private:
    std::atomic<unsigned> position_{0};
    std::atomic<int> updates_{0};
    std::atomic<bool> finished_{false};
};

}  // namespace test_support
