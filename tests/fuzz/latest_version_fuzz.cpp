// The latest-version document comes from the network. Any text either fails with a version error or
// gives families from which only runtimes below their baseline are chosen, sorted, never this version.
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "scrub/latest_version.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    zscrub::FamilyTable table;
    try {
        zscrub::parseLatestVersionXml(text, table);
    } catch (const std::runtime_error&) {
        return 0;
    }
    static const std::vector<zscrub::ScrubVersion> installed = {{ZarnVersion("1.6.0_45"), 32},
                                                                {ZarnVersion("1.7.0_45"), 64},
                                                                {ZarnVersion("1.8.0_45"), 64},
                                                                {ZarnVersion("1.7.0"), 64},
                                                                {ZarnVersion("1.8.0_20"), 32}};
    const auto candidates = zscrub::outOfDateVersions(table, "1.8.0_45", installed);
    for (std::size_t i = 0; i < candidates.size(); ++i) {
        const auto& c = candidates[i];
        const auto family = table.find(zscrub::familyKey(c.version));
        if (family == table.end() || !(c.version < family->second.baselineVersion) ||
            c.version == ZarnVersion("1.8.0_45") || (i > 0 && c.version < candidates[i - 1].version)) {
            __builtin_trap();
        }
    }
    return 0;
}
