// Which installed runtimes are out of date: the latest-version document names, for each runtime family,
// its latest version, its security baseline and a version range; an installed runtime below its
// family's baseline is a removal candidate.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/version_details.h"
#include "foundation/xml_reader.h"

namespace zscrub {

struct VersionFamily {
    ZarnVersion id;
    ZarnVersion latestVersion;
    ZarnVersion baselineVersion;
    ZarnVersion minVersion;
    ZarnVersion maxVersion;
};

/// Families by their id text, in byte order.
using FamilyTable = std::map<std::string, VersionFamily>;

/// An installed runtime, and a removal candidate.
struct ScrubVersion {
    static constexpr std::uint32_t created = 1;
    /// Within its family's range.
    static constexpr std::uint32_t inRange = 8;

    ZarnVersion version;
    std::uint32_t bitness = 64;
    std::uint32_t flags = created;

    /// The same runtime: same bitness and all five components equal (the texts take no part).
    bool sameRuntime(const ScrubVersion& other) const { return bitness == other.bitness && version == other.version; }
};

/// "major.minor.micro" of `version`: the family it belongs to.
std::string familyKey(const ZarnVersion& version);

/// The document, fetched with the user agent "ZarnScrub"; transport failures throw.
std::string fetchLatestVersionXml();

/// The five texts of a family element (id, latest, baseline, min, max); false, outputs untouched,
/// when it has no child or no id.
bool readVersionFamily(const xml::Node& element, std::string& id, std::string& latest, std::string& baseline,
                       std::string& min, std::string& max);

/// Fills `table` from the document; false when the text yields no node. A version text that does not
/// parse throws.
bool parseLatestVersionXml(std::string_view text, FamilyTable& table);

/// Every runtime installed on the machine (both views on 64-bit Windows, no development kits).
std::vector<ScrubVersion> installedRuntimes();

/// The installed runtimes below their family's baseline, other than `currentVersion`, ascending by
/// version, with `table` as the families.
std::vector<ScrubVersion> outOfDateVersions(const FamilyTable& table, std::string_view currentVersion,
                                            const std::vector<ScrubVersion>& installed);

/// Fetches and reads the document, then selects from the installed runtimes. Throws what the fetch
/// or the parse throws.
std::vector<ScrubVersion> findOutOfDateVersions(std::string_view currentVersion);

}  // namespace zscrub
