#include "settings/text_buffer.h"

#include <memory>

#include "foundation/auto_handle.h"
#include "foundation/errors.h"
#include "platform/machine.h"
#include "settings/constants.h"
#include "settings/errors.h"
#include "settings/plain_text.h"

namespace settings_impl {

namespace {

std::string checked(std::string text, const std::string& source) {
    if (!isPlainText(text)) ZARN_THROW(settings::Exception, code::notPlainText, source + " is not plain text");
    return text;
}

}  // namespace

std::string StringBuffer::read() { return checked(text_, "configuration text"); }

std::string FileBuffer::read() {
    auto& files = platform::machine().fileSystem();
    AutoHandle file;
    platform::Handle handle = platform::Handle::invalid;
    const auto openError = files.createFile(name_.text(), platform::file::genericRead,
                                            platform::file::shareRead | platform::file::shareWrite,
                                            platform::file::openExisting, platform::file::attributeNormal, handle);
    if (openError != 0) {
        ZARN_THROW(settings::Exception, code::cannotOpen,
                   "open file (" + name_.text() + ") error: system error " + std::to_string(openError));
    }
    file.reset(handle);

    // One byte short of the limit is the largest file taken: filling the whole buffer means there may be more.
    // The buffer is not cleared first: only what was read is kept.
    const auto buffer = std::make_unique_for_overwrite<char[]>(maxFileSize);
    std::size_t total = 0;
    while (total < maxFileSize) {
        std::uint32_t read = 0;
        const auto readError =
            files.readFile(file.get(), buffer.get() + total, static_cast<std::uint32_t>(maxFileSize - total), read);
        if (readError != 0) {
            ZARN_THROW(settings::Exception, code::readFailed,
                       "read file (" + name_.text() + ") error: system error " + std::to_string(readError));
        }
        if (read == 0) break;
        total += read;
    }
    if (total == maxFileSize) ZARN_THROW(settings::Exception, code::fileTooLong, "file too long: " + name_.text());
    return checked(std::string(buffer.get(), total), "file " + name_.text());
}

}  // namespace settings_impl

