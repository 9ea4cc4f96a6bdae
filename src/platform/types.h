// Handle and code types shared by every port. They mirror the Windows values the logic depends on
// but use no Windows type, so the logic compiles everywhere.
#pragma once

#include <cstdint>

namespace platform {

/// A Win32 error number (0 success, 2 not found, 5 access denied, 32 sharing violation, ...).
using ErrorCode = std::uint32_t;

/// A kernel object handle (file, thread, event, mutex, section, process).
enum class Handle : std::uintptr_t { null = 0, invalid = ~std::uintptr_t{0} };

/// An open registry key; the predefined roots carry Windows' own values.
enum class RegKey : std::uintptr_t {
    null = 0,
    classesRoot = 0x80000000u,
    currentUser = 0x80000001u,
    localMachine = 0x80000002u,
};

/// A WinINet handle.
enum class InternetHandle : std::uintptr_t { null = 0 };

/// A CryptoAPI provider context and a hash object made from it.
enum class CryptProvider : std::uintptr_t { null = 0 };
enum class CryptHash : std::uintptr_t { null = 0 };

/// A loaded module (the executable itself is `self`).
enum class Module : std::uintptr_t { null = 0, self = 1 };

/// A window: a top-level window or a dialog.
enum class Window : std::uintptr_t { null = 0 };

/// GDI objects: a logical font and a bitmap.
enum class Font : std::uintptr_t { null = 0 };
enum class Bitmap : std::uintptr_t { null = 0 };

inline std::uintptr_t raw(Handle h) { return static_cast<std::uintptr_t>(h); }
inline std::uintptr_t raw(RegKey k) { return static_cast<std::uintptr_t>(k); }
inline std::uintptr_t raw(InternetHandle h) { return static_cast<std::uintptr_t>(h); }
inline std::uintptr_t raw(CryptProvider p) { return static_cast<std::uintptr_t>(p); }
inline std::uintptr_t raw(CryptHash h) { return static_cast<std::uintptr_t>(h); }
inline std::uintptr_t raw(Module m) { return static_cast<std::uintptr_t>(m); }
inline std::uintptr_t raw(Window w) { return static_cast<std::uintptr_t>(w); }
inline std::uintptr_t raw(Font f) { return static_cast<std::uintptr_t>(f); }
inline std::uintptr_t raw(Bitmap b) { return static_cast<std::uintptr_t>(b); }

/// The broken-down local time of GetLocalTime.
struct SystemTime {
    std::uint16_t year = 0;
    std::uint16_t month = 0;
    std::uint16_t dayOfWeek = 0;
    std::uint16_t day = 0;
    std::uint16_t hour = 0;
    std::uint16_t minute = 0;
    std::uint16_t second = 0;
    std::uint16_t milliseconds = 0;

    friend bool operator==(const SystemTime&, const SystemTime&) = default;
};

}  // namespace platform
