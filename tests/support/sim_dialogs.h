// The classic dialogs as the simulated machine shows them: their templates' controls with the
// rectangles a 96-dpi screen gives them, the bitmaps they draw, and the string tables they read.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

#include "dialogs/dialog_ids.h"
#include "foundation/registry_key.h"
#include "platform/sim/sim_machine.h"

namespace sim_dialogs {

inline sim::SimControl control(int id, platform::Rect rect, std::string text = {}) {
    sim::SimControl c;
    c.id = id;
    c.rect = rect;
    c.text = std::move(text);
    return c;
}

/// `bytes` with the little-endian 32-bit `values` written from byte `at` on.
template <class Bytes>
Bytes withWords(Bytes bytes, std::size_t at, std::initializer_list<std::uint32_t> values) {
    for (const std::uint32_t value : values) {
        for (int i = 0; i < 4; ++i) bytes[at++] = static_cast<typename Bytes::value_type>((value >> (8 * i)) & 0xFF);
    }
    return bytes;
}

/// A bitmap resource: its BITMAPINFOHEADER is all the simulated machine reads.
inline std::vector<std::uint8_t> bitmapResource(int width, int height) {
    return withWords(std::vector<std::uint8_t>(40, 0), 0,
                     {40, static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(height)});
}

/// A BMP file of the given size, as a picture file on disk.
inline std::string bmpFile(int width, int height) {
    return withWords(std::string("BM") + std::string(52, '\0'), 18,
                     {static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(height)});
}

/// The "InstallStatus" the run or a page left under the maker's key; nullopt when there is none.
inline std::optional<std::string> installStatus() {
    try {
        RegistryKey key;
        key.open(platform::RegKey::localMachine, "SOFTWARE\\Mendara");
        return key.queryStringValue("InstallStatus");
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

/// Gives `machine` the three templates, the two bitmaps and the English strings of the dialogs.
inline void install(sim::Machine& machine) {
    using namespace dialogs;
    auto& desktop = machine.desktop();
    desktop.defineTemplate(
        welcomeTemplate,
        {control(headerBand, {0, 0, 500, 58}), control(welcomeHeading, {12, 68, 488, 92}),
         control(welcomeBody, {24, 110, 476, 182}),
         control(welcomeNote, {24, 188, 476, 220}, "Note: No personal information is gathered."),
         control(collectedDataLink, {24, 224, 476, 256}, "<l>Click here</l> for more information."),
         control(licenseLink, {24, 260, 476, 292}, "Click Install to accept the <l>license agreement</l>."),
         control(changeFolderBox, {12, 317, 276, 340}, "Change &destination folder"),
         control(idCancel, {290, 315, 386, 341}, "Cancel"), control(idOk, {392, 315, 488, 341}, "&Install >"),
         control(whiteBody, {0, 97, 500, 302})});
    desktop.defineTemplate(
        changeFolderTemplate,
        {control(headerBand, {0, 0, 500, 58}), control(folderHeading, {12, 68, 488, 92}, "Destination Folder"),
         control(folderHint, {30, 120, 470, 156}), control(folderLabel, {30, 169, 470, 188}, "Install to:"),
         control(folderText, {30, 192, 470, 211}), control(changeButton, {30, 230, 126, 256}, "&Change..."),
         control(idBack, {290, 315, 386, 341}, "< &Back"), control(idOk, {392, 315, 488, 341}, "&Next >"),
         control(whiteBody, {0, 97, 500, 302})});
    desktop.defineTemplate(
        progressTemplate,
        {control(headerBand, {0, 0, 500, 57}), control(progressStatus, {52, 62, 352, 81}, "Status:    Installing Zarn"),
         control(progressBar, {52, 81, 447, 101}), control(progressPicture, {16, 117, 486, 299}),
         control(whiteBody, {0, 106, 500, 312})});
    auto& resources = machine.resources();
    resources.add(platform::ResourceId::of(platform::rt::bitmap), platform::ResourceId::of(headerBitmap), 0,
                  bitmapResource(750, 88));
    resources.add(platform::ResourceId::of(platform::rt::bitmap), platform::ResourceId::of(fallbackPicture), 0,
                  bitmapResource(468, 180));
    const std::pair<std::uint32_t, const char*> strings[] = {
        {idsLicenseAddress, "https://www.zarn.example/en/download/license.html"},
        {idsCollectedDataAddress, "https://www.zarn.example/en/download/collected_data.html"},
        {idsWelcomeHeading, "Welcome to Zarn"},
        {idsWelcomeBody, "Zarn runs the applications and games built on the Kobu platform."},
        {idsCancelQuestion, "Are you sure you want to cancel Zarn %s installation?"},
        {idsSetupCaption, "Zarn Setup"},
        {idsBrowseTitle, "Change Destination Folder\nZarn will be installed in the selected folder."},
    };
    for (const auto& [id, text] : strings) resources.addString(0x0409, id, text);
    resources.addString(0x0407, idsWelcomeHeading, "Willkommen bei Zarn");
}

}  // namespace sim_dialogs
