// Parsed versions: the plain dotted grammar ("2.8.0.0") and the product grammar ("1.8.0_45-b15"),
// held as small fixed arrays of signed components with the text they came from.
#pragma once

#include <array>
#include <compare>
#include <cstddef>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>

#include "foundation/errors.h"

namespace VersionDetails {

using Component = std::int32_t;

/// The value of a component that a truncating copy removed. Parsing never produces it.
inline constexpr Component absent = -1;

/// One component: a non-empty run of decimal digits that fits a signed 32-bit component. Anything
/// else throws MevError<std::runtime_error> "Failed to recognize version component in [<text>]".
std::uint32_t parseComponent(std::string_view text);

/// The dotted grammar: up to `out.size()` components separated by ".".
struct Parser {
    /// Fills `out` from the front and sets `count` to the number of components parsed; returns how many
    /// characters of `text` were not consumed. An empty `out` throws.
    static std::size_t parse(std::string_view text, std::span<Component> out, std::size_t& count);
};

/// `N` components parsed by `P`, of which a valid text supplies at least `M`.
template <std::size_t N, class P, std::size_t M>
class Base {
    static_assert(N >= 1 && M >= 1 && M <= N);

public:
    static constexpr std::size_t size = N;

    /// All components 0, no text.
    Base() = default;
    explicit Base(std::string_view text) { init(text); }

    /// Parses `text`; on failure throws and leaves this version unchanged.
    void init(std::string_view text) {
        std::array<Component, N> parsed{};
        std::size_t count = 0;
        const std::size_t unconsumed = P::parse(text, parsed, count);
        if (unconsumed != 0) {
            ZARN_THROW(std::runtime_error, "Failed to parse [" + std::string(text) +
                                               "] version string completely. Number of unrecognised characters is " +
                                               std::to_string(unconsumed));
        }
        if (count < M) {
            ZARN_THROW(std::runtime_error,
                       "Failed to parse [" + std::string(text) + "] version string. The string is too short");
        }
        components_ = parsed;
        text_ = text;
    }

    Component operator[](std::size_t index) const { return components_.at(index); }
    void set(std::size_t index, Component value) { components_.at(index) = value; }
    /// The text this version was parsed from; truncating copies keep it unchanged.
    const std::string& text() const { return text_; }

    /// Component by component from the first, as signed numbers; the texts take no part.
    friend bool operator==(const Base& a, const Base& b) { return a.components_ == b.components_; }
    friend std::strong_ordering operator<=>(const Base& a, const Base& b) { return a.components_ <=> b.components_; }

private:
    std::array<Component, N> components_{};
    std::string text_;
};

}  // namespace VersionDetails

namespace ZarnVersionDetails {

using VersionDetails::Component;

/// Slots of a product version.
inline constexpr std::size_t major = 0;
inline constexpr std::size_t minor = 1;
inline constexpr std::size_t micro = 2;
inline constexpr std::size_t update = 3;
inline constexpr std::size_t build = 4;

/// The product grammar: major.minor.micro, then optionally "_update", a "-qualifier" that is skipped
/// and "-bBUILD". Major and minor must be at least 1.
struct Parser {
    /// As VersionDetails::Parser; `out` must hold at least five components, else it throws
    /// MevError<std::length_error>. `count` also counts a skipped qualifier.
    static std::size_t parse(std::string_view text, std::span<Component> out, std::size_t& count);
};

}  // namespace ZarnVersionDetails

/// A product version such as "1.8.0_45-b15": major, minor, micro, update, build.
using ZarnVersion = VersionDetails::Base<5, ZarnVersionDetails::Parser, 3>;
/// A four-part dotted version such as "2.8.0.0".
using FourPartVersion = VersionDetails::Base<4, VersionDetails::Parser, 4>;

namespace ZarnVersionDetails {

/// Keeps major and minor; micro, update and build become absent.
ZarnVersion familyCopy(const ZarnVersion& version);
/// Update and build become absent.
ZarnVersion releaseCopy(const ZarnVersion& version);
/// Build becomes absent.
ZarnVersion noBuildCopy(const ZarnVersion& version);

/// "1.8.0_05-b03": absent minor and micro are left out, update and build only when above 0.
std::string toString(const ZarnVersion& version);

/// The name users see, such as "Zarn 8 Update 45 (64-bit)"; `bitness` is 32 or 64.
std::string displayName(const ZarnVersion& version, int bitness);

}  // namespace ZarnVersionDetails
