// One owning handle template for every kind of system handle. Closing never throws: a failed close
// is logged at ERROR.
#pragma once

#include <utility>

#include "platform/types.h"

/// Closes `handle`; on failure logs "CloseHandle(<handle>) failed with <system error text>".
void closeHANDLE(platform::Handle handle) noexcept;
void closeInternetHandle(platform::InternetHandle handle) noexcept;
void closeRegHandle(platform::RegKey handle) noexcept;
void closeCryptProvider(platform::CryptProvider provider) noexcept;
void closeCryptHash(platform::CryptHash hash) noexcept;
void closeFont(platform::Font font) noexcept;
void closeBitmap(platform::Bitmap bitmap) noexcept;

template <class Traits>
class WinAutoHandle {
public:
    using handle_type = typename Traits::type;

    WinAutoHandle() noexcept = default;
    explicit WinAutoHandle(handle_type handle) noexcept : handle_(handle) {}
    WinAutoHandle(WinAutoHandle&& other) noexcept : handle_(other.release()) {}
    WinAutoHandle& operator=(WinAutoHandle&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    WinAutoHandle(const WinAutoHandle&) = delete;
    WinAutoHandle& operator=(const WinAutoHandle&) = delete;
    ~WinAutoHandle() { reset(); }

    handle_type get() const noexcept { return handle_; }
    explicit operator bool() const noexcept { return Traits::isValid(handle_); }

    /// Gives up ownership without closing.
    handle_type release() noexcept { return std::exchange(handle_, Traits::empty); }

    /// Closes the current handle, if any, and owns `handle`.
    void reset(handle_type handle = Traits::empty) noexcept {
        const handle_type old = std::exchange(handle_, handle);
        if (Traits::isValid(old)) Traits::close(old);
    }

    /// For calls that fill a handle in: closes the current one first.
    handle_type* put() noexcept {
        reset();
        return &handle_;
    }

private:
    handle_type handle_ = Traits::empty;
};

struct KernelHandleTraits {
    using type = platform::Handle;
    static constexpr type empty = platform::Handle::null;
    static bool isValid(type h) noexcept { return h != platform::Handle::null && h != platform::Handle::invalid; }
    static void close(type h) noexcept { closeHANDLE(h); }
};

/// Handle kinds whose one empty value is null.
template <class T, void (*Close)(T) noexcept>
struct NullableHandleTraits {
    using type = T;
    static constexpr type empty = T::null;
    static bool isValid(type h) noexcept { return h != T::null; }
    static void close(type h) noexcept { Close(h); }
};

using AutoHandle = WinAutoHandle<KernelHandleTraits>;
using AutoInternetHandle = WinAutoHandle<NullableHandleTraits<platform::InternetHandle, closeInternetHandle>>;
using AutoRegKey = WinAutoHandle<NullableHandleTraits<platform::RegKey, closeRegHandle>>;
/// A hash needs its provider: declare the AutoCryptProvider before the AutoCryptHash made from it.
using AutoCryptProvider = WinAutoHandle<NullableHandleTraits<platform::CryptProvider, closeCryptProvider>>;
using AutoCryptHash = WinAutoHandle<NullableHandleTraits<platform::CryptHash, closeCryptHash>>;
using AutoFont = WinAutoHandle<NullableHandleTraits<platform::Font, closeFont>>;
using AutoBitmap = WinAutoHandle<NullableHandleTraits<platform::Bitmap, closeBitmap>>;
