#include "scrub/latest_version.h"

#include <algorithm>

#include "foundation/product_sites.h"
#include "foundation/zarn_environment.h"
#include "net/http_connection.h"
#include "net/network_bounds.h"

namespace zscrub {

namespace {

constexpr const char* userAgent = "ZarnScrub";

// Runtimes only, the 32-bit view, and the 64-bit view where there is one.
constexpr std::uint32_t installedRuntimeFlags = zarn_env::runtimes | zarn_env::view32 | zarn_env::view64;

// The text of `element`'s child element `name`, when it has content.
void readChild(const xml::Node& element, std::string_view name, std::string& text) {
    const xml::Node* child = element.childElement(name);
    if (child == nullptr) return;
    std::string content = child->childText();
    if (!content.empty()) text = std::move(content);
}

}  // namespace

std::string familyKey(const ZarnVersion& version) {
    using namespace ZarnVersionDetails;
    return std::to_string(version[major]) + "." + std::to_string(version[minor]) + "." + std::to_string(version[micro]);
}

std::string fetchLatestVersionXml() {
    return net::within<std::string>(net::requestDeadlineMs, [](const auto& handles) {
        return HttpConnection(product::sites::latestVersionDocument)
            .setUserAgent(userAgent)
            .setMethod(HttpConnection::get)
            .connect(true, handles)
            .saveToString();
    });
}

bool readVersionFamily(const xml::Node& element, std::string& id, std::string& latest, std::string& baseline,
                       std::string& min, std::string& max) {
    const std::string* idText = element.attribute("id");
    if (element.firstChild == nullptr || idText == nullptr) return false;
    id = *idText;
    latest = id;
    readChild(element, "latestVersion", latest);
    baseline = id;
    readChild(element, "baselineVersion", baseline);
    min = id;
    max = latest;
    if (const xml::Node* ranges = element.childElement("ranges")) {
        if (const xml::Node* range = ranges->childElement("range")) {
            readChild(*range, "minVersion", min);
            readChild(*range, "maxVersion", max);
        }
    }
    return true;
}

bool parseLatestVersionXml(std::string_view text, FamilyTable& table) {
    const xml::Document document = xml::Document::parse(text);
    if (document.first() == nullptr) return false;
    const xml::Node* versions = document.topElement("kobuVersions");
    const xml::Node* family = versions != nullptr ? versions->childElement("family") : nullptr;
    for (; family != nullptr; family = family->nextSibling) {
        std::string id, latest, baseline, min, max;
        if (!family->isElement() || !readVersionFamily(*family, id, latest, baseline, min, max)) continue;
        table.insert_or_assign(id, VersionFamily{ZarnVersion(id), ZarnVersion(latest), ZarnVersion(baseline),
                                                 ZarnVersion(min), ZarnVersion(max)});
    }
    return true;
}

std::vector<ScrubVersion> installedRuntimes() {
    std::vector<ScrubVersion> installed;
    for (const InstalledProduct& product : ZarnEnvironment::detect(installedRuntimeFlags)) {
        installed.push_back(ScrubVersion{ZarnVersion(ZarnVersionDetails::toString(product.version)),
                                         static_cast<std::uint32_t>(product.architecture), ScrubVersion::created});
    }
    return installed;
}

std::vector<ScrubVersion> outOfDateVersions(const FamilyTable& table, std::string_view currentVersion,
                                            const std::vector<ScrubVersion>& installed) {
    const ZarnVersion current{std::string(currentVersion)};
    std::vector<ScrubVersion> candidates;
    for (const ScrubVersion& runtime : installed) {
        // The runtime being installed is never a candidate, whatever its bitness.
        if (runtime.version == current) continue;
        const auto family = table.find(familyKey(runtime.version));
        if (family == table.end() || !(runtime.version < family->second.baselineVersion)) continue;
        ScrubVersion candidate = runtime;
        if (family->second.minVersion <= runtime.version && runtime.version <= family->second.maxVersion) {
            candidate.flags |= ScrubVersion::inRange;
        }
        candidates.push_back(candidate);
    }
    std::stable_sort(candidates.begin(), candidates.end(),
                     [](const ScrubVersion& a, const ScrubVersion& b) { return a.version < b.version; });
    return candidates;
}

std::vector<ScrubVersion> findOutOfDateVersions(std::string_view currentVersion) {
    FamilyTable table;
    parseLatestVersionXml(fetchLatestVersionXml(), table);
    return outOfDateVersions(table, currentVersion, installedRuntimes());
}

}  // namespace zscrub
