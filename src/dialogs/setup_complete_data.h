// One completion sequence's choices, in the order the pages read them: the driver fills it, the
// completion page shows it and records the user's restart decision in it.
#pragma once

#include <string>

namespace dialogs {

struct SetupCompleteData {
    bool firefoxRestart = false;
    bool ieRestart = false;
    bool showBack = false;          // a page precedes the completion page
    bool showVerifyText = false;    // the verify page will be opened
    bool showSecurityNote = false;  // the medium-to-high security note
    bool restartOffered = false;
    bool restartNow = true;         // the user's final restart decision
    bool sponsor = false;
    std::string sponsorId;
};

}  // namespace dialogs
