#include "settings/file_name.h"

#include <algorithm>
#include <array>

#include "foundation/errors.h"
#include "foundation/tstrings_convert.h"
#include "platform/machine.h"
#include "settings/ascii.h"
#include "settings/constants.h"
#include "settings/errors.h"
#include "settings/plain_text.h"

namespace settings_impl {

namespace {

constexpr std::array<std::string_view, 22> reservedNames = {
    "CON",  "PRN",  "AUX",  "NUL",  "COM1", "COM2", "COM3", "COM4", "COM5", "COM6", "COM7",
    "COM8", "COM9", "LPT1", "LPT2", "LPT3", "LPT4", "LPT5", "LPT6", "LPT7", "LPT8", "LPT9",
};
constexpr std::string_view forbiddenCharacters = "<>:\"|?*/\\";

bool isSeparator(char c) { return c == '\\' || c == '/'; }

bool isForbidden(char c) {
    return static_cast<unsigned char>(c) < 32 || forbiddenCharacters.find(c) != std::string_view::npos;
}

// Device names are case-insensitive on Windows, so "con" is refused as well as "CON".
bool isReserved(std::string_view component) {
    return std::any_of(reservedNames.begin(), reservedNames.end(),
                       [component](std::string_view name) { return equalsNoCaseAscii(name, component); });
}

// Calls `onComponent(part)` for every component of `text` but the empty ones and ".".
template <class OnComponent>
void forEachComponent(std::string_view text, OnComponent onComponent) {
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = start;
        while (end < text.size() && !isSeparator(text[end])) ++end;
        const std::string_view part = text.substr(start, end - start);
        if (!part.empty() && part != ".") onComponent(part);
        start = end + 1;
    }
}

void checkComponent(std::string_view component) {
    if (isReserved(component)) {
        ZARN_THROW(settings::Exception, code::pathInvalid, "reserved device name in a file name: " + std::string(component));
    }
    if (std::any_of(component.begin(), component.end(), isForbidden)) {
        ZARN_THROW(settings::Exception, code::pathInvalid,
                   "forbidden character in a file name component: " + std::string(component));
    }
}

std::vector<std::string> currentDirectoryComponents() {
    std::string directory;
    if (const auto error = platform::machine().fileSystem().currentDirectory(directory)) {
        ZARN_THROW(settings::Exception, code::internalError,
                   "current directory unavailable: system error " + std::to_string(error));
    }
    if (tstrings::toUtf16(directory).size() >= maxCurrentDirectoryUnits) {
        ZARN_THROW(settings::Exception, code::internalError, "current directory too long: " + directory);
    }
    FileName name;
    try {
        name = FileName(directory);
    } catch (const settings::Exception& e) {
        ZARN_THROW(settings::Exception, code::internalError, std::string("current directory unusable: ") + e.what());
    }
    if (!name.isDriveRooted()) {
        ZARN_THROW(settings::Exception, code::internalError, "current directory not on a drive: " + directory);
    }
    return name.components();
}

}  // namespace

bool isDrive(std::string_view component) {
    return component.size() == 2 && component[1] == ':' &&
           ((component[0] >= 'A' && component[0] <= 'Z') || (component[0] >= 'a' && component[0] <= 'z'));
}

namespace {

/// Checks a non-empty file name as FileName does; true when its first component is a drive.
bool checkedDriveRooted(std::string_view text) {
    if (!isPlainText(text)) ZARN_THROW(settings::Exception, code::pathNotUtf8, "file name is not UTF-8");
    if (text.size() >= maxPathBytes) {
        ZARN_THROW(settings::Exception, code::pathTooLong, "file name too long: " + std::string(text));
    }
    bool first = true;
    bool driveRooted = false;
    forEachComponent(text, [&](std::string_view part) {
        if (first) driveRooted = isDrive(part);
        if (!(first && driveRooted)) checkComponent(part);
        first = false;
    });
    if (first) ZARN_THROW(settings::Exception, code::pathInvalid, "file name without a component");
    return driveRooted;
}

}  // namespace

bool isDriveRootedFileName(std::string_view text) {
    try {
        return !text.empty() && checkedDriveRooted(text);
    } catch (const settings::Exception&) {
        return false;
    }
}

FileName::FileName(std::string_view text) : text_(text) {
    if (text.empty()) return;
    checkedDriveRooted(text);
    forEachComponent(text, [this](std::string_view part) { components_.emplace_back(part); });
    wide_ = tstrings::toUtf16(text_);
}

FileName FileName::canonical() const {
    if (canonical_) return *this;
    if (empty()) ZARN_THROW(settings::Exception, code::pathInvalid, "empty file name");
    std::vector<std::string> parts = isDriveRooted() ? std::vector<std::string>{} : currentDirectoryComponents();
    for (const auto& component : components_) {
        if (component != "..") {
            parts.push_back(component);
        } else if (parts.size() > 1) {  // never above the drive
            parts.pop_back();
        } else {
            ZARN_THROW(settings::Exception, code::pathInvalid, "\"..\" above the root in file name: " + text_);
        }
    }
    std::string joined;
    for (const auto& part : parts) {
        if (!joined.empty()) joined += '/';
        joined += part;
    }
    FileName result(joined);
    result.canonical_ = true;
    return result;
}

}  // namespace settings_impl
