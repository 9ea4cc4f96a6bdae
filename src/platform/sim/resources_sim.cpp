#include "platform/sim/resources_sim.h"

#include "platform/sim/text.h"
#include "platform/win_errors.h"

namespace sim {

namespace err = platform::err;
using platform::ErrorCode;

SimResources::Key SimResources::keyOf(const platform::ResourceId& type, const platform::ResourceId& name) {
    return {type.number, lowerAscii(type.name), name.number, lowerAscii(name.name)};
}

void SimResources::add(const platform::ResourceId& type, const platform::ResourceId& name, std::uint16_t language,
                       std::vector<std::uint8_t> bytes) {
    const std::lock_guard lock(mutex_);
    resources_[keyOf(type, name)][language] = std::move(bytes);
}

void SimResources::addString(std::uint16_t language, std::uint32_t id, std::string text) {
    const std::lock_guard lock(mutex_);
    strings_[id][language] = std::move(text);
}

ErrorCode SimResources::find(platform::Module, const platform::ResourceId& type, const platform::ResourceId& name,
                             std::uint16_t language, std::span<const std::uint8_t>& out) {
    if (auto fault = faults_.check("Resources.find")) return *fault;
    const std::lock_guard lock(mutex_);
    const auto key = keyOf(type, name);
    bool typeKnown = false;
    for (const auto& [k, languages] : resources_) {
        if (std::get<0>(k) == std::get<0>(key) && std::get<1>(k) == std::get<1>(key)) typeKnown = true;
    }
    if (!typeKnown) return err::resourceTypeNotFound;
    const auto found = resources_.find(key);
    if (found == resources_.end()) return err::resourceNameNotFound;
    auto& languages = found->second;
    // Language 0 takes the neutral choice: the neutral resource, else US English, else the first.
    auto chosen = languages.find(language);
    if (language == 0 && chosen == languages.end()) chosen = languages.find(1033);
    if (language == 0 && chosen == languages.end()) chosen = languages.begin();
    if (chosen == languages.end()) return err::resourceLangNotFound;
    out = std::span<const std::uint8_t>(chosen->second);
    return err::success;
}

ErrorCode SimResources::loadString(platform::Module, std::uint32_t id, std::uint16_t language, std::string& out) {
    if (auto fault = faults_.check("Resources.loadString")) return *fault;
    const std::lock_guard lock(mutex_);
    const auto found = strings_.find(id);
    if (found == strings_.end()) return err::resourceNameNotFound;
    const auto text = found->second.find(language);
    if (text == found->second.end()) return err::resourceLangNotFound;
    out = text->second;
    return err::success;
}

}  // namespace sim
