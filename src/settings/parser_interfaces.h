// The parser, the callback it reports lines to, and the listener told about malformed lines.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "settings/config.h"
#include "settings/cursor.h"

namespace settings_impl {

class ConfigValidator;
class IKeyMapper;

class IParserErrorListener {
public:
    virtual ~IParserErrorListener() = default;
    virtual void onError(const IParserCursor& cursor, const std::string& message) = 0;
};

class IConfigParserCallback {
public:
    virtual ~IConfigParserCallback() = default;
    /// `comment` runs from the comment character to the end of the line; false refuses it.
    virtual bool onComment(const IParserCursor& cursor, std::string_view comment) = 0;
    /// Key and value trimmed; no value for a key without value. `code::accepted` accepts the line,
    /// any other result fails it with that code.
    virtual std::int32_t onKeyValue(const IParserCursor& cursor, const std::string& key,
                                    const std::optional<std::string>& value) = 0;
    /// Told every line failure with its code.
    virtual void onError(const IParserCursor& cursor, std::int32_t code) = 0;
};

class IConfigParser {
public:
    virtual ~IConfigParser() = default;
    /// The validator, key mapper and listener are not owned and may be null.
    virtual void setValidator(const ConfigValidator* validator) = 0;
    virtual void setKeyMapper(const IKeyMapper* keyMapper) = 0;
    virtual void setErrorListener(IParserErrorListener* listener) = 0;
    virtual void setStopOnError(bool stop) = 0;
    virtual void setAllowKeyWithoutValue(bool allow) = 0;
    /// The configuration read, or null when a line failed and the parser stops on errors.
    virtual std::unique_ptr<Config> parse() = 0;
};

}  // namespace settings_impl
