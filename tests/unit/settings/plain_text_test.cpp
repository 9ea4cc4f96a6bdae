#include <gtest/gtest.h>

#include <memory>

#include "settings/plain_text.h"

namespace {

using settings_impl::findInvalidUtf8;

TEST(PlainText, FirstFailingByte) {
    const struct {
        const char* name;
        std::string text;
        std::size_t failsAt;  // npos: passes
    } rows[] = {
        {"empty", "", std::string::npos},
        {"ASCII", "KEY=value\r\n", std::string::npos},
        {"NUL is a character", std::string("a\0b", 3), std::string::npos},
        {"two-byte", "\xC3\xA4", std::string::npos},
        {"three-byte", "\xE2\x82\xAC", std::string::npos},
        {"four-byte", "\xF0\x9F\x98\x80", std::string::npos},
        {"five-byte", "\xF8\x88\x80\x80\x80", std::string::npos},
        {"six-byte", "\xFC\x84\x80\x80\x80\x80", std::string::npos},
        {"byte-order mark", "\xEF\xBB\xBFKEY=1", std::string::npos},
        {"0xFF", "ab\xFF", 2},
        {"0xFE", "\xFE", 0},
        {"stray continuation", "a\x80", 1},
        {"bad continuation", "x\xC3(", 2},
        {"two-byte cut off at the end", "ab\xC3", 2},
        {"four-byte cut off at the end", "\xF0\x9F\x98", 0},
        {"six-byte cut off at the end", "\xFC\x84\x80\x80\x80", 0},
        {"cut off by a line end", "\xE2\x82\nX", 2},
    };
    for (const auto& row : rows) {
        const std::size_t expected = row.failsAt == std::string::npos ? row.text.size() : row.failsAt;
        EXPECT_EQ(findInvalidUtf8(row.text), expected) << row.name;
    }
}

TEST(PlainText, NeverReadsPastTheEnd) {
    // The lead byte sits at the very end of a heap block: ASan reports any read beyond it.
    for (const char lead : {'\xC3', '\xE2', '\xF0', '\xF8', '\xFC'}) {
        const auto block = std::make_unique<char[]>(1);
        block[0] = lead;
        EXPECT_FALSE(settings_impl::isPlainText(std::string_view(block.get(), 1))) << static_cast<int>(lead);
    }
}

}  // namespace
