#include "settings/error_counter.h"

namespace settings_impl {

void ParserErrorCounter::onError(const IParserCursor& cursor, const std::string& message) {
    ++count_;
    if (inner_ != nullptr) inner_->onError(cursor, message);
}

}  // namespace settings_impl
