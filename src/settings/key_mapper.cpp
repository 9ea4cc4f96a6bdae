#include "settings/key_mapper.h"

#include "settings/ascii.h"

namespace settings_impl {

SimpleKeyMapper::SimpleKeyMapper(std::string source, std::string target, bool caseSensitive)
    : source_(std::move(source)), sourceLower_(lowerAscii(source_)), target_(std::move(target)),
      caseSensitive_(caseSensitive) {}

MappedKey SimpleKeyMapper::map(const std::string& key) const {
    if (key == source_ || (!caseSensitive_ && equalsNoCaseAscii(key, sourceLower_))) return {target_, true};
    return {key, false};
}

MappedKey CompositeKeyMapper::map(const std::string& key) const {
    // A mapper that does not match hands the key back unchanged, so every one is asked the same key.
    for (auto mapper = mappers_.rbegin(); mapper != mappers_.rend(); ++mapper) {
        MappedKey result = (*mapper)->map(key);
        if (result.matched) return result;
    }
    return {key, false};
}

void KeyMapperBuilder::addMapping(std::string source, std::string target, bool caseSensitive) {
    factories_.push_back(
        std::make_unique<KeyMapperFactory<SimpleKeyMapper>>(std::move(source), std::move(target), caseSensitive));
}

std::unique_ptr<IKeyMapper> KeyMapperBuilder::build() const {
    std::vector<std::unique_ptr<IKeyMapper>> mappers;
    mappers.reserve(factories_.size());
    for (const auto& factory : factories_) mappers.push_back(factory->create());
    return std::make_unique<CompositeKeyMapper>(std::move(mappers));
}

}  // namespace settings_impl
