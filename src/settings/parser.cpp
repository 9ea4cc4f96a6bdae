#include "settings/parser.h"

#include "settings/config_builder.h"
#include "settings/error_counter.h"
#include "settings/errors.h"

namespace settings_impl {

namespace {

constexpr std::string_view blanks = " \t";

std::string_view trimRight(std::string_view text) {
    const auto end = text.find_last_not_of(blanks);
    return end == std::string_view::npos ? std::string_view{} : text.substr(0, end + 1);
}

std::string_view trim(std::string_view text) {
    const auto start = text.find_first_not_of(blanks);
    return start == std::string_view::npos ? std::string_view{} : trimRight(text.substr(start));
}

// Calls `onLine(line, index)` for every line; a text ending with a line end has a last, empty line.
template <class OnLine>
void forEachLine(std::string_view text, OnLine onLine) {
    std::size_t pos = 0;
    for (std::uint32_t index = 0;; ++index) {
        const auto end = text.find_first_of("\r\n", pos);
        if (end == std::string_view::npos) {
            onLine(text.substr(pos), index);
            return;
        }
        if (!onLine(text.substr(pos, end - pos), index)) return;
        pos = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
    }
}

}  // namespace

bool PlainTextFileConfigParser::parseLine(std::string_view line, std::uint32_t index,
                                          IConfigParserCallback& callback) const {
    const auto start = line.find_first_not_of(blanks);
    if (start == std::string_view::npos) return true;
    const Cursor cursor(index, static_cast<std::uint32_t>(start));
    const auto fail = [&](std::int32_t code) {
        callback.onError(cursor, code);
        return false;
    };

    if (line[start] == '#') {
        return callback.onComment(cursor, std::string(line.substr(start))) || fail(code::invalidComment);
    }
    const auto separator = line.find_first_of("=:", start);
    if (separator == std::string_view::npos) {
        if (!allowKeyWithoutValue_) return fail(code::keyWithoutValue);
        callback.onKeyValue(cursor, std::string(trimRight(line.substr(start))), std::nullopt);
        return true;
    }
    const std::string key(trimRight(line.substr(start, separator - start)));
    if (key.empty()) return fail(code::emptyKey);
    const auto result = callback.onKeyValue(cursor, key, std::string(trim(line.substr(separator + 1))));
    return result == code::accepted || fail(result);
}

std::unique_ptr<Config> PlainTextFileConfigParser::parse() {
    const std::string text = source_->read();
    ParserErrorCounter counter(listener_);
    ConfigBuilder builder(&formatCursor, validator_, keyMapper_, &counter);
    forEachLine(text, [&](std::string_view line, std::uint32_t index) {
        bool accepted = false;
        try {
            accepted = parseLine(line, index, builder);
        } catch (const settings::Exception&) {
            if (stopOnError_) throw;
        }
        return accepted || !stopOnError_;
    });
    if (counter.count() != 0 && stopOnError_) return nullptr;
    return std::make_unique<Config>(std::move(builder.config()));
}

}  // namespace settings_impl
