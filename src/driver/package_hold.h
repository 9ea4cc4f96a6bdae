// The written package, held open from the end of writing until its run has finished. The package
// directory is writable by every program of the user, so the file is held against writers and its
// digest is checked, through the held handle, against the one the build recorded.
#pragma once

#include <string>

#include "foundation/auto_handle.h"
#include "foundation/sha256.h"

namespace driver {

class HeldPackage {
public:
    /// Opens `path` for reading, sharing it for reading only; logs and returns false when it cannot.
    bool hold(const std::string& path);
    /// True when the held file's digest equals `expected`. A file not held, unreadable or different
    /// is logged and gives false.
    bool matches(const Sha256Digest& expected);
    /// Lets the file go.
    void release() { handle_.reset(); }

private:
    std::string path_;
    AutoHandle handle_;
};

/// The digest the build recorded for the product package; nullopt when the program carries none
/// or it is not 64 hex digits.
std::optional<Sha256Digest> RecordedPackageDigest();

}  // namespace driver
