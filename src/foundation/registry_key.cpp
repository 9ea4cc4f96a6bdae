#include "foundation/registry_key.h"

#include <cstring>
#include <limits>

#include "foundation/errors.h"
#include "platform/machine.h"
#include "platform/win_errors.h"

namespace {

namespace reg = platform::reg;

// Most values fit; a larger one costs a second call.
constexpr std::uint32_t firstBufferSize = 256;

[[noreturn]] void fail(const SourceLocation& where, std::string_view operation, std::string_view subject,
                       const std::string& reason) {
    throw MevError<std::runtime_error>(
        std::runtime_error(std::string(operation) + " (" + std::string(subject) + ") error: " + reason), where);
}

[[noreturn]] void fail(const SourceLocation& where, std::string_view operation, std::string_view subject,
                       platform::ErrorCode code) {
    fail(where, operation, subject, WinErrorHandling::systemErrorText(code));
}

}  // namespace

void RegistryKey::open(platform::RegKey parent, const std::string& subKey, bool write, bool create) {
    auto& registry = platform::machine().registry();
    const std::uint32_t access = reg::read | (write ? reg::write : 0) | viewFlags_;
    platform::RegKey opened = platform::RegKey::null;
    const auto code =
        create ? registry.createKey(parent, subKey, access, opened) : registry.openKey(parent, subKey, access, opened);
    if (code != platform::err::success) fail(ZARN_LOCATION, "open key", subKey, code);
    key_.reset(opened);
    path_ = subKey;
}

RegistryKey::Value RegistryKey::read(std::string_view name, std::string_view operation,
                                     const SourceLocation& where) const {
    auto& registry = platform::machine().registry();
    Value value;
    value.bytes.resize(firstBufferSize);
    for (;;) {
        auto size = static_cast<std::uint32_t>(value.bytes.size());
        const auto code = registry.queryValue(key_.get(), name, &value.type, value.bytes.data(), size);
        if (code == platform::err::moreData) {
            // The value may grow between calls; never ask again with the same size.
            value.bytes.resize(size > value.bytes.size() ? size : value.bytes.size() * 2);
            continue;
        }
        if (code != platform::err::success) fail(where, operation, name, code);
        value.bytes.resize(size);
        return value;
    }
}

RegistryKey::Value RegistryKey::queryValue(std::string_view name) const {
    return read(name, "query value", ZARN_LOCATION);
}

std::uint32_t RegistryKey::queryDwordValue(std::string_view name) const {
    constexpr std::string_view operation = "query dword value";
    const Value value = read(name, operation, ZARN_LOCATION);
    if (value.type != reg::dword) fail(ZARN_LOCATION, operation, name, "wrong type");
    std::uint32_t number = 0;
    if (value.bytes.size() != sizeof number) fail(ZARN_LOCATION, operation, name, "wrong size");
    std::memcpy(&number, value.bytes.data(), sizeof number);
    return number;
}

std::string RegistryKey::queryStringValue(std::string_view name) const {
    constexpr std::string_view operation = "query string value";
    const Value value = read(name, operation, ZARN_LOCATION);
    if (value.type != reg::sz && value.type != reg::expandSz) fail(ZARN_LOCATION, operation, name, "wrong type");
    std::string text(value.bytes.begin(), value.bytes.end());
    if (!text.empty() && text.back() == '\0') text.pop_back();
    return text;
}

std::vector<std::uint8_t> RegistryKey::queryBinaryValue(std::string_view name) const {
    constexpr std::string_view operation = "query binary value";
    Value value = read(name, operation, ZARN_LOCATION);
    if (value.type != reg::binary) fail(ZARN_LOCATION, operation, name, "wrong type");
    return std::move(value.bytes);
}

void RegistryKey::setDwordValue(std::string_view name, std::uint32_t value) {
    std::uint8_t bytes[sizeof value];
    std::memcpy(bytes, &value, sizeof value);
    write(name, reg::dword, bytes, "set dword value", ZARN_LOCATION);
}

void RegistryKey::setStringValue(std::string_view name, std::string_view value) {
    const std::string terminated(value);  // c_str() brings the NUL that is stored with the text
    write(name, reg::sz,
          std::span(reinterpret_cast<const std::uint8_t*>(terminated.c_str()), terminated.size() + 1),
          "set string value", ZARN_LOCATION);
}

void RegistryKey::setBinaryValue(std::string_view name, std::span<const std::uint8_t> value) {
    write(name, reg::binary, value, "set binary value", ZARN_LOCATION);
}

void RegistryKey::write(std::string_view name, std::uint32_t type, std::span<const std::uint8_t> bytes,
                        std::string_view operation, const SourceLocation& where) {
    if (bytes.size() > std::numeric_limits<std::uint32_t>::max()) {
        fail(where, operation, name, WinErrorHandling::systemErrorText(platform::err::invalidParameter));
    }
    const auto code = platform::machine().registry().setValue(key_.get(), name, type, bytes.data(),
                                                             static_cast<std::uint32_t>(bytes.size()));
    if (code != platform::err::success) fail(where, operation, name, code);
}

std::vector<std::string> RegistryKey::enumSubkeys() const {
    auto& registry = platform::machine().registry();
    std::vector<std::string> names;
    for (std::uint32_t index = 0;; ++index) {
        std::string name;
        const auto code = registry.enumKey(key_.get(), index, name);
        if (code == platform::err::noMoreItems) return names;
        if (code != platform::err::success) fail(ZARN_LOCATION, "enum subkeys", path_, code);
        names.push_back(std::move(name));
    }
}
