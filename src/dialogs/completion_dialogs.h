// The pages that end an interactive install: the completion page, the failure page, and the two
// pages on the browser plug-in and the hidden security prompts that may come before the completion.
#pragma once

#include <cstdint>

#include "dialogs/page_parts.h"
#include "dialogs/setup_complete_data.h"
#include "foundation/auto_handle.h"
#include "foundation/locale.h"
#include "foundation/string_resource.h"
#include "platform/dialog.h"

/// The fonts and header every one of these pages draws with.
class CompletionPage : public platform::DialogHandler {
public:
    platform::Paint paintDialog(platform::DialogView& view) override;
    void onLinkClick(platform::DialogView& view, int id, const std::string& target) override;

protected:
    explicit CompletionPage(Locale::LangId language) : language_(language), strings_(language) {}
    std::intptr_t runPage(std::uint32_t templateId);
    /// Sets the fonts: the heading's bold, every other control's normal.
    void setFonts(platform::DialogView& view, int heading);
    platform::Paint paintPart(int id, int heading);

    Locale::LangId language_;
    StringResource strings_;

private:
    AutoFont normalFont_;
    AutoFont headingFont_;
    dialogs::HeaderBand header_;
};

/// The completion page: Back (1029) when a page came before, Close (2); the restart box records the
/// user's decision in the data.
class CSetupComplete final : public CompletionPage {
public:
    CSetupComplete(Locale::LangId language, dialogs::SetupCompleteData& data) : CompletionPage(language), data_(data) {}
    std::intptr_t DoModal() { return runPage(dialogs::setupCompleteTemplate); }

    void onInit(platform::DialogView& view) override;
    void onCommand(platform::DialogView& view, int id, int code) override;
    platform::Paint paintStatic(platform::DialogView& view, int id) override;

private:
    dialogs::SetupCompleteData& data_;
};

/// The failure page: the package's result as "Error Code: %d" and a link to help; Close (2).
class CSetupCompleteError final : public CompletionPage {
public:
    CSetupCompleteError(Locale::LangId language, int result)
        : CompletionPage(language), result_(result), icon_(dialogs::errorIconBitmap) {}
    std::intptr_t DoModal() { return runPage(dialogs::setupCompleteErrorTemplate); }

    void onInit(platform::DialogView& view) override;
    void onCommand(platform::DialogView& view, int id, int code) override;
    platform::Paint paintStatic(platform::DialogView& view, int id) override;

private:
    int result_;
    dialogs::HeaderBand icon_;
};

/// The notice that the browser plug-in is disabled: Next (1).
class CZarnPluginDialog final : public CompletionPage {
public:
    explicit CZarnPluginDialog(Locale::LangId language) : CompletionPage(language) {}
    std::intptr_t DoModal() { return runPage(dialogs::pluginTemplate); }

    void onInit(platform::DialogView& view) override;
    void onCommand(platform::DialogView& view, int id, int code) override;
    platform::Paint paintStatic(platform::DialogView& view, int id) override;
};

/// The choice to restore hidden security prompts: Back (1029) when the plug-in page came first, Next
/// (1); either keeps the box's state as the choice.
class CRestoreSecurityDialog final : public CompletionPage {
public:
    CRestoreSecurityDialog(Locale::LangId language, bool showBack, bool restore)
        : CompletionPage(language), showBack_(showBack), restore_(restore) {}
    std::intptr_t DoModal() { return runPage(dialogs::restoreSecurityTemplate); }
    bool restore() const { return restore_; }

    void onInit(platform::DialogView& view) override;
    void onCommand(platform::DialogView& view, int id, int code) override;
    platform::Paint paintStatic(platform::DialogView& view, int id) override;

private:
    bool showBack_;
    bool restore_;
};
