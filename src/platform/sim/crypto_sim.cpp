#include "platform/sim/crypto_sim.h"

#include <openssl/evp.h>
#include <openssl/rand.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <stdexcept>

#include "platform/win_errors.h"

namespace sim {

namespace err = platform::err;

void SimCrypto::FreeContext::operator()(evp_md_ctx_st* context) const noexcept { EVP_MD_CTX_free(context); }

namespace {

// A protected blob: magic, scope (0 user, 1 machine), nonce, tag, then the ciphertext.
constexpr std::uint8_t blobMagic[4] = {'D', 'P', 'S', 'M'};
constexpr std::size_t nonceSize = 12;
constexpr std::size_t tagSize = 16;
constexpr std::size_t headerSize = sizeof blobMagic + 1 + nonceSize + tagSize;

struct FreeCipher {
    void operator()(EVP_CIPHER_CTX* context) const noexcept { EVP_CIPHER_CTX_free(context); }
};
using Cipher = std::unique_ptr<EVP_CIPHER_CTX, FreeCipher>;

int size(std::span<const std::uint8_t> bytes) { return static_cast<int>(bytes.size()); }

bool isBase64Blank(char c) { return c == '\r' || c == '\n' || c == ' ' || c == '\t'; }

}  // namespace

SimCrypto::SimCrypto(Faults& faults) : faults_(faults) {
    if (RAND_bytes(machineSecret_.data(), static_cast<int>(machineSecret_.size())) != 1) {
        throw std::runtime_error("no random bytes for the simulated machine's key");
    }
}

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

void SimCrypto::signIn(std::string user) {
    const std::lock_guard lock(mutex_);
    user_ = std::move(user);
}

SimCrypto::Key SimCrypto::keyFor(bool machineScope) const {
    // The user's key is derived from the machine's secret and the user's name.
    std::string material(machineSecret_.begin(), machineSecret_.end());
    material += machineScope ? std::string("machine") : "user:" + user_;
    Key key{};
    unsigned int length = 0;
    EVP_Digest(material.data(), material.size(), key.data(), &length, EVP_sha256(), nullptr);
    return key;
}

platform::ErrorCode SimCrypto::protectData(std::span<const std::uint8_t> plain, std::uint32_t flags,
                                           std::vector<std::uint8_t>& blob) {
    if (auto fault = faults_.check("Crypto.protectData")) return *fault;
    const std::lock_guard lock(mutex_);
    const bool machineScope = (flags & platform::protect::localMachine) != 0;
    const Key key = keyFor(machineScope);
    std::vector<std::uint8_t> out(headerSize + plain.size());
    std::copy(std::begin(blobMagic), std::end(blobMagic), out.begin());
    out[4] = machineScope ? 1 : 0;
    std::uint8_t* nonce = out.data() + 5;
    std::uint8_t* tag = nonce + nonceSize;
    std::uint8_t* cipherText = tag + tagSize;
    if (RAND_bytes(nonce, nonceSize) != 1) return platform::err::notEnoughMemory;
    Cipher context(EVP_CIPHER_CTX_new());
    int written = 0;
    int last = 0;
    if (!context || EVP_EncryptInit_ex(context.get(), EVP_aes_256_gcm(), nullptr, key.data(), nonce) != 1 ||
        EVP_EncryptUpdate(context.get(), cipherText, &written, plain.data(), size(plain)) != 1 ||
        EVP_EncryptFinal_ex(context.get(), cipherText + written, &last) != 1 ||
        EVP_CIPHER_CTX_ctrl(context.get(), EVP_CTRL_GCM_GET_TAG, tagSize, tag) != 1) {
        return platform::err::notEnoughMemory;
    }
    blob = std::move(out);
    return platform::err::success;
}

platform::ErrorCode SimCrypto::unprotectData(std::span<const std::uint8_t> blob, std::uint32_t,
                                             std::vector<std::uint8_t>& plain) {
    if (auto fault = faults_.check("Crypto.unprotectData")) return *fault;
    const std::lock_guard lock(mutex_);
    if (blob.size() < headerSize || !std::equal(std::begin(blobMagic), std::end(blobMagic), blob.begin()) ||
        blob[4] > 1) {
        return platform::err::invalidData;
    }
    const Key key = keyFor(blob[4] == 1);
    const std::uint8_t* nonce = blob.data() + 5;
    std::uint8_t tag[tagSize];
    std::memcpy(tag, nonce + nonceSize, tagSize);
    const auto cipherText = blob.subspan(headerSize);
    std::vector<std::uint8_t> out(cipherText.size());
    Cipher context(EVP_CIPHER_CTX_new());
    int written = 0;
    int last = 0;
    if (!context || EVP_DecryptInit_ex(context.get(), EVP_aes_256_gcm(), nullptr, key.data(), nonce) != 1 ||
        EVP_DecryptUpdate(context.get(), out.data(), &written, cipherText.data(), size(cipherText)) != 1 ||
        EVP_CIPHER_CTX_ctrl(context.get(), EVP_CTRL_GCM_SET_TAG, tagSize, tag) != 1) {
        return platform::err::notEnoughMemory;
    }
    // Another user's key, or a changed byte, fails the tag: the blob is not valid here.
    if (EVP_DecryptFinal_ex(context.get(), out.data() + written, &last) != 1) return platform::err::invalidData;
    plain = std::move(out);
    return platform::err::success;
}

platform::ErrorCode SimCrypto::binaryToString(std::span<const std::uint8_t> bytes, std::uint32_t flags, char* text,
                                              std::uint32_t& size) {
    if (auto fault = faults_.check("Crypto.binaryToString")) return *fault;
    if (bytes.empty() || (flags & ~platform::base64::noCrLf) != platform::base64::plain) {
        return platform::err::invalidParameter;
    }
    // Base64 without line breaks: four characters for every three bytes, begun or not.
    const std::size_t length = 4 * ((bytes.size() + 2) / 3);
    if (text == nullptr) {
        size = static_cast<std::uint32_t>(length + 1);
        return platform::err::success;
    }
    if (size < length + 1) return platform::err::moreData;
    std::vector<unsigned char> out(length + 1);
    EVP_EncodeBlock(out.data(), bytes.data(), static_cast<int>(bytes.size()));
    std::memcpy(text, out.data(), length + 1);
    size = static_cast<std::uint32_t>(length);
    return platform::err::success;
}

platform::ErrorCode SimCrypto::stringToBinary(std::string_view text, std::uint32_t flags, std::uint8_t* bytes,
                                              std::uint32_t& size) {
    if (auto fault = faults_.check("Crypto.stringToBinary")) return *fault;
    if (text.empty() || flags != platform::base64::plain) return platform::err::invalidParameter;
    // Line breaks and blanks between the characters are allowed, as the system allows them.
    std::string compact;
    std::copy_if(text.begin(), text.end(), std::back_inserter(compact), [](char c) { return !isBase64Blank(c); });
    if (compact.size() % 4 != 0) return platform::err::invalidData;
    std::size_t padding = 0;
    while (padding < 2 && padding < compact.size() && compact[compact.size() - 1 - padding] == '=') ++padding;
    std::vector<unsigned char> decoded(compact.size() / 4 * 3 + 1);
    const int decodedSize = EVP_DecodeBlock(decoded.data(), reinterpret_cast<const unsigned char*>(compact.data()),
                                            static_cast<int>(compact.size()));
    if (decodedSize < 0 || compact.find('=') < compact.size() - padding) return platform::err::invalidData;
    const std::size_t length = static_cast<std::size_t>(decodedSize) - padding;
    if (bytes == nullptr) {
        size = static_cast<std::uint32_t>(length);
        return platform::err::success;
    }
    if (size < length) return platform::err::moreData;
    std::memcpy(bytes, decoded.data(), length);
    size = static_cast<std::uint32_t>(length);
    return platform::err::success;
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
