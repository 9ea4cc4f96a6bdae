// UTF-8 <-> UTF-16 at the Win32 edge. Both directions take explicit lengths, so embedded NULs
// (REG_MULTI_SZ, terminated registry strings) convert as ordinary characters.
#pragma once

#include <string>
#include <string_view>

namespace platform::win32 {

/// UTF-8 to UTF-16; invalid sequences become U+FFFD. Throws std::bad_alloc like any string.
std::wstring widen(std::string_view text);
/// UTF-16 to UTF-8; unpaired surrogates become U+FFFD.
std::string narrow(std::wstring_view text);

}  // namespace platform::win32
