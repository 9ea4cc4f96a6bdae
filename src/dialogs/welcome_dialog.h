// The welcome page: what the product is, the links to the licence and to what is collected, the
// choice to pick another destination folder, and Install or Cancel.
#pragma once

#include <cstdint>

#include "dialogs/page_parts.h"
#include "foundation/auto_handle.h"
#include "foundation/locale.h"
#include "foundation/string_resource.h"
#include "platform/dialog.h"

class CWelcomeDialog final : public platform::DialogHandler {
public:
    /// The page in `language`, its "Change destination folder" box ticked when `changeFolder` is.
    CWelcomeDialog(Locale::LangId language, bool changeFolder);

    /// 1 (Install) or 2 (cancel confirmed); -1 when the page could not be shown.
    std::intptr_t DoModal();
    /// The state of the box when Install was pressed.
    bool changeFolder() const { return changeFolder_; }

    void onInit(platform::DialogView& view) override;
    void onCommand(platform::DialogView& view, int id, int code) override;
    void onLinkClick(platform::DialogView& view, int id, const std::string& target) override;
    platform::Paint paintStatic(platform::DialogView& view, int id) override;
    platform::Paint paintDialog(platform::DialogView& view) override;

private:
    void freeDrawingObjects();

    Locale::LangId language_;
    StringResource strings_;
    bool changeFolder_;
    AutoFont normalFont_;
    AutoFont headingFont_;
    dialogs::HeaderBand header_;
};
