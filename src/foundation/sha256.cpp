#include "foundation/sha256.h"

#include <algorithm>
#include <stdexcept>
#include <vector>

#include "foundation/auto_handle.h"
#include "foundation/errors.h"
#include "platform/machine.h"

static_assert(std::tuple_size_v<Sha256Digest> == platform::Crypto::sha256Size);

namespace {

const void* advapi32(const char* function) { return platform::machine().system().apiAddress("advapi32", function); }

/// One SHA-256 hash object with the context it was made from, both released on every path.
class Sha256Hash {
public:
    Sha256Hash() {
        platform::Crypto& crypto = platform::machine().crypto();
        if (const auto code = crypto.acquireContext(*provider_.put())) {
            ZARN_THROW(HashError, "CryptAcquireContext", advapi32("CryptAcquireContextW"), code);
        }
        if (const auto code = crypto.createSha256(provider_.get(), *hash_.put())) {
            ZARN_THROW(HashError, "CryptCreateHash", advapi32("CryptCreateHash"), code);
        }
    }

    void add(std::span<const std::uint8_t> bytes) {
        // CryptHashData takes a 32-bit length.
        constexpr std::size_t largest = std::size_t{1} << 30;
        while (!bytes.empty()) {
            const auto size = std::min(bytes.size(), largest);
            if (const auto code = platform::machine().crypto().hashData(hash_.get(), bytes.data(),
                                                                        static_cast<std::uint32_t>(size))) {
                ZARN_THROW(HashError, "CryptHashData", advapi32("CryptHashData"), code);
            }
            bytes = bytes.subspan(size);
        }
    }

    Sha256Digest finish() {
        Sha256Digest digest{};
        if (const auto code = platform::machine().crypto().hashValue(hash_.get(), digest)) {
            ZARN_THROW(HashError, "CryptGetHashParam", advapi32("CryptGetHashParam"), code);
        }
        return digest;
    }

private:
    // Members go in reverse order: the hash is destroyed before its provider is released.
    AutoCryptProvider provider_;
    AutoCryptHash hash_;
};

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

Sha256Digest sha256OfFile(platform::Handle file, std::uint32_t blockSize) {
    if (blockSize == 0) ZARN_THROW(std::invalid_argument, "sha256OfFile: block size 0");
    Sha256Hash hash;
    std::vector<std::uint8_t> block(blockSize);
    platform::FileSystem& files = platform::machine().fileSystem();
    for (;;) {
        std::uint32_t read = 0;
        if (const auto code = files.readFile(file, block.data(), blockSize, read)) {
            ZARN_THROW(HashError, "ReadFile", platform::machine().system().apiAddress("kernel32", "ReadFile"), code);
        }
        if (read == 0) break;
        hash.add(std::span(block).first(read));
    }
    return hash.finish();
}

Sha256Digest sha256Of(std::span<const std::uint8_t> bytes) {
    Sha256Hash hash;
    hash.add(bytes);
    return hash.finish();
}

std::string toLowerHex(const Sha256Digest& digest) {
    static constexpr char digits[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(digest.size() * 2);
    for (const std::uint8_t byte : digest) {
        hex += digits[byte >> 4];
        hex += digits[byte & 0x0F];
    }
    return hex;
}

std::optional<Sha256Digest> digestFromHex(std::string_view hex) {
    Sha256Digest digest{};
    if (hex.size() != digest.size() * 2) return std::nullopt;
    for (std::size_t i = 0; i < digest.size(); ++i) {
        const int high = hexValue(hex[2 * i]);
        const int low = hexValue(hex[2 * i + 1]);
        if (high < 0 || low < 0) return std::nullopt;
        digest[i] = static_cast<std::uint8_t>((high << 4) | low);
    }
    return digest;
}
