// The crypto port over CryptoAPI: SHA-256 through a verify-only context of the RSA-AES provider type,
// the one whose providers have SHA-256 (advapi32); data protection and Base64 (crypt32).
#include "platform/win32/win32_ports.h"

// wincrypt.h needs <windows.h> first; WIN32_LEAN_AND_MEAN keeps it out of <windows.h>.
#include <wincrypt.h>

namespace platform::win32 {

namespace {

HCRYPTPROV toWin(CryptProvider p) { return static_cast<HCRYPTPROV>(raw(p)); }
HCRYPTHASH toWin(CryptHash h) { return static_cast<HCRYPTHASH>(raw(h)); }

DATA_BLOB blobOf(std::span<const std::uint8_t> bytes) {
    return DATA_BLOB{static_cast<DWORD>(bytes.size()), const_cast<BYTE*>(bytes.data())};
}

// The output blob is LocalAlloc'ed by the system: copy it and free it at once.
void takeBlob(DATA_BLOB& out, std::vector<std::uint8_t>& into) {
    into.assign(out.pbData, out.pbData + out.cbData);
    LocalFree(out.pbData);
}

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

ErrorCode Win32Crypto::protectData(std::span<const std::uint8_t> plain, std::uint32_t flags,
                                   std::vector<std::uint8_t>& blob) {
    DATA_BLOB in = blobOf(plain);
    DATA_BLOB out{};
    if (!CryptProtectData(&in, nullptr, nullptr, nullptr, nullptr, flags, &out)) return lastError();
    takeBlob(out, blob);
    return err::success;
}

ErrorCode Win32Crypto::unprotectData(std::span<const std::uint8_t> blob, std::uint32_t flags,
                                     std::vector<std::uint8_t>& plain) {
    DATA_BLOB in = blobOf(blob);
    DATA_BLOB out{};
    if (!CryptUnprotectData(&in, nullptr, nullptr, nullptr, nullptr, flags, &out)) return lastError();
    takeBlob(out, plain);
    return err::success;
}

ErrorCode Win32Crypto::binaryToString(std::span<const std::uint8_t> bytes, std::uint32_t flags, char* text,
                                      std::uint32_t& size) {
    DWORD length = size;
    if (!CryptBinaryToStringA(bytes.data(), static_cast<DWORD>(bytes.size()), flags, text, &length)) return lastError();
    size = length;
    return err::success;
}

ErrorCode Win32Crypto::stringToBinary(std::string_view text, std::uint32_t flags, std::uint8_t* bytes,
                                      std::uint32_t& size) {
    DWORD length = size;
    if (!CryptStringToBinaryA(text.data(), static_cast<DWORD>(text.size()), flags, bytes, &length, nullptr, nullptr)) {
        return lastError();
    }
    size = length;
    return err::success;
}

}  // namespace platform::win32
