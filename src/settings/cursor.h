// Positions in the configuration text, and their text for messages.
#pragma once

#include <cstdint>
#include <string>

namespace settings_impl {

class IParserCursor {
public:
    virtual ~IParserCursor() = default;
};

/// The plain-text parser's position: the 0-based line and the 0-based byte offset of the line's
/// first character that is not a blank.
class Cursor final : public IParserCursor {
public:
    Cursor(std::uint32_t lineIndex, std::uint32_t columnIndex) : line(lineIndex), column(columnIndex) {}
    std::uint32_t line;
    std::uint32_t column;
};

/// The plain-text parser's cursor behind `cursor`; any other kind is a programming error.
const Cursor& asCursor(const IParserCursor& cursor);

/// "line <line + 1>; char <column + 1>".
std::string formatCursor(const IParserCursor& cursor);

}  // namespace settings_impl
