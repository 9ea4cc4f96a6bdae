#include "settings/cursor.h"

#include <stdexcept>

#include "foundation/errors.h"

namespace settings_impl {

const Cursor& asCursor(const IParserCursor& cursor) {
    const auto* plain = dynamic_cast<const Cursor*>(&cursor);
    if (plain == nullptr) ZARN_THROW(std::logic_error, "plain-text parser cursor expected");
    return *plain;
}

std::string formatCursor(const IParserCursor& cursor) {
    const Cursor& at = asCursor(cursor);
    return "line " + std::to_string(std::uint64_t{at.line} + 1) + "; char " +
           std::to_string(std::uint64_t{at.column} + 1);
}

}  // namespace settings_impl
