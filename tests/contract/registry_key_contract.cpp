// The registry key wrapper against whichever registry the machine has: typed reads with their type and
// size checks, writes, enumeration, views, and the failure messages callers log.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "contract.h"
#include "foundation/errors.h"
#include "foundation/registry_key.h"
#include "platform/win_errors.h"
#include "support/error_of.h"

namespace {

namespace reg = platform::reg;
using platform::RegKey;

class RegistryKeyContract : public testing::Test {
protected:
    const std::string path = "Software\\" + contract::runId() + "\\Key";
    RegistryKey key;  // `path`, made and opened for writing

    void SetUp() override {
        key.open(RegKey::currentUser, path, true, true);
        ASSERT_TRUE(key.isOpen());
    }

    // Stores bytes as they are, to build values the wrapper itself would never write.
    static void storeRaw(const RegistryKey& target, const std::string& name, std::uint32_t type,
                         const std::string& bytes) {
        ASSERT_EQ(platform::machine().registry().setValue(target.handle(), name, type,
                                                          reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                                          static_cast<std::uint32_t>(bytes.size())),
                  platform::err::success);
    }

    void TearDown() override {
        key.close();
        contract::removeRunKeys();
    }
};

TEST_F(RegistryKeyContract, WrittenValuesReadBack) {
    key.setDwordValue("Dword", 0xC0FFEE);
    key.setStringValue("Text", "Gr\xC3\xBC\xC3\x9F" "e");
    const std::vector<std::uint8_t> bytes = {0, 1, 2, 255};
    key.setBinaryValue("Binary", bytes);

    EXPECT_EQ(key.queryDwordValue("Dword"), 0xC0FFEEu);
    EXPECT_EQ(key.queryStringValue("Text"), "Gr\xC3\xBC\xC3\x9F" "e");
    EXPECT_EQ(key.queryBinaryValue("Binary"), bytes);
    const auto raw = key.queryValue("Text");
    EXPECT_EQ(raw.type, reg::sz);
    EXPECT_EQ(raw.bytes.back(), 0) << "the string is stored with its NUL";

    // Larger than the first buffer, read whole.
    std::vector<std::uint8_t> large(5000);
    for (std::size_t i = 0; i < large.size(); ++i) large[i] = static_cast<std::uint8_t>(i * 7);
    key.setBinaryValue("Large", large);
    const std::string text(3000, 'x');
    key.setStringValue("LongText", text);
    EXPECT_EQ(key.queryBinaryValue("Large"), large);
    EXPECT_EQ(key.queryStringValue("LongText"), text);
}

TEST_F(RegistryKeyContract, StringsKeepEverythingButOneTerminator) {
    const struct {
        const char* name;
        std::uint32_t type;
        std::string stored;
        std::string expected;
    } rows[] = {
        {"without NUL", reg::sz, "whole", "whole"},
        {"with NUL", reg::sz, std::string("text\0", 5), "text"},
        {"two NULs lose one", reg::sz, std::string("ab\0\0", 4), std::string("ab\0", 3)},
        {"expandable, not expanded", reg::expandSz, std::string("%TEMP%\\x\0", 9), "%TEMP%\\x"},
    };
    for (const auto& row : rows) {
        storeRaw(key, row.name, row.type, row.stored);
        EXPECT_EQ(key.queryStringValue(row.name), row.expected) << row.name;
    }
}

TEST_F(RegistryKeyContract, FailuresNameOperationSubjectAndCause) {
    storeRaw(key, "NumberAsText", reg::sz, std::string("42\0", 3));
    storeRaw(key, "ShortDword", reg::dword, std::string("\x01\x02", 2));
    key.setDwordValue("Dword", 7);
    RegistryKey readOnly;
    readOnly.open(RegKey::currentUser, path);
    const std::string notFound = WinErrorHandling::systemErrorText(platform::err::fileNotFound);
    const std::string absentKey = path + "\\Absent";
    const struct {
        const char* name;
        std::function<void()> action;
        std::string expected;
    } rows[] = {
        {"DWORD stored as text", [&] { (void)key.queryDwordValue("NumberAsText"); },
         "query dword value (NumberAsText) error: wrong type"},
        {"DWORD of two bytes", [&] { (void)key.queryDwordValue("ShortDword"); },
         "query dword value (ShortDword) error: wrong size"},
        {"DWORD read as text", [&] { (void)key.queryStringValue("Dword"); },
         "query string value (Dword) error: wrong type"},
        {"text read as binary", [&] { (void)key.queryBinaryValue("NumberAsText"); },
         "query binary value (NumberAsText) error: wrong type"},
        {"open without create", [&] { RegistryKey(0).open(RegKey::currentUser, absentKey); },
         "open key (" + absentKey + ") error: " + notFound},
        {"missing value", [&] { (void)key.queryStringValue("Absent"); },
         "query string value (Absent) error: " + notFound},
        {"write to a key opened for reading", [&] { readOnly.setDwordValue("V", 1); },
         "set dword value (V) error: " + WinErrorHandling::systemErrorText(platform::err::accessDenied)},
    };
    for (const auto& row : rows) {
        const std::string message = test_support::errorOf(row.action);
        EXPECT_TRUE(message.ends_with(row.expected)) << row.name << ": " << message;
    }
    EXPECT_TRUE(key.isOpen()) << "a failed query leaves the key open";
}

}  // namespace
