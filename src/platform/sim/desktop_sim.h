// The simulated user: records every message box and answers from a script.
#pragma once

#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "platform/desktop.h"
#include "platform/sim/faults.h"

namespace sim {

struct ShownMessageBox {
    platform::Window owner = platform::Window::null;
    std::string text;
    std::string caption;
    std::uint32_t type = 0;
};

class SimDesktop final : public platform::Desktop {
public:
    explicit SimDesktop(Faults& faults) : faults_(faults) {}

    /// The next boxes are answered with these buttons in turn; without a scripted answer the user
    /// presses the box's first button.
    void answer(int button);
    std::vector<ShownMessageBox> shown() const;

    int messageBox(platform::Window owner, std::string_view text, std::string_view caption, std::uint32_t type,
                   platform::ErrorCode& error) override;
    bool initCommonControls() override;

private:
    Faults& faults_;
    mutable std::mutex mutex_;
    std::deque<int> answers_;
    std::vector<ShownMessageBox> shown_;
};

}  // namespace sim
