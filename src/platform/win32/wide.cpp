// The two conversions of wide.h; the only code page this program speaks inside is UTF-8.
#include "platform/win32/wide.h"

#include <windows.h>

#include <climits>
#include <new>

namespace platform::win32 {

namespace {
// The Win32 converters count in int; strings this long never reach a Win32 call anyway.
int checkedLength(std::size_t n) {
    if (n > static_cast<std::size_t>(INT_MAX)) throw std::bad_alloc();
    return static_cast<int>(n);
}
}  // namespace

std::wstring widen(std::string_view text) {
    if (text.empty()) return {};
    const int inLength = checkedLength(text.size());
    const int outLength = MultiByteToWideChar(CP_UTF8, 0, text.data(), inLength, nullptr, 0);
    std::wstring out(static_cast<std::size_t>(outLength), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), inLength, out.data(), outLength);
    return out;
}

std::string narrow(std::wstring_view text) {
    if (text.empty()) return {};
    const int inLength = checkedLength(text.size());
    const int outLength = WideCharToMultiByte(CP_UTF8, 0, text.data(), inLength, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(outLength), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), inLength, out.data(), outLength, nullptr, nullptr);
    return out;
}

}  // namespace platform::win32
