#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "contract.h"
#include "platform/win_errors.h"

namespace {

namespace reg = platform::reg;
namespace err = platform::err;
using platform::RegKey;

class RegistryContract : public testing::Test {
protected:
    platform::Registry& r = platform::machine().registry();
    const std::string user = "Software\\" + contract::runId();
    const std::string machine = "SOFTWARE\\" + contract::runId();
    std::vector<RegKey> open;

    RegKey create(RegKey root, const std::string& path, std::uint32_t access = reg::allAccess) {
        RegKey key = RegKey::null;
        EXPECT_EQ(r.createKey(root, path, access, key), err::success) << path;
        open.push_back(key);
        return key;
    }
    platform::ErrorCode openKey(RegKey root, const std::string& path, std::uint32_t access, RegKey& key) {
        const auto e = r.openKey(root, path, access, key);
        if (e == err::success) open.push_back(key);
        return e;
    }
    void setText(RegKey key, const std::string& name, const std::string& text, bool withNul = true) {
        EXPECT_EQ(r.setValue(key, name, reg::sz, reinterpret_cast<const std::uint8_t*>(text.c_str()),
                             static_cast<std::uint32_t>(text.size() + (withNul ? 1 : 0))),
                  err::success);
    }
    std::vector<std::uint8_t> query(RegKey key, const std::string& name, std::uint32_t& type) {
        std::uint32_t size = 0;
        EXPECT_EQ(r.queryValue(key, name, &type, nullptr, size), err::success) << name;
        std::vector<std::uint8_t> data(size);
        EXPECT_EQ(r.queryValue(key, name, &type, data.data(), size), err::success) << name;
        data.resize(size);
        return data;
    }

    void TearDown() override {
        for (const auto key : open) r.closeKey(key);
        contract::removeRunKeys();
    }
};

TEST_F(RegistryContract, ViewsAreKeptApart) {
    const RegKey k32 = create(RegKey::localMachine, machine + "\\View", reg::allAccess | reg::wow64_32Key);
    setText(k32, "Where", "32");
    RegKey key = RegKey::null;
    EXPECT_EQ(openKey(RegKey::localMachine, machine + "\\View", reg::read | reg::wow64_64Key, key), err::fileNotFound);
    ASSERT_EQ(openKey(RegKey::localMachine, machine + "\\View", reg::read | reg::wow64_32Key, key), err::success);
    std::uint32_t type = 0;
    EXPECT_EQ(query(key, "Where", type), (std::vector<std::uint8_t>{'3', '2', 0}));

    const RegKey k64 = create(RegKey::localMachine, machine + "\\View", reg::allAccess | reg::wow64_64Key);
    setText(k64, "Where", "64");
    EXPECT_EQ(query(key, "Where", type), (std::vector<std::uint8_t>{'3', '2', 0}));
    EXPECT_EQ(r.deleteKey(RegKey::localMachine, machine + "\\View", reg::wow64_64Key), err::success);
    EXPECT_EQ(r.deleteKey(RegKey::localMachine, machine + "\\View", reg::wow64_64Key), err::fileNotFound);
    EXPECT_EQ(query(key, "Where", type), (std::vector<std::uint8_t>{'3', '2', 0}));
    // A delete names its view: a 64-bit process reaches the 32-bit key only through it.
    EXPECT_EQ(r.deleteKey(RegKey::localMachine, machine + "\\View", reg::wow64_32Key), err::success);
    RegKey gone = RegKey::null;
    EXPECT_EQ(r.openKey(RegKey::localMachine, machine + "\\View", reg::read | reg::wow64_32Key, gone),
              err::fileNotFound);
}

TEST_F(RegistryContract, KeyAndValueNamesIgnoreCase) {
    const RegKey created = create(RegKey::currentUser, user + "\\MixedCase");
    setText(created, "ValueName", "x");
    RegKey key = RegKey::null;
    ASSERT_EQ(openKey(RegKey::currentUser, "SOFTWARE\\" + contract::runId() + "\\MIXEDCASE", reg::read, key),
              err::success);
    std::uint32_t type = 0;
    EXPECT_EQ(query(key, "valuename", type).size(), 2u);

    RegKey parent = RegKey::null;
    ASSERT_EQ(openKey(RegKey::currentUser, user, reg::read, parent), err::success);
    std::string name;
    EXPECT_EQ(r.enumKey(parent, 0, name), err::success);
    EXPECT_EQ(name, "MixedCase");
}

TEST_F(RegistryContract, SmallBufferAnswersMoreDataWithTheSizeNeeded) {
    const RegKey key = create(RegKey::currentUser, user);
    setText(key, "Text", "hello world");
    std::uint8_t small[4] = {};
    std::uint32_t size = sizeof small;
    std::uint32_t type = 0;
    EXPECT_EQ(r.queryValue(key, "Text", &type, small, size), err::moreData);
    EXPECT_EQ(size, 12u);
    std::vector<std::uint8_t> whole(size);
    EXPECT_EQ(r.queryValue(key, "Text", &type, whole.data(), size), err::success);
    EXPECT_EQ(type, reg::sz);
    EXPECT_EQ(std::string(whole.begin(), whole.end()), std::string("hello world", 12));
}

TEST_F(RegistryContract, EnumerationEndsWithNoMoreItems) {
    const RegKey key = create(RegKey::currentUser, user + "\\Parent");
    std::string name;
    std::uint32_t type = 0;
    create(RegKey::currentUser, user + "\\Parent\\A");
    create(RegKey::currentUser, user + "\\Parent\\B");
    setText(key, "V", "1");
    EXPECT_EQ(r.enumKey(key, 0, name), err::success);
    EXPECT_EQ(r.enumKey(key, 1, name), err::success);
    EXPECT_EQ(r.enumKey(key, 2, name), err::noMoreItems);
    EXPECT_EQ(r.enumValue(key, 0, name, type), err::success);
    EXPECT_EQ(name, "V");
    EXPECT_EQ(type, reg::sz);
    EXPECT_EQ(r.enumValue(key, 1, name, type), err::noMoreItems);
    platform::RegKeyInfo info;
    EXPECT_EQ(r.queryInfo(key, info), err::success);
    EXPECT_EQ(info.subKeys, 2u);
    EXPECT_EQ(info.values, 1u);
}

TEST_F(RegistryContract, ValuesKeepTheirTypesAndBytes) {
    const RegKey key = create(RegKey::currentUser, user);
    const std::uint32_t number = 0xC0FFEE;
    ASSERT_EQ(r.setValue(key, "Dword", reg::dword, reinterpret_cast<const std::uint8_t*>(&number), 4), err::success);
    const std::uint8_t bytes[] = {0, 1, 2, 255};
    ASSERT_EQ(r.setValue(key, "Binary", reg::binary, bytes, sizeof bytes), err::success);
    setText(key, "NoNul", "hello", false);
    setText(key, "Unicode", "Gr\xC3\xBC\xC3\x9F" "e \xE4\xB8\xAD");

    const struct {
        const char* name;
        std::uint32_t type;
        std::vector<std::uint8_t> bytes;
    } rows[] = {
        {"Dword", reg::dword, {0xEE, 0xFF, 0xC0, 0}},
        {"Binary", reg::binary, {0, 1, 2, 255}},
        {"NoNul", reg::sz, {'h', 'e', 'l', 'l', 'o'}},
        {"Unicode", reg::sz, {'G', 'r', 0xC3, 0xBC, 0xC3, 0x9F, 'e', ' ', 0xE4, 0xB8, 0xAD, 0}},
    };
    for (const auto& row : rows) {
        std::uint32_t type = 0;
        EXPECT_EQ(query(key, row.name, type), row.bytes) << row.name;
        EXPECT_EQ(type, row.type) << row.name;
    }
}

TEST_F(RegistryContract, CreatingAndDeletingKeys) {
    create(RegKey::currentUser, user + "\\Tree\\Leaf");
    EXPECT_EQ(r.deleteKey(RegKey::currentUser, user + "\\Tree", 0), err::accessDenied);
    EXPECT_EQ(r.deleteKey(RegKey::currentUser, user + "\\Tree\\Leaf", 0), err::success);
    create(RegKey::currentUser, user + "\\Tree\\Leaf2\\Deeper");
    EXPECT_EQ(r.deleteTree(RegKey::currentUser, user + "\\Tree"), err::success);
    RegKey key = RegKey::null;
    EXPECT_EQ(openKey(RegKey::currentUser, user + "\\Tree", reg::read, key), err::fileNotFound);
    EXPECT_EQ(r.deleteValue(create(RegKey::currentUser, user), "Absent"), err::fileNotFound);

    std::uint32_t disposition = 0;
    ASSERT_EQ(r.createKey(RegKey::currentUser, user + "\\Fresh", reg::allAccess, key, &disposition), err::success);
    r.closeKey(key);
    EXPECT_EQ(disposition, reg::createdNewKey);
    ASSERT_EQ(r.createKey(RegKey::currentUser, user + "\\Fresh", reg::allAccess, key, &disposition), err::success);
    r.closeKey(key);
    EXPECT_EQ(disposition, reg::openedExistingKey);
    EXPECT_EQ(r.closeKey(RegKey::localMachine), err::success);
}

}  // namespace
