// The user's default web browser: which program it is, and opening a page in it as the desktop user.
#pragma once

#include <string>

namespace browsers {

/// The program the shell opens ".html" files with, found through an empty temporary ".html" file.
/// Throws MevError<std::runtime_error> "cannot find default browser" when there is none.
std::string getDefaultBrowserPath();

/// Opens `address` in the default browser, started through the desktop shell as the logged-on user;
/// false, and the reason logged, when it could not be started.
bool launchDefault(const std::string& address);

}  // namespace browsers
