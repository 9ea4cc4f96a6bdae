#include "platform/sim/faults.h"

#include <utility>

namespace sim {

void Faults::fail(std::string operation, platform::ErrorCode code, int times, int skip) {
    const std::lock_guard lock(mutex_);
    if (times == 0) {
        plans_.erase(operation);
        return;
    }
    plans_[std::move(operation)] = Plan{code, times, skip};
}

void Faults::clear() {
    const std::lock_guard lock(mutex_);
    plans_.clear();
}

std::optional<platform::ErrorCode> Faults::check(std::string_view operation) {
    const std::lock_guard lock(mutex_);
    auto counted = calls_.find(operation);
    if (counted == calls_.end()) counted = calls_.emplace(std::string(operation), 0).first;
    ++counted->second;
    if (tracing_) trace_.emplace_back(operation);

    const auto found = plans_.find(operation);
    if (found == plans_.end()) return std::nullopt;
    Plan& plan = found->second;
    if (plan.skip > 0) {
        --plan.skip;
        return std::nullopt;
    }
    const auto code = plan.code;
    if (plan.times > 0 && --plan.times == 0) plans_.erase(found);
    return code;
}

int Faults::calls(std::string_view operation) const {
    const std::lock_guard lock(mutex_);
    const auto found = calls_.find(operation);
    return found == calls_.end() ? 0 : found->second;
}

void Faults::startTrace() {
    const std::lock_guard lock(mutex_);
    trace_.clear();
    tracing_ = true;
}

std::vector<std::string> Faults::stopTrace() {
    const std::lock_guard lock(mutex_);
    tracing_ = false;
    return std::exchange(trace_, {});
}

}  // namespace sim
