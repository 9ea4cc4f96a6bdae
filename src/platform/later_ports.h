// The cryptography port, whose operations arrive with the features that use them. Windows Installer
// and the internet have their own headers.
#pragma once

#include <array>
#include <cstdint>

#include "platform/installer.h"
#include "platform/internet.h"
#include "platform/processes.h"
#include "platform/types.h"

namespace platform {

/// CryptoAPI. SHA-256 now; data protection and Base64 arrive with the policy store.
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
};

}  // namespace platform
