// Writes a configuration back as plain text: "key=value" or a bare key, one a line, in key order.
#pragma once

#include <string>

#include "settings/config.h"

namespace settings_impl {

class IConfigEntrySerializer {
public:
    virtual ~IConfigEntrySerializer() = default;
    virtual void writeKey(const std::string& key) = 0;
    virtual void writeEntry(const std::string& key, const std::string& value) = 0;
};

class PlainTextEntrySerializer final : public IConfigEntrySerializer {
public:
    void writeKey(const std::string& key) override;
    void writeEntry(const std::string& key, const std::string& value) override;
    const std::string& text() const { return out_; }

private:
    std::string out_;
};

/// Every key in map order, through `serializer`.
void serialize(const Config& config, IConfigEntrySerializer& serializer);

/// The plain text of `config`.
std::string toPlainText(const Config& config);

}  // namespace settings_impl
