#include "platform/sim/crypto_sim.h"

#include <openssl/evp.h>

#include "platform/win_errors.h"

namespace sim {

namespace err = platform::err;

void SimCrypto::FreeContext::operator()(evp_md_ctx_st* context) const noexcept { EVP_MD_CTX_free(context); }

SimCrypto::SimCrypto(Faults& faults) : faults_(faults) {}

SimCrypto::~SimCrypto() = default;

SimCrypto::HashObject* SimCrypto::find(platform::CryptHash hash) {
    const auto found = hashes_.find(platform::raw(hash));
    if (found == hashes_.end() || !providers_.contains(found->second.provider)) return nullptr;
    return &found->second;
}

platform::ErrorCode SimCrypto::acquireContext(platform::CryptProvider& provider) {
    if (auto fault = faults_.check("Crypto.acquireContext")) return *fault;
    const std::lock_guard lock(mutex_);
    const auto id = next_;
    next_ += 8;
    providers_.insert(id);
    provider = static_cast<platform::CryptProvider>(id);
    return err::success;
}

platform::ErrorCode SimCrypto::releaseContext(platform::CryptProvider provider) {
    if (auto fault = faults_.check("Crypto.releaseContext")) return *fault;
    const std::lock_guard lock(mutex_);
    return providers_.erase(platform::raw(provider)) == 1 ? err::success : err::invalidParameter;
}

platform::ErrorCode SimCrypto::createSha256(platform::CryptProvider provider, platform::CryptHash& hash) {
    if (auto fault = faults_.check("Crypto.createSha256")) return *fault;
    const std::lock_guard lock(mutex_);
    if (!providers_.contains(platform::raw(provider))) return err::invalidParameter;
    HashObject object{std::unique_ptr<evp_md_ctx_st, FreeContext>(EVP_MD_CTX_new()), platform::raw(provider)};
    if (!object.context || EVP_DigestInit_ex(object.context.get(), EVP_sha256(), nullptr) != 1) {
        return err::notEnoughMemory;
    }
    const auto id = next_;
    next_ += 8;
    hashes_.emplace(id, std::move(object));
    hash = static_cast<platform::CryptHash>(id);
    return err::success;
}

platform::ErrorCode SimCrypto::hashData(platform::CryptHash hash, const std::uint8_t* data, std::uint32_t size) {
    if (auto fault = faults_.check("Crypto.hashData")) return *fault;
    const std::lock_guard lock(mutex_);
    HashObject* object = find(hash);
    if (object == nullptr || (data == nullptr && size != 0)) return err::invalidParameter;
    if (object->finished) return err::badHashState;
    return EVP_DigestUpdate(object->context.get(), data, size) == 1 ? err::success : err::notEnoughMemory;
}

platform::ErrorCode SimCrypto::hashValue(platform::CryptHash hash, std::array<std::uint8_t, sha256Size>& digest) {
    if (auto fault = faults_.check("Crypto.hashValue")) return *fault;
    const std::lock_guard lock(mutex_);
    HashObject* object = find(hash);
    if (object == nullptr) return err::invalidParameter;
    // The first call finishes the hash; later ones read the same value again.
    if (!object->finished) {
        unsigned int length = 0;
        if (EVP_DigestFinal_ex(object->context.get(), object->digest.data(), &length) != 1 || length != sha256Size) {
            return err::notEnoughMemory;
        }
        object->finished = true;
    }
    digest = object->digest;
    return err::success;
}

platform::ErrorCode SimCrypto::destroyHash(platform::CryptHash hash) {
    if (auto fault = faults_.check("Crypto.destroyHash")) return *fault;
    const std::lock_guard lock(mutex_);
    // A hash whose provider went first cannot be destroyed any more; it stays until the machine goes.
    if (find(hash) == nullptr) return err::invalidParameter;
    hashes_.erase(platform::raw(hash));
    return err::success;
}

std::size_t SimCrypto::openProviders() const {
    const std::lock_guard lock(mutex_);
    return providers_.size();
}

std::size_t SimCrypto::openHashes() const {
    const std::lock_guard lock(mutex_);
    return hashes_.size();
}

}  // namespace sim
