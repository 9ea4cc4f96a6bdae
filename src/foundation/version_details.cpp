#include "foundation/version_details.h"

#include <limits>
#include <optional>

#include "foundation/product_constants.h"
#include "foundation/tstrings_format.h"

namespace VersionDetails {

namespace {

// Components are stored signed, so anything above the signed range is refused rather than wrapped to
// a negative (or "absent") value that would compare below every real version.
constexpr std::uint32_t largestComponent = std::numeric_limits<Component>::max();

std::optional<std::uint32_t> tryParseComponent(std::string_view text) {
    if (text.empty()) return std::nullopt;
    std::uint32_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        const auto digit = static_cast<std::uint32_t>(c - '0');
        if (value > (largestComponent - digit) / 10) return std::nullopt;
        value = value * 10 + digit;
    }
    return value;
}

}  // namespace

std::uint32_t parseComponent(std::string_view text) {
    const auto value = tryParseComponent(text);
    if (!value) ZARN_THROW(std::runtime_error, "Failed to recognize version component in [" + std::string(text) + "]");
    return *value;
}

std::size_t Parser::parse(std::string_view text, std::span<Component> out, std::size_t& count) {
    if (out.empty()) ZARN_THROW(std::runtime_error, "Destination buffer can't be empty");
    count = 0;
    std::size_t consumed = 0;
    std::size_t start = 0;
    while (!text.empty() && count < out.size()) {
        const std::size_t dot = text.find('.', start);
        const std::string_view token = text.substr(start, dot == std::string_view::npos ? dot : dot - start);
        const auto value = tryParseComponent(token);
        if (!value) break;
        out[count] = static_cast<Component>(*value);
        consumed += token.size() + (count > 0 ? 1 : 0);  // the "." in front of every token but the first
        ++count;
        if (dot == std::string_view::npos) break;
        start = dot + 1;
    }
    return text.size() - consumed;
}

}  // namespace VersionDetails

namespace ZarnVersionDetails {

namespace {

using VersionDetails::tryParseComponent;

// Each sub-parser looks at the unparsed tail and returns the length of the tail it leaves; an optional
// part that is not there leaves the whole tail.

std::string_view upTo(std::string_view text, std::string_view stops) {
    return text.substr(0, text.find_first_of(stops));
}

// "-bNN" with NN a component above 0, up to the next "-".
bool isBuildPart(std::string_view tail) {
    if (tail.size() < 3 || !tail.starts_with("-b")) return false;
    const auto value = tryParseComponent(upTo(tail.substr(2), "-"));
    return value && *value != 0;
}

// The dotted pass stops in front of the "." that leads the micro text, as in ".0_45-b15".
std::size_t parseMicro(std::string_view tail, std::span<Component> out) {
    if (!tail.starts_with('.')) return tail.size();
    const std::string_view text = upTo(tail.substr(1), "_-");
    const auto value = tryParseComponent(text);
    if (!value) return tail.size();
    out[micro] = static_cast<Component>(*value);
    return tail.size() - 1 - text.size();
}

std::size_t parseUpdate(std::string_view tail, std::span<Component> out) {
    if (!tail.starts_with('_')) return tail.size();
    const std::string_view text = upTo(tail.substr(1), "-");
    const auto value = tryParseComponent(text);
    if (!value) return tail.size();
    out[update] = static_cast<Component>(*value);
    return tail.size() - 1 - text.size();
}

// A "-qualifier" such as "-ea" runs up to the first "-" where a build part begins, or to the end.
std::size_t parseQualifier(std::string_view tail, std::span<Component>) {
    if (!tail.starts_with('-') || isBuildPart(tail)) return tail.size();
    std::size_t end = tail.find('-', 1);
    while (end != std::string_view::npos && !isBuildPart(tail.substr(end))) end = tail.find('-', end + 1);
    if (end == std::string_view::npos) return 0;
    if (end == 1) return tail.size();  // "--": an empty qualifier is none
    return tail.size() - end;
}

std::size_t parseBuild(std::string_view tail, std::span<Component> out) {
    if (!isBuildPart(tail)) return tail.size();
    const std::string_view text = upTo(tail.substr(2), "-");
    out[build] = static_cast<Component>(*tryParseComponent(text));
    return tail.size() - 2 - text.size();
}

}  // namespace

std::size_t Parser::parse(std::string_view text, std::span<Component> out, std::size_t& count) {
    if (out.size() < 5) ZARN_THROW(std::length_error, "Insufficient size of destination buffer");
    std::array<Component, 3> dotted{};
    std::size_t n = 0;
    std::size_t rest = VersionDetails::Parser::parse(text, dotted, n);
    count = 0;

    if (n >= 1) {
        if (dotted[0] < 1) return text.size();
        out[major] = dotted[0];
        ++count;
    }
    if (n >= 2) {
        if (dotted[1] < 1) {
            std::array<Component, 1> first{};
            std::size_t one = 0;
            return VersionDetails::Parser::parse(text, first, one);
        }
        out[minor] = dotted[1];
        ++count;
    }
    if (n == 3) {
        out[micro] = dotted[2];
        ++count;
    }
    if (rest == 0) return 0;
    if (n != 2) return rest;

    // The third dotted token was not a plain number, as "0_45-b15" in "1.8.0_45-b15".
    using SubParser = std::size_t (*)(std::string_view, std::span<Component>);
    constexpr struct {
        SubParser parse;
        bool mandatory;
    } steps[] = {{parseMicro, true}, {parseUpdate, false}, {parseQualifier, false}, {parseBuild, false}};
    for (const auto& step : steps) {
        if (rest == 0) break;
        const std::size_t left = step.parse(text.substr(text.size() - rest), out);
        if (left > rest) {
            ZARN_THROW(std::runtime_error,
                       tstrings::format("[%d < %d] failed", static_cast<int>(rest), static_cast<int>(left)));
        }
        if (left == rest) {
            if (step.mandatory) return rest;
            continue;
        }
        ++count;
        rest = left;
    }
    return rest;
}

namespace {

ZarnVersion withAbsent(const ZarnVersion& version, std::size_t from) {
    ZarnVersion copy = version;
    for (std::size_t i = from; i < ZarnVersion::size; ++i) copy.set(i, VersionDetails::absent);
    return copy;
}

}  // namespace

ZarnVersion familyCopy(const ZarnVersion& version) { return withAbsent(version, micro); }
ZarnVersion releaseCopy(const ZarnVersion& version) { return withAbsent(version, update); }
ZarnVersion noBuildCopy(const ZarnVersion& version) { return withAbsent(version, build); }

std::string toString(const ZarnVersion& version) {
    std::string text = std::to_string(version[major]);
    if (version[minor] >= 0) text += "." + std::to_string(version[minor]);
    if (version[micro] >= 0) text += "." + std::to_string(version[micro]);
    if (version[update] > 0) text += tstrings::format("_%02d", version[update]);
    if (version[build] > 0) text += tstrings::format("-b%02d", version[build]);
    return text;
}

std::string displayName(const ZarnVersion& version, int bitness) {
    namespace display = product::display;
    const Component minorNumber = version[minor];
    std::string name;
    if (minorNumber > 4) {
        if (minorNumber == 5) {
            name = display::release5;
        } else if (minorNumber == 6 && version[micro] == 0 && version[update] < 2) {
            name = display::early6;
        } else if (minorNumber == 6 || (minorNumber == 7 && version[micro] == 0 && version[update] <= 5)) {
            name = display::trademarked + std::to_string(minorNumber);
        } else {
            name = display::plain + std::to_string(minorNumber);
        }
        if (version[update] > 0) name += display::update + std::to_string(version[update]);
    } else {
        name = display::classic + toString(noBuildCopy(version));
    }
    if (bitness == 64) name += display::suffix64;
    return name;
}

}  // namespace ZarnVersionDetails
