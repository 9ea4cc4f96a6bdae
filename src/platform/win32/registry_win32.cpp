// The registry port over advapi32's wide registry calls. Text values are converted between the
// port's UTF-8 and the registry's UTF-16 here, so callers see RegQueryValueExA-like sizes in UTF-8.
#include <cstring>
#include <vector>

#include "platform/registry_answer.h"
#include "platform/win32/win32_ports.h"

namespace platform::win32 {

namespace {

bool isText(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ; }

// The stored value in full: the caller's buffer semantics are applied afterwards to the UTF-8 form.
LSTATUS readValue(HKEY key, const std::wstring& name, DWORD& type, std::vector<BYTE>& bytes) {
    bytes.resize(512);
    for (;;) {
        auto size = static_cast<DWORD>(bytes.size());
        const LSTATUS s = RegQueryValueExW(key, name.c_str(), nullptr, &type, bytes.data(), &size);
        if (s == ERROR_MORE_DATA) {
            // The value may grow between calls; never retry with the same size.
            bytes.resize(size > bytes.size() ? size : bytes.size() * 2);
            continue;
        }
        if (s == ERROR_SUCCESS) bytes.resize(size);
        return s;
    }
}

}  // namespace

ErrorCode Win32Registry::openKey(RegKey parent, std::string_view subKey, std::uint32_t access, RegKey& out) {
    return guarded([&] {
        HKEY key = nullptr;
        const LSTATUS s = RegOpenKeyExW(toWin(parent), widen(subKey).c_str(), 0, access, &key);
        out = fromWin(key);
        return status(s);
    });
}

ErrorCode Win32Registry::createKey(RegKey parent, std::string_view subKey, std::uint32_t access, RegKey& out,
                                   std::uint32_t* disposition) {
    return guarded([&] {
        HKEY key = nullptr;
        DWORD created = 0;
        const LSTATUS s = RegCreateKeyExW(toWin(parent), widen(subKey).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                          access, nullptr, &key, &created);
        out = fromWin(key);
        if (disposition != nullptr && s == ERROR_SUCCESS) *disposition = created;
        return status(s);
    });
}

ErrorCode Win32Registry::closeKey(RegKey key) {
    if (isPredefined(key)) return err::success;
    return status(RegCloseKey(toWin(key)));
}

ErrorCode Win32Registry::queryValue(RegKey key, std::string_view name, std::uint32_t* type, std::uint8_t* data,
                                    std::uint32_t& size) {
    return guarded([&] {
        DWORD storedType = REG_NONE;
        std::vector<BYTE> bytes;
        const LSTATUS s = readValue(toWin(key), widen(name), storedType, bytes);
        if (s != ERROR_SUCCESS) return status(s);

        if (isText(storedType)) {
            // An odd trailing byte is not a UTF-16 unit; it is dropped as RegQueryValueExA drops it.
            std::wstring wide(bytes.size() / 2, L'\0');
            std::memcpy(wide.data(), bytes.data(), wide.size() * sizeof(wchar_t));
            const std::string utf8 = narrow(wide);
            bytes.assign(utf8.begin(), utf8.end());
        }

        if (type != nullptr) *type = storedType;
        return reg::answerQuery(bytes, data, size);
    });
}

ErrorCode Win32Registry::setValue(RegKey key, std::string_view name, std::uint32_t type, const std::uint8_t* data,
                                  std::uint32_t size) {
    return guarded([&] {
        const std::wstring wideName = widen(name);
        if (!isText(type) || data == nullptr) {
            return status(RegSetValueExW(toWin(key), wideName.c_str(), 0, type, data, size));
        }
        std::wstring text = widen(std::string_view(reinterpret_cast<const char*>(data), size));
        const auto bytes = static_cast<DWORD>(text.size() * sizeof(wchar_t));
        // The registry counts a NUL that follows uncounted text in as well; a sentinel keeps the value
        // exactly as the caller sized it.
        text.push_back(L'?');
        return status(RegSetValueExW(toWin(key), wideName.c_str(), 0, type, reinterpret_cast<const BYTE*>(text.data()),
                                     bytes));
    });
}

ErrorCode Win32Registry::deleteValue(RegKey key, std::string_view name) {
    return guarded([&] { return status(RegDeleteValueW(toWin(key), widen(name).c_str())); });
}

ErrorCode Win32Registry::deleteKey(RegKey parent, std::string_view subKey, std::uint32_t viewFlags) {
    return guarded([&] { return status(RegDeleteKeyExW(toWin(parent), widen(subKey).c_str(), viewFlags, 0)); });
}

ErrorCode Win32Registry::deleteTree(RegKey parent, std::string_view subKey) {
    return guarded([&] {
        const std::wstring wide = widen(subKey);
        return status(RegDeleteTreeW(toWin(parent), subKey.empty() ? nullptr : wide.c_str()));
    });
}

ErrorCode Win32Registry::enumKey(RegKey key, std::uint32_t index, std::string& name) {
    return guarded([&] {
        wchar_t buffer[256];  // 255 characters is the longest key name
        DWORD length = 256;
        const LSTATUS s = RegEnumKeyExW(toWin(key), index, buffer, &length, nullptr, nullptr, nullptr, nullptr);
        if (s == ERROR_SUCCESS) name = narrow(std::wstring_view(buffer, length));
        return status(s);
    });
}

ErrorCode Win32Registry::enumValue(RegKey key, std::uint32_t index, std::string& name, std::uint32_t& type) {
    return guarded([&] {
        std::wstring buffer(16384, L'\0');  // 16383 characters is the longest value name
        auto length = static_cast<DWORD>(buffer.size());
        DWORD storedType = REG_NONE;
        const LSTATUS s =
            RegEnumValueW(toWin(key), index, buffer.data(), &length, nullptr, &storedType, nullptr, nullptr);
        if (s == ERROR_SUCCESS) {
            buffer.resize(length);
            name = narrow(buffer);
            type = storedType;
        }
        return status(s);
    });
}

ErrorCode Win32Registry::queryInfo(RegKey key, RegKeyInfo& info) {
    // Lengths are Windows' own: UTF-16 units for names, stored bytes for data.
    DWORD subKeys = 0, maxSubKey = 0, values = 0, maxValueName = 0, maxValue = 0;
    const LSTATUS s = RegQueryInfoKeyW(toWin(key), nullptr, nullptr, nullptr, &subKeys, &maxSubKey, nullptr, &values,
                                       &maxValueName, &maxValue, nullptr, nullptr);
    if (s == ERROR_SUCCESS) info = RegKeyInfo{subKeys, maxSubKey, values, maxValueName, maxValue};
    return status(s);
}

}  // namespace platform::win32
