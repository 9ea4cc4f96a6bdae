// Identifiers of the classic dialogs: templates, controls, strings and bitmaps, and their colours.
// The resource script uses the same numbers (resources/resource.h).
#pragma once

#include <cstdint>

#include "platform/dialog.h"

namespace dialogs {

// Dialog templates.
inline constexpr std::uint32_t welcomeTemplate = 110;
inline constexpr std::uint32_t changeFolderTemplate = 113;
inline constexpr std::uint32_t progressTemplate = 4003;

// Results and buttons every page shares.
inline constexpr int idOk = 1;
inline constexpr int idCancel = 2;
inline constexpr int idBack = 1029;

// Controls every page shares.
inline constexpr int headerBand = 2040;
inline constexpr int whiteBody = 1014;

// The welcome page.
inline constexpr int welcomeHeading = 1016;
inline constexpr int welcomeBody = 1017;
inline constexpr int welcomeNote = 1019;
inline constexpr int collectedDataLink = 487001;
inline constexpr int licenseLink = 487002;
inline constexpr int changeFolderBox = 1025;

// The destination folder page.
inline constexpr int folderHeading = 1031;
inline constexpr int folderHint = 1032;
inline constexpr int folderLabel = 1033;
inline constexpr int folderText = 1034;
inline constexpr int changeButton = 1028;

// The progress dialog.
inline constexpr int progressPicture = 4004;
inline constexpr int progressBar = 4005;
inline constexpr int progressStatus = 4006;

// Strings.
inline constexpr std::uint32_t idsLicenseAddress = 2035;
inline constexpr std::uint32_t idsCollectedDataAddress = 2036;
inline constexpr std::uint32_t idsWelcomeHeading = 2037;
inline constexpr std::uint32_t idsMoreInformationAddress = 2038;
inline constexpr std::uint32_t idsWelcomeBody = 2039;
inline constexpr std::uint32_t idsCancelQuestion = 2042;
inline constexpr std::uint32_t idsSetupCaption = 2043;
inline constexpr std::uint32_t idsBrowseTitle = 2046;

// Bitmaps.
inline constexpr std::uint32_t headerBitmap = 2041;
inline constexpr std::uint32_t fallbackPicture = 4007;

/// The dialogs' background: red 231, green 229, blue 213.
inline constexpr std::uint32_t backgroundColour = platform::rgb(231, 229, 213);
inline constexpr std::uint32_t progressBackColour = platform::rgb(255, 255, 255);
inline constexpr std::uint32_t progressBarColour = platform::rgb(50, 205, 50);

/// Texts read into the controls are cut to this many bytes, terminator included.
inline constexpr std::size_t textBytes = 256;

}  // namespace dialogs
