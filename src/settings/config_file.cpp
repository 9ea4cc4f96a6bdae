#include "settings/config_file.h"

#include <cstdint>
#include <limits>
#include <optional>
#include <string>

#include "foundation/auto_handle.h"
#include "foundation/errors.h"
#include "foundation/logger.h"
#include "platform/machine.h"
#include "settings/constants.h"
#include "settings/directories.h"
#include "settings/errors.h"
#include "settings/serializer.h"
#include "settings/text_buffer.h"

namespace settings_impl {

namespace {

namespace file = platform::file;

bool exists(const std::string& path) {
    platform::Handle handle = platform::Handle::invalid;
    const auto error = platform::machine().fileSystem().createFile(
        path, file::genericRead, file::shareRead | file::shareWrite, file::openExisting, file::attributeNormal, handle);
    if (error != 0) return false;
    const AutoHandle closer(handle);
    return true;
}

std::string withCrLf(const std::string& text) {
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    for (const char c : text) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

AutoHandle openOrThrow(const std::string& path, platform::ErrorCode error, platform::Handle handle) {
    if (error != 0) {
        ZARN_THROW(settings::Exception, code::cannotOpen,
                   "open file (" + path + ") for writing error: system error " + std::to_string(error));
    }
    return AutoHandle(handle);
}

AutoHandle truncateExisting(const std::string& path) {
    platform::Handle handle = platform::Handle::invalid;
    const auto error = platform::machine().fileSystem().createFile(
        path, file::genericWrite, file::shareRead | file::shareWrite, file::truncateExisting, file::attributeNormal,
        handle);
    return openOrThrow(path, error, handle);
}

// Administrators full access; the Domain Users group of the user's account domain and Everyone read.
std::string runtimeConfigDescriptor() {
    std::string domainUsers;
    if (const auto error = platform::machine().system().accountDomainUsersSid(domainUsers)) {
        ZARN_THROW(settings::Exception, code::internalError,
                   "get the Domain Users group of the account domain error: system error " + std::to_string(error));
    }
    return std::string(runtimeConfigSddlHead) + domainUsers + runtimeConfigSddlTail;
}

AutoHandle createNew(const std::string& path) {
    const std::string descriptor = runtimeConfigDescriptor();
    platform::Handle handle = platform::Handle::invalid;
    const auto error = platform::machine().fileSystem().createFile(
        path, file::genericRead | file::genericWrite, file::shareNone, file::createNew, file::attributeNormal, handle,
        descriptor);
    return openOrThrow(path, error, handle);
}

void writeAll(const AutoHandle& handle, const std::string& path, const std::string& text) {
    if (text.size() > std::numeric_limits<std::uint32_t>::max()) ZARN_THROW(settings::Exception, code::writeFailed, "configuration too large");
    std::uint32_t written = 0;
    const auto error = platform::machine().fileSystem().writeFile(handle.get(), text.data(),
                                                                  static_cast<std::uint32_t>(text.size()), written);
    if (error != 0 || written != text.size()) {
        ZARN_THROW(settings::Exception, code::writeFailed,
                   "write file (" + path + ") error: system error " + std::to_string(error) + ", " +
                       std::to_string(written) + " of " + std::to_string(text.size()) + " bytes written");
    }
}

// The file is rewritten in place, so that it keeps its security. A write that fails part-way (a full
// disk) puts the previous text back, for which the truncation has just freed the room.
void rewriteInPlace(const FileName& name, const std::string& text) {
    const std::string& path = name.text();
    std::optional<std::string> previous;
    try {
        previous = FileBuffer(name).read();
    } catch (const settings::Exception&) {
        // Unreadable before: there is nothing to put back.
    }
    try {
        writeAll(truncateExisting(path), path, text);
    } catch (const settings::Exception&) {
        if (previous) {
            try {
                writeAll(truncateExisting(path), path, *previous);
            } catch (const settings::Exception& e) {
                LOG_ERROR("Putting back the previous " << path << " failed: " << e.what());
            }
        }
        throw;
    }
}

}  // namespace

void saveConfigFile(const Config& config, const FileName& name) {
    createParentDirectories(name);
    std::string text = toPlainText(config);
    if (text.empty()) text = " ";  // never leave an empty file behind
    const std::string& path = name.text();
    if (exists(path)) {
        rewriteInPlace(name, withCrLf(text));
    } else {
        writeAll(createNew(path), path, text);
    }
}

}  // namespace settings_impl
