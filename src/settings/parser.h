// The plain-text parser: key=value (or key:value) lines, "#" comments, CR LF, LF or CR line ends.
#pragma once

#include <memory>
#include <string_view>

#include "settings/cursor.h"
#include "settings/parser_interfaces.h"
#include "settings/text_buffer.h"

namespace settings_impl {

class PlainTextFileConfigParser final : public IConfigParser {
public:
    using IBuffer = settings_impl::IBuffer;
    using Cursor = settings_impl::Cursor;

    explicit PlainTextFileConfigParser(std::unique_ptr<IBuffer> source) : source_(std::move(source)) {}

    void setValidator(const ConfigValidator* validator) override { validator_ = validator; }
    void setKeyMapper(const IKeyMapper* keyMapper) override { keyMapper_ = keyMapper; }
    void setErrorListener(IParserErrorListener* listener) override { listener_ = listener; }
    void setStopOnError(bool stop) override { stopOnError_ = stop; }
    void setAllowKeyWithoutValue(bool allow) override { allowKeyWithoutValue_ = allow; }

    /// Reading the source fails before any line is looked at (304, 307, 314, 315).
    std::unique_ptr<Config> parse() override;

private:
    /// True when the line is accepted; a failed line has been reported to `callback`.
    bool parseLine(std::string_view line, std::uint32_t index, IConfigParserCallback& callback) const;

    const ConfigValidator* validator_ = nullptr;
    const IKeyMapper* keyMapper_ = nullptr;
    IParserErrorListener* listener_ = nullptr;
    bool stopOnError_ = true;
    bool allowKeyWithoutValue_ = false;
    std::unique_ptr<IBuffer> source_;
};

}  // namespace settings_impl
