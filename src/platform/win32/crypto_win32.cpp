// The crypto port over CryptoAPI (advapi32): SHA-256 through a verify-only context of the RSA-AES
// provider type, the one whose providers have SHA-256.
#include "platform/win32/win32_ports.h"

// wincrypt.h needs <windows.h> first; WIN32_LEAN_AND_MEAN keeps it out of <windows.h>.
#include <wincrypt.h>

namespace platform::win32 {

namespace {

HCRYPTPROV toWin(CryptProvider p) { return static_cast<HCRYPTPROV>(raw(p)); }
HCRYPTHASH toWin(CryptHash h) { return static_cast<HCRYPTHASH>(raw(h)); }

}  // namespace

ErrorCode Win32Crypto::acquireContext(CryptProvider& provider) {
    HCRYPTPROV context = 0;
    if (!CryptAcquireContextW(&context, nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT)) return lastError();
    provider = static_cast<CryptProvider>(context);
    return err::success;
}

ErrorCode Win32Crypto::releaseContext(CryptProvider provider) {
    return CryptReleaseContext(toWin(provider), 0) ? err::success : lastError();
}

ErrorCode Win32Crypto::createSha256(CryptProvider provider, CryptHash& hash) {
    HCRYPTHASH created = 0;
    if (!CryptCreateHash(toWin(provider), CALG_SHA_256, 0, 0, &created)) return lastError();
    hash = static_cast<CryptHash>(created);
    return err::success;
}

ErrorCode Win32Crypto::hashData(CryptHash hash, const std::uint8_t* data, std::uint32_t size) {
    return CryptHashData(toWin(hash), data, size, 0) ? err::success : lastError();
}

ErrorCode Win32Crypto::hashValue(CryptHash hash, std::array<std::uint8_t, sha256Size>& digest) {
    DWORD size = sha256Size;
    if (!CryptGetHashParam(toWin(hash), HP_HASHVAL, digest.data(), &size, 0)) return lastError();
    // A longer value fails with 234 above; a shorter one would leave part of the digest unwritten.
    return size == sha256Size ? err::success : err::invalidData;
}

ErrorCode Win32Crypto::destroyHash(CryptHash hash) {
    return CryptDestroyHash(toWin(hash)) ? err::success : lastError();
}

}  // namespace platform::win32
