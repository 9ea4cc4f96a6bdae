#include "driver/completion_phase.h"

#include "dialogs/completion_dialogs.h"
#include "driver/process_values.h"
#include "driver/setup_complete.h"
#include "foundation/catch_handlers.h"

namespace driver {

namespace {

/// The pages as the dialogs show them, in the run's language.
class DialogCompletionPages final : public CompletionPages {
public:
    int plugin() override { return static_cast<int>(CZarnPluginDialog(language()).DoModal()); }

    int restoreSecurity(bool showBack, bool& restore) override {
        CRestoreSecurityDialog page(language(), showBack, restore);
        const auto result = page.DoModal();
        restore = page.restore();
        return static_cast<int>(result);
    }

    int setupComplete(SetupCompleteData& data) override {
        return static_cast<int>(CSetupComplete(language(), data).DoModal());
    }

private:
    static Locale::LangId language() { return processValues().uiLanguage; }
};

}  // namespace

void MachineCompletion::finishWithSecurityPrompts(const std::string& installDir, bool showVerifyPage,
                                                  bool showMedHighText, const std::string& installMethod) {
    // Nothing here changes the installation's result.
    try {
        DialogCompletionPages pages;
        FinishUIInstallationWithSecurityPrompts(pages, installDir, showVerifyPage, showMedHighText, installMethod);
    }
    ZARN_CATCH_ALL_BUT_EXIT
}

void MachineCompletion::showError(int installResult) {
    try {
        CSetupCompleteError(processValues().uiLanguage, installResult).DoModal();
    }
    ZARN_CATCH_ALL_BUT_EXIT
}

void MachineCompletion::testFinalDialog(bool showVerifyPage) {
    SetupCompleteData data;
    InitSetupCompleteData(data, true, showVerifyPage, true);
    CSetupComplete(processValues().uiLanguage, data).DoModal();
    ProcessSetupCompleteData(data, "");
}

}  // namespace driver
