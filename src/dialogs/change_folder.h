// The destination folder page: shows where the product will go, lets the user browse for another
// folder, and goes Back to the welcome page or Next to the installation.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "dialogs/page_parts.h"
#include "foundation/auto_handle.h"
#include "foundation/locale.h"
#include "foundation/string_resource.h"
#include "platform/dialog.h"

class CChangeFolder final : public platform::DialogHandler {
public:
    /// The page in `language`. The folder is `installDir` when the configuration sets INSTALLDIR,
    /// otherwise the product's folder under Program Files, otherwise empty.
    CChangeFolder(Locale::LangId language, const std::optional<std::string>& installDir);

    /// Started by the development-kit installer: no way back to a welcome page.
    void hideBack(bool hide) { hideBack_ = hide; }
    /// 1 (Next), 2 (cancel confirmed) or 1029 (Back); -1 when the page could not be shown.
    std::intptr_t DoModal();
    const std::string& folder() const { return folder_; }

    /// "<ProgramFilesDir>\Zarn\kobu1.8.0_45\", or empty when the system does not say where Program
    /// Files is.
    static std::string defaultFolder();

    void onInit(platform::DialogView& view) override;
    void onCommand(platform::DialogView& view, int id, int code) override;
    platform::Paint paintStatic(platform::DialogView& view, int id) override;
    platform::Paint paintDialog(platform::DialogView& view) override;

private:
    void browse(platform::DialogView& view);
    void freeDrawingObjects();

    Locale::LangId language_;
    StringResource strings_;
    std::string folder_;
    bool hideBack_ = false;
    AutoFont normalFont_;
    AutoFont smallFont_;
    AutoFont headingFont_;
    dialogs::HeaderBand header_;
};
