// Test programs under Wine receive host paths from CTest; Wine sees the host's root as drive Z:.
#pragma once

#include <string>

inline std::string windowsPathOfHost(std::string path) {
    if (path.starts_with("/")) path = "Z:" + path;
    for (auto& c : path) {
        if (c == '/') c = '\\';
    }
    return path;
}
