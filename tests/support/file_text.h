// A file's whole content, read by the C runtime, which shares the file with writers (a live log).
#pragma once

#include <fstream>
#include <sstream>
#include <string>

/// The bytes of `path`; empty when it cannot be opened.
inline std::string fileText(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}
