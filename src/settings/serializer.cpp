#include "settings/serializer.h"

namespace settings_impl {

void PlainTextEntrySerializer::writeKey(const std::string& key) { out_.append(key).push_back('\n'); }

void PlainTextEntrySerializer::writeEntry(const std::string& key, const std::string& value) {
    out_.append(key).append("=").append(value).push_back('\n');
}

void serialize(const Config& config, IConfigEntrySerializer& serializer) {
    for (const auto& [key, value] : config.entries()) {
        if (value) {
            serializer.writeEntry(key, value->text());
        } else {
            serializer.writeKey(key);
        }
    }
}

std::string toPlainText(const Config& config) {
    PlainTextEntrySerializer serializer;
    serialize(config, serializer);
    return serializer.text();
}

}  // namespace settings_impl
