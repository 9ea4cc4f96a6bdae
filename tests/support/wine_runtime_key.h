// Whether a runtime's key exists in a registry view, read straight from the real registry. The test
// runtimes are 64-bit; the product package has the architecture of the tree that built it.
#pragma once

#include <windows.h>

#include <string>

inline constexpr REGSAM productRuntimeView = sizeof(void*) == 8 ? KEY_WOW64_64KEY : KEY_WOW64_32KEY;

inline bool runtimeKeyExists(const std::string& version, REGSAM view = KEY_WOW64_64KEY) {
    HKEY key = nullptr;
    const std::string path = "SOFTWARE\\Mendara\\Zarn Runtime Environment\\" + version;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}
