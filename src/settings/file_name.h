// File names of the configuration library: checked, split into components, and made canonical
// (absolute, drive-rooted, ".." resolved, joined with "/").
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace settings_impl {

/// Two characters: a letter A to Z or a to z, then ":".
bool isDrive(std::string_view component);

/// Whether `text` is a file name FileName accepts, rooted at a drive; builds nothing.
bool isDriveRootedFileName(std::string_view text);

class FileName {
public:
    /// The empty, non-canonical name.
    FileName() = default;
    /// Checks `text`: not UTF-8 312, 260 bytes or more 310, no component, a reserved device name or a
    /// forbidden character 311. Empty and "." components are dropped. An empty text gives the empty name.
    explicit FileName(std::string_view text);

    bool empty() const { return components_.empty(); }
    bool isCanonical() const { return canonical_; }
    bool isDriveRooted() const { return !components_.empty() && isDrive(components_.front()); }
    const std::string& text() const { return text_; }
    const std::u16string& wide() const { return wide_; }
    const std::vector<std::string>& components() const { return components_; }

    /// This name made absolute against the current directory, with ".." resolved: 311 for an empty
    /// name or a ".." above the root, 310 when the result is too long, 200 when the current directory
    /// is unavailable or not on a drive.
    FileName canonical() const;

private:
    std::string text_;
    std::u16string wide_;
    std::vector<std::string> components_;
    bool canonical_ = false;
};

}  // namespace settings_impl
