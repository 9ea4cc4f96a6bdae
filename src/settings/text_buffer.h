// Where the parser's text comes from: a string held in memory or a file.
#pragma once

#include <string>

#include "settings/file_name.h"

namespace settings_impl {

class IBuffer {
public:
    virtual ~IBuffer() = default;
    /// The whole text, checked to be plain text (314 otherwise).
    virtual std::string read() = 0;
};

class StringBuffer final : public IBuffer {
public:
    explicit StringBuffer(std::string text) : text_(std::move(text)) {}
    std::string read() override;

private:
    std::string text_;
};

/// Reads a file through the file-system port: 304 when it cannot be opened, 307 on a read error,
/// 315 when it holds `maxFileSize` bytes or more.
class FileBuffer final : public IBuffer {
public:
    explicit FileBuffer(FileName name) : name_(std::move(name)) {}
    std::string read() override;

private:
    FileName name_;
};

}  // namespace settings_impl
