#include "settings/parser.h"

#include <cstring>

#include "settings/config_builder.h"
#include "settings/error_counter.h"
#include "settings/errors.h"

namespace settings_impl {

namespace {

// The scans are written out: the library's find_first_of and find_first_not_of search their set once
// for every character, which made them a large part of the cost of a large file.
bool isBlank(char c) { return c == ' ' || c == '\t'; }

/// The first position from `from` holding one of `a` and `b`, or npos.
std::size_t findEither(std::string_view text, char a, char b, std::size_t from) {
    for (std::size_t at = from; at < text.size(); ++at) {
        if (text[at] == a || text[at] == b) return at;
    }
    return std::string_view::npos;
}

std::size_t firstNonBlank(std::string_view text) {
    std::size_t at = 0;
    while (at < text.size() && isBlank(text[at])) ++at;
    return at < text.size() ? at : std::string_view::npos;
}

std::string_view trimRight(std::string_view text) {
    while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
    return text;
}

std::string_view trim(std::string_view text) {
    const auto start = firstNonBlank(text);
    return start == std::string_view::npos ? std::string_view{} : trimRight(text.substr(start));
}

/// The first line end ("\r" or "\n") from `from`, or npos; memchr, as long lines are the rule.
std::size_t findLineEnd(std::string_view text, std::size_t from) {
    const char* const start = text.data() + from;
    const std::size_t length = text.size() - from;
    const auto* newline = static_cast<const char*>(std::memchr(start, '\n', length));
    const std::size_t before = newline != nullptr ? static_cast<std::size_t>(newline - start) : length;
    const auto* carriage = static_cast<const char*>(std::memchr(start, '\r', before));
    if (carriage != nullptr) return from + static_cast<std::size_t>(carriage - start);
    return newline != nullptr ? from + before : std::string_view::npos;
}

// Calls `onLine(line, index)` for every line; a text ending with a line end has a last, empty line.
template <class OnLine>
void forEachLine(std::string_view text, OnLine onLine) {
    std::size_t pos = 0;
    for (std::uint32_t index = 0;; ++index) {
        const auto end = findLineEnd(text, pos);
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
    const auto start = firstNonBlank(line);
    if (start == std::string_view::npos) return true;
    const Cursor cursor(index, static_cast<std::uint32_t>(start));
    const auto fail = [&](std::int32_t code) {
        callback.onError(cursor, code);
        return false;
    };

    if (line[start] == '#') {
        return callback.onComment(cursor, line.substr(start)) || fail(code::invalidComment);
    }
    const auto separator = findEither(line, '=', ':', start);
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
