// Version texts come from the registry, from installer databases and from downloaded documents: both
// grammars must refuse bad text with an exception, never read past it, and keep what they accept
// printable and re-readable.
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <exception>
#include <string>
#include <string_view>

#include "foundation/version_details.h"

namespace {

void checkProduct(std::string_view text) {
    ZarnVersion version;
    try {
        version.init(text);
    } catch (const std::runtime_error&) {
        return;
    }
    // Accepted versions have a major and a minor of at least 1 and no negative component.
    if (version[ZarnVersionDetails::major] < 1 || version[ZarnVersionDetails::minor] < 1) std::abort();
    for (std::size_t i = 0; i < ZarnVersion::size; ++i) {
        if (version[i] < 0) std::abort();
    }
    // The text form reads back as the same version.
    if (ZarnVersion(ZarnVersionDetails::toString(version)) != version) std::abort();
    (void)ZarnVersionDetails::displayName(version, 64);
    (void)ZarnVersionDetails::toString(ZarnVersionDetails::familyCopy(version));
}

void checkDotted(std::string_view text) {
    try {
        const FourPartVersion version(text);
        for (std::size_t i = 0; i < FourPartVersion::size; ++i) {
            if (version[i] < 0) std::abort();
        }
    } catch (const std::runtime_error&) {
    }
}

void checkParsers(std::string_view text) {
    std::array<VersionDetails::Component, 6> out{};
    for (std::size_t capacity = 1; capacity <= out.size(); ++capacity) {
        std::size_t count = 0;
        const std::size_t left = VersionDetails::Parser::parse(text, std::span(out).first(capacity), count);
        if (left > text.size() || count > capacity) std::abort();
    }
    std::size_t count = 0;
    const std::size_t left = ZarnVersionDetails::Parser::parse(text, out, count);
    if (left > text.size()) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    checkProduct(text);
    checkDotted(text);
    checkParsers(text);
    return 0;
}
