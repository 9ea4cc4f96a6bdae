#include "driver/package_hold.h"

#include <span>

#include "driver/driver_constants.h"
#include "foundation/catch_handlers.h"
#include "foundation/errors.h"
#include "foundation/logger.h"
#include "foundation/tstrings_format.h"
#include "platform/machine.h"
#include "platform/win_errors.h"

namespace driver {

namespace err = platform::err;
namespace file = platform::file;

namespace {

// Large reads keep the check of a 40 MB package short.
constexpr std::uint32_t hashBlockSize = 64 * 1024;

// The CryptoAPI algorithm id of SHA-256, as the checksum log lines name it.
constexpr int sha256AlgorithmId = 0x800C;

}  // namespace

bool HeldPackage::hold(const std::string& path) {
    path_ = path;
    const auto error = platform::machine().fileSystem().createFile(
        path, file::genericRead, file::shareRead, file::openExisting, file::attributeNormal, *handle_.put());
    if (error == err::success) return true;
    LOG_ERROR(tstrings::format("Cannot hold the package \"%s\" against changes: error %d", path.c_str(),
                               static_cast<int>(error)));
    return false;
}

bool HeldPackage::matches(const Sha256Digest& expected) {
    if (!handle_) {
        LOG_ERROR(tstrings::format("The package \"%s\" is not held; it is not run", path_.c_str()));
        return false;
    }
    try {
        std::uint64_t position = 0;
        const auto rewound = platform::machine().fileSystem().setFilePointer(handle_.get(), 0, file::begin, position);
        if (rewound != err::success) {
            ZARN_THROW(SysError, "SetFilePointer failed",
                       platform::machine().system().apiAddress("kernel32", "SetFilePointerEx"), rewound);
        }
        const Sha256Digest actual = sha256OfFile(handle_.get(), hashBlockSize);
        if (actual == expected) return true;
        LOG_ERROR(tstrings::format(
            "Checksum verification for \"%s\" file failed: expected=[%s]; actual=[%s]; algorithm=%d.", path_.c_str(),
            toLowerHex(expected).c_str(), toLowerHex(actual).c_str(), sha256AlgorithmId));
    }
    ZARN_CATCH_ALL
    return false;
}

std::optional<Sha256Digest> RecordedPackageDigest() {
    std::span<const std::uint8_t> bytes;
    const auto found = platform::machine().resources().find(platform::Module::self,
                                                            platform::ResourceId::of(packageDigestResourceType),
                                                            platform::ResourceId::of(packageResourceId), 0, bytes);
    if (found != err::success) return std::nullopt;
    return digestFromHex(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

}  // namespace driver
