// Whether a runtime's key exists in the 64-bit registry view, read straight from the real registry.
#pragma once

#include <windows.h>

#include <string>

inline bool runtimeKeyExists(const std::string& version) {
    HKEY key = nullptr;
    const std::string path = "SOFTWARE\\Mendara\\Zarn Runtime Environment\\" + version;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ | KEY_WOW64_64KEY, &key) != ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(key);
    return true;
}
