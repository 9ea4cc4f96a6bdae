// Text from files and the command line crosses between UTF-8 and UTF-16: conversion must never read
// past its input, and well-formed text must survive the round trip unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "foundation/tstrings_convert.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::u16string wide = tstrings::toUtf16(bytes);
    const std::string narrow = tstrings::toUtf8(wide);
    // Whatever came in, what comes out is well formed: converting it again changes nothing.
    if (tstrings::toUtf8(tstrings::toUtf16(narrow)) != narrow) std::abort();

    std::u16string units(size / 2, u'\0');
    for (std::size_t i = 0; i < units.size(); ++i) {
        units[i] = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
    }
    const std::string fromUnits = tstrings::toUtf8(units);
    if (tstrings::toUtf8(tstrings::toUtf16(fromUnits)) != fromUnits) std::abort();
    return 0;
}
