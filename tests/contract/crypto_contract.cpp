#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <functional>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "contract.h"
#include "foundation/sha256.h"
#include "platform/win_errors.h"

namespace {

using Digest = std::array<std::uint8_t, platform::Crypto::sha256Size>;

platform::Crypto& crypto() { return platform::machine().crypto(); }

/// A provider context and one SHA-256 hash made from it, released in the right order at the end.
struct Session {
    Session() {
        EXPECT_EQ(crypto().acquireContext(provider), platform::err::success);
        EXPECT_EQ(crypto().createSha256(provider, hash), platform::err::success);
    }
    ~Session() {
        if (hash != platform::CryptHash::null) {
            EXPECT_EQ(crypto().destroyHash(hash), platform::err::success);
        }
        EXPECT_EQ(crypto().releaseContext(provider), platform::err::success);
    }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    platform::ErrorCode add(std::string_view bytes) {
        return crypto().hashData(hash, reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                 static_cast<std::uint32_t>(bytes.size()));
    }
    std::string value() {
        Digest digest{};
        EXPECT_EQ(crypto().hashValue(hash, digest), platform::err::success);
        return toLowerHex(digest);
    }

    platform::CryptProvider provider{};
    platform::CryptHash hash{};
};

// SHA-256 itself, in pieces of any size, is the library's and the hashing unit tests'; here, that both
// machines give the digest and that taking it finishes the hash.
TEST(CryptoContract, KnownDigestsAndAFinishedHash) {
    const struct {
        const char* name;
        std::string_view input;
        const char* digest;
    } rows[] = {
        {"empty", "", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
    };
    for (const auto& row : rows) {
        Session session;
        EXPECT_EQ(session.add(row.input), platform::err::success) << row.name;
        EXPECT_EQ(session.value(), row.digest) << row.name;
    }
    Session untouched;
    EXPECT_EQ(untouched.value(), rows[0].digest) << "a hash given no data at all";
    EXPECT_EQ(untouched.add("d"), platform::err::badHashState) << "taking the value finishes the hash";
    EXPECT_EQ(untouched.add(""), platform::err::badHashState);
}

// CryptoAPI handles are pointers advapi32 checks; a null or stale one is an invalid parameter.
TEST(CryptoContract, StaleAndNullHandlesAreRefused) {
    Digest digest{};
    platform::CryptHash made{};
    const std::uint8_t byte = 0;
    platform::CryptProvider released{};
    platform::CryptHash destroyed{};
    const platform::CryptHash nullHash{};
    const platform::CryptProvider nullProvider{};
    const struct {
        const char* name;
        std::function<platform::ErrorCode()> call;
    } rows[] = {
        {"hash data, destroyed", [&] { return crypto().hashData(destroyed, &byte, 1); }},
        {"hash value, destroyed", [&] { return crypto().hashValue(destroyed, digest); }},
        {"destroy, destroyed", [&] { return crypto().destroyHash(destroyed); }},
        {"create hash, released", [&] { return crypto().createSha256(released, made); }},
        {"release, released", [&] { return crypto().releaseContext(released); }},
        {"hash data, null", [&] { return crypto().hashData(nullHash, &byte, 1); }},
        {"hash value, null", [&] { return crypto().hashValue(nullHash, digest); }},
        {"destroy, null", [&] { return crypto().destroyHash(nullHash); }},
        {"create hash, null", [&] { return crypto().createSha256(nullProvider, made); }},
        {"release, null", [&] { return crypto().releaseContext(nullProvider); }},
    };

    // Nothing allocates between freeing and the calls, so the freed memory is not handed out again.
    ASSERT_EQ(crypto().acquireContext(released), platform::err::success);
    ASSERT_EQ(crypto().createSha256(released, destroyed), platform::err::success);
    ASSERT_EQ(crypto().destroyHash(destroyed), platform::err::success);
    ASSERT_EQ(crypto().releaseContext(released), platform::err::success);
    platform::ErrorCode codes[std::size(rows)] = {};
    for (std::size_t i = 0; i < std::size(rows); ++i) codes[i] = rows[i].call();
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        EXPECT_EQ(codes[i], platform::err::invalidParameter) << rows[i].name;
    }
}

using Bytes = std::vector<std::uint8_t>;

Bytes bytesOf(std::string_view text) { return Bytes(text.begin(), text.end()); }

// Protection round-trips any length exactly; whether 4 bytes came back is the caller's check.
TEST(CryptoContract, ProtectedDataOpensToTheSameBytes) {
    const struct {
        const char* name;
        std::uint32_t flags;
        Bytes plain;
    } rows[] = {
        {"4 bytes, user", platform::protect::uiForbidden, {0x78, 0x56, 0x34, 0x12}},
        {"4 bytes, machine", platform::protect::uiForbidden | platform::protect::localMachine, {0x9a, 0xbc, 0, 0}},
        {"3 bytes, user", platform::protect::uiForbidden, {1, 2, 3}},
        {"8 bytes, machine", platform::protect::uiForbidden | platform::protect::localMachine, bytesOf("8 bytes!")},
    };
    for (const auto& row : rows) {
        Bytes blob;
        ASSERT_EQ(crypto().protectData(row.plain, row.flags, blob), platform::err::success) << row.name;
        EXPECT_GT(blob.size(), row.plain.size()) << row.name;
        EXPECT_EQ(std::search(blob.begin(), blob.end(), row.plain.begin(), row.plain.end()), blob.end())
            << row.name << ": the plain bytes show in the blob";
        Bytes opened;
        ASSERT_EQ(crypto().unprotectData(blob, platform::protect::uiForbidden, opened), platform::err::success)
            << row.name;
        EXPECT_EQ(opened, row.plain) << row.name;
    }
    // Wine opens some blobs with a changed byte, so only a blob that is none at all is checked here.
    Bytes opened;
    EXPECT_NE(crypto().unprotectData(bytesOf("not a protected blob at all"), platform::protect::uiForbidden, opened),
              platform::err::success);
}

TEST(CryptoContract, Base64WithoutLineBreaks) {
    const std::uint32_t flags = platform::base64::plain | platform::base64::noCrLf;
    Bytes long60(60);
    for (std::size_t i = 0; i < long60.size(); ++i) long60[i] = static_cast<std::uint8_t>(i * 37);
    const struct {
        const char* name;
        Bytes bytes;
        std::string text;
    } rows[] = {
        {"one byte", bytesOf("f"), "Zg=="},
        {"two bytes", bytesOf("fo"), "Zm8="},
        {"three bytes", bytesOf("foo"), "Zm9v"},
        {"past one line of 64", long60,
         "ACVKb5S53gMoTXKXvOEGK1B1mr/kCS5TeJ3C5wwxVnugxeoPNFl+o8jtEjdcgabL8BU6X4SpzvMYPWKH"},
    };
    for (const auto& row : rows) {
        std::uint32_t size = 0;
        ASSERT_EQ(crypto().binaryToString(row.bytes, flags, nullptr, size), platform::err::success) << row.name;
        EXPECT_EQ(size, row.text.size() + 1) << row.name << ": the size asked for counts the NUL";
        std::string text(size, '#');
        ASSERT_EQ(crypto().binaryToString(row.bytes, flags, text.data(), size), platform::err::success) << row.name;
        EXPECT_EQ(size, row.text.size()) << row.name << ": the size written leaves the NUL out";
        text.resize(size);
        EXPECT_EQ(text, row.text) << row.name;

        std::uint32_t needed = 0;
        ASSERT_EQ(crypto().stringToBinary(row.text, platform::base64::plain, nullptr, needed), platform::err::success)
            << row.name;
        Bytes decoded(needed);
        ASSERT_EQ(crypto().stringToBinary(row.text, platform::base64::plain, decoded.data(), needed),
                  platform::err::success)
            << row.name;
        decoded.resize(needed);
        EXPECT_EQ(decoded, row.bytes) << row.name;
    }
    std::uint32_t size = 0;
    EXPECT_NE(crypto().stringToBinary("@@@@", platform::base64::plain, nullptr, size), platform::err::success);
}

}  // namespace
