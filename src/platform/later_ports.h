// The cryptography port, whose operations arrive with the features that use them. Windows Installer
// and the internet have their own headers.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "platform/installer.h"
#include "platform/internet.h"
#include "platform/processes.h"
#include "platform/types.h"

namespace platform {

/// Flags of the data-protection calls.
namespace protect {
inline constexpr std::uint32_t uiForbidden = 0x1;   // CRYPTPROTECT_UI_FORBIDDEN
inline constexpr std::uint32_t localMachine = 0x4;  // CRYPTPROTECT_LOCAL_MACHINE
}  // namespace protect

/// Formats of the Base64 conversions.
namespace base64 {
inline constexpr std::uint32_t plain = 0x1;          // CRYPT_STRING_BASE64
inline constexpr std::uint32_t noCrLf = 0x40000000;  // CRYPT_STRING_NOCRLF
}  // namespace base64

/// CryptoAPI: SHA-256, data protection bound to the user or the machine, and Base64.
class Crypto {
public:
    virtual ~Crypto() = default;

    /// Digest size of SHA-256 in bytes.
    static constexpr std::uint32_t sha256Size = 32;

    // Null, released and destroyed handles fail with 87 (invalid parameter): CryptoAPI handles are
    // pointers the library checks, not kernel handles. A hash needs its provider until it is destroyed.

    /// CryptAcquireContext of a verify-only context of the RSA-AES provider (no key container).
    virtual ErrorCode acquireContext(CryptProvider& provider) = 0;
    /// CryptReleaseContext.
    virtual ErrorCode releaseContext(CryptProvider provider) = 0;
    /// CryptCreateHash with CALG_SHA_256 on `provider`.
    virtual ErrorCode createSha256(CryptProvider provider, CryptHash& hash) = 0;
    /// CryptHashData: adds `size` bytes to the hash; err::badHashState once its value was taken.
    virtual ErrorCode hashData(CryptHash hash, const std::uint8_t* data, std::uint32_t size) = 0;
    /// CryptGetHashParam with HP_HASHVAL: the digest, which finishes the hash.
    virtual ErrorCode hashValue(CryptHash hash, std::array<std::uint8_t, sha256Size>& digest) = 0;
    /// CryptDestroyHash.
    virtual ErrorCode destroyHash(CryptHash hash) = 0;

    /// CryptProtectData without description, entropy or prompt: `flags` from `protect`. A blob made
    /// without `protect::localMachine` opens only for the same user.
    virtual ErrorCode protectData(std::span<const std::uint8_t> plain, std::uint32_t flags,
                                  std::vector<std::uint8_t>& blob) = 0;
    /// CryptUnprotectData without description, entropy or prompt.
    virtual ErrorCode unprotectData(std::span<const std::uint8_t> blob, std::uint32_t flags,
                                    std::vector<std::uint8_t>& plain) = 0;
    /// CryptBinaryToStringA with `flags` from `base64`. With `text` null, `size` receives the characters
    /// needed, the terminating NUL included; otherwise the characters written, without it.
    virtual ErrorCode binaryToString(std::span<const std::uint8_t> bytes, std::uint32_t flags, char* text,
                                     std::uint32_t& size) = 0;
    /// CryptStringToBinaryA with `flags` from `base64`. With `bytes` null, `size` receives the bytes
    /// needed; otherwise the bytes written.
    virtual ErrorCode stringToBinary(std::string_view text, std::uint32_t flags, std::uint8_t* bytes,
                                     std::uint32_t& size) = 0;
};

}  // namespace platform
