// The end of the run on the machine: the completion pages after a good install, the failure page
// after a bad one, and the test switch's completion page.
#pragma once

#include "driver/phases.h"

namespace driver {

class MachineCompletion final : public Completion {
public:
    void finishWithSecurityPrompts(const std::string& installDir, bool showVerifyPage, bool showMedHighText,
                                   const std::string& installMethod) override;
    void showError(int installResult) override;
    void testFinalDialog(bool showVerifyPage) override;
};

}  // namespace driver
