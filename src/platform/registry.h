// The registry port: the advapi32 registry calls, one operation each, names and string data in UTF-8.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/types.h"

namespace platform {

namespace reg {
// Access rights and view flags (REGSAM).
inline constexpr std::uint32_t queryValue = 0x0001;
inline constexpr std::uint32_t setValue = 0x0002;
inline constexpr std::uint32_t createSubKey = 0x0004;
inline constexpr std::uint32_t enumerateSubKeys = 0x0008;
inline constexpr std::uint32_t read = 0x20019;   // KEY_READ
inline constexpr std::uint32_t write = 0x20006;  // KEY_WRITE
inline constexpr std::uint32_t allAccess = 0xF003F;
inline constexpr std::uint32_t wow64_64Key = 0x0100;
inline constexpr std::uint32_t wow64_32Key = 0x0200;
inline constexpr std::uint32_t viewMask = wow64_64Key | wow64_32Key;

// Value types.
inline constexpr std::uint32_t none = 0;
inline constexpr std::uint32_t sz = 1;
inline constexpr std::uint32_t expandSz = 2;
inline constexpr std::uint32_t binary = 3;
inline constexpr std::uint32_t dword = 4;
inline constexpr std::uint32_t multiSz = 7;
inline constexpr std::uint32_t qword = 11;

// Creation dispositions reported by createKey.
inline constexpr std::uint32_t createdNewKey = 1;
inline constexpr std::uint32_t openedExistingKey = 2;
}  // namespace reg

/// Counts and longest lengths of RegQueryInfoKey.
struct RegKeyInfo {
    std::uint32_t subKeys = 0;
    std::uint32_t maxSubKeyLength = 0;
    std::uint32_t values = 0;
    std::uint32_t maxValueNameLength = 0;
    std::uint32_t maxValueLength = 0;
};

/// Text values (REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ) travel as UTF-8 bytes, with their terminating
/// NUL when the stored value has one; every other type travels as its stored bytes.
class Registry {
public:
    virtual ~Registry() = default;

    /// RegOpenKeyEx. `parent` is an open key or a predefined root; `access` may carry a view flag.
    virtual ErrorCode openKey(RegKey parent, std::string_view subKey, std::uint32_t access, RegKey& out) = 0;
    /// RegCreateKeyEx with no class, default options and no security attributes.
    virtual ErrorCode createKey(RegKey parent, std::string_view subKey, std::uint32_t access, RegKey& out,
                                std::uint32_t* disposition = nullptr) = 0;
    /// RegCloseKey. Closing a predefined root succeeds and does nothing.
    virtual ErrorCode closeKey(RegKey key) = 0;

    /// RegQueryValueEx. With `data` null only the type and size are reported. When `size` is too
    /// small the answer is 234 (more data) and `size` holds the size needed.
    virtual ErrorCode queryValue(RegKey key, std::string_view name, std::uint32_t* type, std::uint8_t* data,
                                 std::uint32_t& size) = 0;
    /// RegSetValueEx.
    virtual ErrorCode setValue(RegKey key, std::string_view name, std::uint32_t type, const std::uint8_t* data,
                               std::uint32_t size) = 0;
    /// RegDeleteValue.
    virtual ErrorCode deleteValue(RegKey key, std::string_view name) = 0;
    /// RegDeleteKeyEx: deletes a key without subkeys in the view given by `viewFlags`.
    virtual ErrorCode deleteKey(RegKey parent, std::string_view subKey, std::uint32_t viewFlags) = 0;
    /// RegDeleteTree: deletes the subkey and everything below it (the key's contents when `subKey` is empty).
    virtual ErrorCode deleteTree(RegKey parent, std::string_view subKey) = 0;

    /// RegEnumKeyEx: 259 (no more items) past the last subkey.
    virtual ErrorCode enumKey(RegKey key, std::uint32_t index, std::string& name) = 0;
    /// RegEnumValue: name and type of value `index`; 259 past the last value.
    virtual ErrorCode enumValue(RegKey key, std::uint32_t index, std::string& name, std::uint32_t& type) = 0;
    /// RegQueryInfoKey.
    virtual ErrorCode queryInfo(RegKey key, RegKeyInfo& info) = 0;
};

}  // namespace platform
