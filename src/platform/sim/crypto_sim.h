// The simulated CryptoAPI: real SHA-256 from OpenSSL behind provider and hash handles checked the way
// advapi32 checks its own; data protection by AES-256-GCM under a key of the machine or of the
// signed-in user; Base64 from OpenSSL.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>

#include "platform/later_ports.h"
#include "platform/sim/faults.h"

// OpenSSL's digest context, kept out of the header.
struct evp_md_ctx_st;

namespace sim {

class SimCrypto final : public platform::Crypto {
public:
    explicit SimCrypto(Faults& faults);
    /// Frees whatever is still open, as the end of the process does.
    ~SimCrypto() override;
    SimCrypto(const SimCrypto&) = delete;
    SimCrypto& operator=(const SimCrypto&) = delete;

    platform::ErrorCode acquireContext(platform::CryptProvider& provider) override;
    platform::ErrorCode releaseContext(platform::CryptProvider provider) override;
    platform::ErrorCode createSha256(platform::CryptProvider provider, platform::CryptHash& hash) override;
    platform::ErrorCode hashData(platform::CryptHash hash, const std::uint8_t* data, std::uint32_t size) override;
    platform::ErrorCode hashValue(platform::CryptHash hash, std::array<std::uint8_t, sha256Size>& digest) override;
    platform::ErrorCode destroyHash(platform::CryptHash hash) override;
    platform::ErrorCode protectData(std::span<const std::uint8_t> plain, std::uint32_t flags,
                                    std::vector<std::uint8_t>& blob) override;
    platform::ErrorCode unprotectData(std::span<const std::uint8_t> blob, std::uint32_t flags,
                                      std::vector<std::uint8_t>& plain) override;
    platform::ErrorCode binaryToString(std::span<const std::uint8_t> bytes, std::uint32_t flags, char* text,
                                       std::uint32_t& size) override;
    platform::ErrorCode stringToBinary(std::string_view text, std::uint32_t flags, std::uint8_t* bytes,
                                       std::uint32_t& size) override;

    /// Signs in another user: blobs protected for the user before no longer open.
    void signIn(std::string user);

    /// Contexts acquired and not released, and hashes created and not destroyed: leak checks.
    std::size_t openProviders() const;
    std::size_t openHashes() const;

private:
    struct FreeContext {
        void operator()(evp_md_ctx_st* context) const noexcept;
    };
    struct HashObject {
        std::unique_ptr<evp_md_ctx_st, FreeContext> context;
        std::uintptr_t provider = 0;
        bool finished = false;
        std::array<std::uint8_t, sha256Size> digest{};
    };

    /// The hash behind `hash`, when it and its provider are still open.
    HashObject* find(platform::CryptHash hash);

    using Key = std::array<std::uint8_t, 32>;
    /// The machine's key, or the signed-in user's.
    Key keyFor(bool machineScope) const;

    Faults& faults_;
    Key machineSecret_{};
    std::string user_ = "test";
    mutable std::mutex mutex_;
    std::set<std::uintptr_t> providers_;
    std::map<std::uintptr_t, HashObject> hashes_;
    // Providers and hashes draw from one sequence, so neither passes for the other.
    std::uintptr_t next_ = 0x7000;
};

}  // namespace sim
