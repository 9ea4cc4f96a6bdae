// SHA-256 digests of buffers and open files through the crypto port, and their hex form.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "foundation/errors.h"
#include "platform/types.h"

using Sha256Digest = std::array<std::uint8_t, 32>;

/// A call that failed while hashing, named as the system names it ("CryptHashData", "ReadFile").
class HashError : public SysError {
public:
    HashError(std::string call, const void* failedFunction, platform::ErrorCode code)
        : SysError(call + " failed", failedFunction, code), call_(std::move(call)) {}
    const std::string& call() const { return call_; }

private:
    std::string call_;
};

/// The digest of `file` from its current position to its end, read in blocks of `blockSize` bytes.
/// A failed call throws MevError<HashError> naming it ("CryptHashData failed", "ReadFile failed", ...).
Sha256Digest sha256OfFile(platform::Handle file, std::uint32_t blockSize);

/// The digest of `bytes`; failures as for files.
Sha256Digest sha256Of(std::span<const std::uint8_t> bytes);

/// 64 lower-case hex digits, high nibble first.
std::string toLowerHex(const Sha256Digest& digest);

/// The digest written as exactly 64 hex digits of either case; nullopt for anything else.
std::optional<Sha256Digest> digestFromHex(std::string_view hex);
