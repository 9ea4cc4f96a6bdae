// The browsers after an install: restarting those the package asked to restart, and opening the
// verification page in the browser the install method names.
#pragma once

namespace driver {

/// Closes and restarts the browsers whose restart value the package left (Internet Explorer and
/// Firefox, only from a 32-bit process); the values are deleted. True when a browser was restarted.
bool BrowserRestart();

/// Open the verification page in that browser; false (logged) when it is not installed or does not
/// start.
bool LaunchChrome();
bool LaunchFirefox();
bool LaunchIE();

}  // namespace driver
