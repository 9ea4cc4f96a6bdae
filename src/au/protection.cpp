#include "au/protection.h"

#include <stdexcept>

#include "foundation/errors.h"
#include "platform/machine.h"
#include "platform/win_errors.h"

namespace au {

namespace {

platform::Crypto& crypto() { return platform::machine().crypto(); }

[[noreturn]] void fail(const SourceLocation& where, const char* step, platform::ErrorCode code) {
    throw MevError<std::runtime_error>(std::runtime_error(std::string(step) + std::to_string(code)), where);
}

}  // namespace

Bytes protect(std::span<const std::uint8_t> plain, bool forMachine) {
    const std::uint32_t flags = platform::protect::uiForbidden | (forMachine ? platform::protect::localMachine : 0);
    Bytes blob;
    if (const auto code = crypto().protectData(plain, flags, blob); code != platform::err::success) {
        fail(ZARN_LOCATION, "encryption failed, sysError=", code);
    }
    return blob;
}

Bytes unprotect(std::span<const std::uint8_t> blob) {
    Bytes plain;
    if (const auto code = crypto().unprotectData(blob, platform::protect::uiForbidden, plain);
        code != platform::err::success) {
        fail(ZARN_LOCATION, "decryption failed, sysError=", code);
    }
    return plain;
}

std::string binary2string(std::span<const std::uint8_t> bytes) {
    if (bytes.empty()) return {};
    const std::uint32_t flags = platform::base64::plain | platform::base64::noCrLf;
    std::uint32_t size = 0;
    if (const auto code = crypto().binaryToString(bytes, flags, nullptr, size); code != platform::err::success) {
        fail(ZARN_LOCATION, "binary2string (phase1) failed, sysError=", code);
    }
    std::string text(size, '\0');
    if (const auto code = crypto().binaryToString(bytes, flags, text.data(), size); code != platform::err::success) {
        fail(ZARN_LOCATION, "binary2string (phase2) failed, sysError=", code);
    }
    // The second call reports the characters written, without the terminating NUL.
    text.resize(size < text.size() ? size : text.size());
    return text;
}

Bytes string2binary(std::string_view text) {
    if (text.empty()) return {};
    std::uint32_t size = 0;
    if (const auto code = crypto().stringToBinary(text, platform::base64::plain, nullptr, size);
        code != platform::err::success) {
        fail(ZARN_LOCATION, "string2binary (phase1) failed, sysError=", code);
    }
    Bytes bytes(size);
    if (const auto code = crypto().stringToBinary(text, platform::base64::plain, bytes.data(), size);
        code != platform::err::success) {
        fail(ZARN_LOCATION, "string2binary (phase2) failed, sysError=", code);
    }
    bytes.resize(size < bytes.size() ? size : bytes.size());
    return bytes;
}

}  // namespace au
