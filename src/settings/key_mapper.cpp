#include "settings/key_mapper.h"

#include "settings/ascii.h"

namespace settings_impl {

SimpleKeyMapper::SimpleKeyMapper(std::string source, std::string target, bool caseSensitive)
    : source_(std::move(source)), sourceLower_(lowerAscii(source_)), target_(std::move(target)),
      caseSensitive_(caseSensitive) {}

MappedKey SimpleKeyMapper::map(const std::string& key) const {
    if (key == source_ || (!caseSensitive_ && lowerAscii(key) == sourceLower_)) return {target_, true};
    return {key, false};
}

MappedKey CompositeKeyMapper::map(const std::string& key) const {
    MappedKey result{key, false};
    for (auto mapper = mappers_.rbegin(); mapper != mappers_.rend(); ++mapper) {
        result = (*mapper)->map(result.key);
        if (result.matched) break;
    }
    return result;
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
