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
inline constexpr std::uint32_t setupCompleteTemplate = 117;
inline constexpr std::uint32_t setupCompleteErrorTemplate = 118;
inline constexpr std::uint32_t pluginTemplate = 119;
inline constexpr std::uint32_t restoreSecurityTemplate = 120;

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

// The completion page.
inline constexpr int completeIcon = 3035;
inline constexpr int completeHeading = 3037;
inline constexpr int updateText = 3038;
inline constexpr int verifyNote = 3039;
inline constexpr int updateSettingsLink = 3041;
inline constexpr int restartNote = 3043;
inline constexpr int restartBox = 3044;
inline constexpr int securityNote = 3045;
inline constexpr int securityLink = 3046;
/// Sponsor controls this installer keeps hidden.
inline constexpr int firstHiddenControl = 3049;
inline constexpr int lastHiddenControl = 3052;

// The failure page.
inline constexpr int errorIcon = 3065;
inline constexpr int errorHeading = 3067;
inline constexpr int errorText = 3068;
inline constexpr int errorHelpLink = 3069;
inline constexpr int errorCodeText = 3071;

// The plug-in page and the restore page.
inline constexpr int pluginHeading = 5001;
inline constexpr int pluginText = 5002;
inline constexpr int restoreBox = 6001;
inline constexpr int restoreHeading = 6002;
inline constexpr int restoreText = 6003;
inline constexpr int restoreLink = 6005;

// Strings.
inline constexpr std::uint32_t idsLicenseAddress = 2035;
inline constexpr std::uint32_t idsCollectedDataAddress = 2036;
inline constexpr std::uint32_t idsWelcomeHeading = 2037;
inline constexpr std::uint32_t idsMoreInformationAddress = 2038;
inline constexpr std::uint32_t idsWelcomeBody = 2039;
inline constexpr std::uint32_t idsCancelQuestion = 2042;
inline constexpr std::uint32_t idsSetupCaption = 2043;
inline constexpr std::uint32_t idsBrowseTitle = 2046;
inline constexpr std::uint32_t idsCompleteHeading = 2056;
inline constexpr std::uint32_t idsRestartCaption = 2061;
inline constexpr std::uint32_t idsRestartQuestion = 2062;
inline constexpr std::uint32_t idsUpdateSettingsAddress = 2063;
inline constexpr std::uint32_t idsErrorHelpAddress = 3070;
inline constexpr std::uint32_t idsErrorCode = 3072;  // "Error Code: %d"
inline constexpr std::uint32_t idsRestoreAddress = 6006;

// Bitmaps.
inline constexpr std::uint32_t headerBitmap = 2041;
inline constexpr std::uint32_t fallbackPicture = 4007;
inline constexpr std::uint32_t errorIconBitmap = 3066;

/// The dialogs' background: red 231, green 229, blue 213.
inline constexpr std::uint32_t backgroundColour = platform::rgb(231, 229, 213);
inline constexpr std::uint32_t progressBackColour = platform::rgb(255, 255, 255);
inline constexpr std::uint32_t progressBarColour = platform::rgb(50, 205, 50);

/// Texts read into the controls are cut to this many bytes, terminator included.
inline constexpr std::size_t textBytes = 256;

}  // namespace dialogs
