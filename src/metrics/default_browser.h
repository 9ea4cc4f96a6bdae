// Which browser opens web addresses for the user, as the install ping reports it.
#pragma once

namespace UpdateConf {

inline constexpr int browserUnknown = 0;
inline constexpr int browserInternetExplorer = 1;
inline constexpr int browserFirefox = 2;
inline constexpr int browserOther = 3;

/// The user's choice of handler for "http" where Windows keeps one (Vista and later), else the class
/// registration of "http".
int DefaultBrowserCode();

}  // namespace UpdateConf
