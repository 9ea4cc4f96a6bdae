// The user's default web browser: which program it is, and opening a page in it as the desktop user.
#pragma once

#include <string>

namespace browsers {

// Where the browsers are registered, under HKEY_LOCAL_MACHINE.
inline constexpr const char* internetExplorerKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\IEXPLORE.EXE";
inline constexpr const char* chromeKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\chrome.exe";
inline constexpr const char* chromePathValue = "path";
inline constexpr const char* firefoxKeys[] = {"SOFTWARE\\Mozilla\\Mozilla Firefox", "SOFTWARE\\Mozilla\\Minefield"};
inline constexpr const char* firefoxVersionValue = "CurrentVersion";

/// The program the shell opens ".html" files with, found through an empty temporary ".html" file.
/// Throws MevError<std::runtime_error> "cannot find default browser" when there is none.
std::string getDefaultBrowserPath();

/// Opens `address` in the default browser, started through the desktop shell as the logged-on user;
/// false, and the reason logged, when it could not be started.
bool launchDefault(const std::string& address);

}  // namespace browsers
