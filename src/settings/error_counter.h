// Counts malformed lines on their way to an optional inner listener.
#pragma once

#include <cstdint>

#include "settings/parser_interfaces.h"

namespace settings_impl {

class ParserErrorCounter final : public IParserErrorListener {
public:
    explicit ParserErrorCounter(IParserErrorListener* inner) : inner_(inner) {}
    /// Counts first, so an inner listener that throws still leaves the line counted.
    void onError(const IParserCursor& cursor, const std::string& message) override;
    std::uint32_t count() const { return count_; }

private:
    std::uint32_t count_ = 0;
    IParserErrorListener* inner_;
};

}  // namespace settings_impl
