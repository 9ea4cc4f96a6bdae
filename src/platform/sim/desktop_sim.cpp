#include "platform/sim/desktop_sim.h"

#include "platform/win_errors.h"

namespace sim {

void SimDesktop::answer(int button) {
    const std::lock_guard lock(mutex_);
    answers_.push_back(button);
}

std::vector<ShownMessageBox> SimDesktop::shown() const {
    const std::lock_guard lock(mutex_);
    return shown_;
}

int SimDesktop::messageBox(platform::Window owner, std::string_view text, std::string_view caption,
                           std::uint32_t type, platform::ErrorCode& error) {
    if (auto fault = faults_.check("Desktop.messageBox")) {
        error = *fault;
        return 0;
    }
    const std::lock_guard lock(mutex_);
    shown_.push_back(ShownMessageBox{owner, std::string(text), std::string(caption), type});
    error = platform::err::success;
    if (!answers_.empty()) {
        const int button = answers_.front();
        answers_.pop_front();
        return button;
    }
    return (type & 0xF) == platform::mb::yesNo ? platform::mb::idYes : platform::mb::idOk;
}

bool SimDesktop::initCommonControls() { return !faults_.check("Desktop.initCommonControls"); }

}  // namespace sim
