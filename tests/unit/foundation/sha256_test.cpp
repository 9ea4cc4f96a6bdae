#include <gtest/gtest.h>

#include <cctype>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "foundation/auto_handle.h"
#include "foundation/errors.h"
#include "foundation/sha256.h"
#include "platform/sim/sim_machine.h"
#include "platform/win_errors.h"

namespace {

namespace file = platform::file;

constexpr std::string_view twoBlocks = "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq";
constexpr const char* twoBlocksDigest = "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1";
constexpr const char* emptyDigest = "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855";

std::span<const std::uint8_t> bytesOf(std::string_view text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

class Sha256Test : public testing::Test {
protected:
    AutoHandle open(std::string_view content) {
        sim->fileSystem().writeAll("C:\\data.bin", content);
        platform::Handle handle = platform::Handle::invalid;
        platform::FileSystem& files = sim->fileSystem();
        EXPECT_EQ(files.createFile("C:\\data.bin", file::genericRead, file::shareRead, file::openExisting,
                                   file::attributeNormal, handle),
                  platform::err::success);
        return AutoHandle(handle);
    }
    void seek(platform::Handle handle, std::int64_t position) {
        std::uint64_t now = 0;
        ASSERT_EQ(sim->fileSystem().setFilePointer(handle, position, file::begin, now), platform::err::success);
    }
    /// Nothing of the crypto port stays open and no release failed.
    void expectAllReleased(const std::string& context) {
        EXPECT_EQ(sim->crypto().openHashes(), 0u) << context;
        EXPECT_EQ(sim->crypto().openProviders(), 0u) << context;
        EXPECT_EQ(sim.log().find("ERROR"), std::string::npos) << context << "\n" << sim.log();
    }

    sim::MachineScope sim;
};

TEST_F(Sha256Test, FilesHashFromTheirPositionInAnyBlockSize) {
    const struct {
        const char* name;
        std::string content;
        std::int64_t position;
        std::uint32_t blockSize;
        const char* digest;
    } rows[] = {
        {"empty file, one-byte blocks", "", 0, 1, emptyDigest},
        {"block one short of the file", std::string(twoBlocks), 0, 55, twoBlocksDigest},
        {"from the current position", "xyz" + std::string(twoBlocks), 3, 56, twoBlocksDigest},
    };
    for (const auto& row : rows) {
        const AutoHandle handle = open(row.content);
        seek(handle.get(), row.position);
        EXPECT_EQ(toLowerHex(sha256OfFile(handle.get(), row.blockSize)), row.digest) << row.name;
    }
    EXPECT_EQ(toLowerHex(sha256Of(bytesOf(twoBlocks))), twoBlocksDigest);
    EXPECT_EQ(toLowerHex(sha256Of({})), emptyDigest);
    expectAllReleased("after success");
}

TEST_F(Sha256Test, EachFailedCallIsNamedAndReleasesEverything) {
    const struct {
        const char* operation;
        int skip;
        const char* call;
        bool fileOnly;
    } rows[] = {
        {"Crypto.acquireContext", 0, "CryptAcquireContext", false},
        {"Crypto.createSha256", 0, "CryptCreateHash", false},
        {"Crypto.hashData", 0, "CryptHashData", false},
        {"Crypto.hashValue", 0, "CryptGetHashParam", false},
        {"FileSystem.readFile", 0, "ReadFile", true},
    };
    const AutoHandle handle = open(std::string(twoBlocks));
    for (const auto& row : rows) {
        const std::string name = std::string(row.operation) + " after " + std::to_string(row.skip);
        for (const bool fromFile : {true, false}) {
            if (row.fileOnly && !fromFile) continue;
            seek(handle.get(), 0);
            sim->faults().fail(row.operation, platform::err::accessDenied, 1, row.skip);
            try {
                // Blocks of 20: three reads of data and a fourth at the end; the buffer in one piece.
                fromFile ? sha256OfFile(handle.get(), 20) : sha256Of(bytesOf(twoBlocks));
                ADD_FAILURE() << name << ": no error";
            } catch (const SysError& e) {
                EXPECT_EQ(e.code(), platform::err::accessDenied) << name;
                EXPECT_NE(std::string(e.what()).find(std::string(row.call) + " failed. System error [5]"),
                          std::string::npos)
                    << name << ": " << e.what();
            }
            sim->faults().clear();
            EXPECT_EQ(sim->handles().size(), 1u) << name << ": only the test's own file is open";
            expectAllReleased(name + (fromFile ? ", file" : ", buffer"));
        }
    }
}

// High nibble first, read back in either case; anything but 64 hexadecimal digits is refused.
TEST(Sha256Hex, Rows) {
    Sha256Digest digest{};
    for (std::size_t i = 0; i < digest.size(); ++i) digest[i] = static_cast<std::uint8_t>(i * 8);
    const std::string lower = "0008101820283038404850586068707880889098a0a8b0b8c0c8d0d8e0e8f0f8";
    EXPECT_EQ(toLowerHex(digest), lower);
    EXPECT_EQ(digestFromHex(lower), digest);
    std::string upper = lower;
    for (auto& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    EXPECT_EQ(digestFromHex(upper), digest);

    const std::string good(64, 'a');
    const struct {
        const char* name;
        std::string text;
    } rows[] = {
        {"63 digits", good.substr(1)},
        {"65 digits", good + "a"},
        {"letter past f", "g" + good.substr(1)},
        {"letter past F", good.substr(1) + "G"},
        {"character before 0", good.substr(0, 63) + "/"},
        {"character after 9", good.substr(0, 63) + ":"},
    };
    for (const auto& row : rows) EXPECT_EQ(digestFromHex(row.text), std::nullopt) << row.name;
}

}  // namespace
