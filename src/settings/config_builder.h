// The parser callback that turns accepted lines into a configuration.
#pragma once

#include <string>
#include <unordered_map>

#include "settings/parser_interfaces.h"

namespace settings_impl {

class ConfigBuilder final : public IConfigParserCallback {
public:
    using CursorFormatter = std::string (*)(const IParserCursor&);

    ConfigBuilder(CursorFormatter formatter, const ConfigValidator* validator, const IKeyMapper* keyMapper,
                  IParserErrorListener* listener)
        : formatter_(formatter), validator_(validator), keyMapper_(keyMapper), listener_(listener) {}

    /// Accepts every comment.
    bool onComment(const IParserCursor& cursor, std::string_view comment) override;
    /// Maps the key, validates a given value (303 unknown key, 304 refused value) and stores the pair;
    /// the last line of a key wins.
    std::int32_t onKeyValue(const IParserCursor& cursor, const std::string& key,
                            const std::optional<std::string>& value) override;
    /// Tells the listener "\"<message>\" at <cursor>".
    void onError(const IParserCursor& cursor, std::int32_t code) override;

    Config& config() { return config_; }

private:
    /// The key mapper's answer for `key`; a file repeats its keys, and each spelling is mapped once.
    const std::string& mapped(const std::string& key);

    CursorFormatter formatter_;
    const ConfigValidator* validator_;
    const IKeyMapper* keyMapper_;
    IParserErrorListener* listener_;
    std::unordered_map<std::string, std::string> mappedKeys_;
    Config config_;
};

/// The message of a line failure code: "Key without value", "Empty key", ..., "Unknown error".
const char* lineErrorMessage(std::int32_t code);

}  // namespace settings_impl
