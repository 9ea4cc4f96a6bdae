// The end of an interactive install: the completion data, the installed runtime's home, the security
// prompts restored or kept through the deployment library, and the page sequence.
#pragma once

#include <string>

#include "dialogs/setup_complete_data.h"

namespace driver {

using dialogs::SetupCompleteData;

/// The restart values the package leaves under the maker's key.
inline constexpr const char* ieRestartValue = "IERESTART";
inline constexpr const char* firefoxRestartValue = "FIREFOXRESTART";

/// The text value `name` of the maker's key: the 64-bit view first in a 64-bit process, else (and
/// when that fails) the 32-bit one. False, logged, when the key, the value or its type is wrong.
bool GetRegValueOfStringType(const char* name, std::string& value);
/// Deletes the restart value `name`; a failure is logged.
void deleteRestartValue(const char* name);

/// The home of the installed runtime of this version, or "" (logged).
std::string GetDefaultKobuInstallLocation();

void InitSetupCompleteData(SetupCompleteData& data, bool showBack, bool showVerifyPage, bool showSecurityNote);

/// Restores the user's security prompts (request 3, 30 days) or renews the user's decisions
/// (request 4); errors are logged and ignored.
void ProcessRestoreSecurityData(const std::string& home, bool restore);

/// The pages of the sequence, each shown modally; each returns the button that ended it: 1 Next,
/// 1029 Back, 2 Close.
class CompletionPages {
public:
    virtual ~CompletionPages() = default;
    virtual int plugin() = 0;
    /// `restore` is the check box: its state on entry, the user's choice on return.
    virtual int restoreSecurity(bool showBack, bool& restore) = 0;
    virtual int setupComplete(SetupCompleteData& data) = 0;
};

/// What the sequence leaves to act on.
struct CompletionOutcome {
    SetupCompleteData data;
    bool previousDecisionsExist = false;
    bool restore = true;
};

/// Asks the deployment library of `home`, initialises the data and shows the pages; Back and Next
/// walk them, Close ends the sequence.
CompletionOutcome ShowCompletionPages(CompletionPages& pages, const std::string& home, bool showVerifyPage,
                                      bool showSecurityNote);

/// Restarts the browsers the user agreed to restart (else forgets the package's request), then opens
/// the verification page in the browser `installMethod` names ("zchrome", "zxpi", "zcab", any case)
/// or the default one.
void ProcessSetupCompleteData(const SetupCompleteData& data, const std::string& installMethod);

/// The whole end of a successful interactive install: the pages, then the security decisions, the
/// browsers and the verification page. `installDir` empty: the installed runtime's home.
void FinishUIInstallationWithSecurityPrompts(CompletionPages& pages, const std::string& installDir,
                                             bool showVerifyPage, bool showSecurityNote,
                                             const std::string& installMethod);

}  // namespace driver
