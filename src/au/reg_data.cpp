#include "au/reg_data.h"

#include <cstring>
#include <stdexcept>

#include "au/protection.h"
#include "foundation/errors.h"
#include "foundation/logger.h"

namespace au {

namespace {

Bytes bytesOf(std::uint32_t value) {
    Bytes bytes(sizeof value);
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(value >> (8 * i));
    return bytes;
}

std::uint32_t dwordOf(const Bytes& plain) {
    if (plain.size() != sizeof(std::uint32_t)) ZARN_THROW(std::runtime_error, "decrypted data has wrong size");
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < plain.size(); ++i) value |= static_cast<std::uint32_t>(plain[i]) << (8 * i);
    return value;
}

[[noreturn]] void unknownEncryption() { ZARN_THROW(std::runtime_error, "unknown encryptionType"); }

}  // namespace

std::uint32_t RegData::effectiveEncryption(const Store& store) const {
    const auto machineBase64 = static_cast<std::uint32_t>(Encryption::machineBase64);
    return store.legacy() && encryption_ == machineBase64 ? static_cast<std::uint32_t>(Encryption::none) : encryption_;
}

std::uint32_t RegData::getValue(Store& store) const {
    try {
        const RegistryKey& key = store.key(location_, false);
        switch (static_cast<Encryption>(effectiveEncryption(store))) {
            case Encryption::none:
                return key.queryDwordValue(name_);
            case Encryption::user:
                return dwordOf(unprotect(key.queryBinaryValue(name_)));
            case Encryption::machineBase64:
                return dwordOf(unprotect(string2binary(key.queryStringValue(name_))));
        }
        unknownEncryption();
    } catch (const std::exception& e) {
        LOG_ERROR("getValue(DWORD) failed: " << e.what());
        throw;
    }
}

void RegData::setValue(Store& store, std::uint32_t value) const {
    try {
        RegistryKey& key = store.key(location_, true);
        switch (static_cast<Encryption>(effectiveEncryption(store))) {
            case Encryption::none:
                key.setDwordValue(name_, value);
                return;
            case Encryption::user:
                key.setBinaryValue(name_, protect(bytesOf(value), false));
                return;
            case Encryption::machineBase64:
                key.setStringValue(name_, binary2string(protect(bytesOf(value), true)));
                return;
        }
        unknownEncryption();
    } catch (const std::exception& e) {
        LOG_ERROR("setValue(DWORD) failed: " << e.what());
        throw;
    }
}

}  // namespace au
