#include "foundation/errors.h"

#include <algorithm>
#include <cstdio>

#include "foundation/logger.h"
#include "foundation/tstrings_convert.h"
#include "foundation/tstrings_format.h"
#include "platform/machine.h"
#include "platform/win_errors.h"

std::string formatPointer(std::uintptr_t value) {
    return tstrings::format("%016llX", static_cast<unsigned long long>(value));
}

namespace WinErrorHandling {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v'; }

std::string_view trimRight(std::string_view s) {
    while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
    return s;
}

std::string_view trim(std::string_view s) {
    s = trimRight(s);
    while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
    return s;
}

// The system's description of `code`: control characters become blanks, and trailing blanks,
// control characters and full stops go.
std::string describe(std::uint32_t code, platform::Module module) {
    std::u16string text;
    if (!platform::machine().system().formatMessage(code, platform::MessageSource{module}, text)) {
        return "No description available";
    }
    for (auto& c : text) {
        if (c < 32) c = u' ';
    }
    while (!text.empty() && (text.back() <= 32 || text.back() == u'.')) text.pop_back();
    return tstrings::toUtf8(text);
}

}  // namespace

std::string systemErrorText(platform::ErrorCode code, platform::Module module) {
    return "system error " + std::to_string(code) + " (" + describe(code, module) + ")";
}

std::string comErrorText(std::int32_t hresult) {
    const auto bits = static_cast<std::uint32_t>(hresult);
    const std::uint32_t described = (bits & 0x1FFF0000u) == 0x00070000u ? (bits & 0xFFFFu) : bits;
    const std::string description = describe(described, platform::Module::null);
    return tstrings::format("COM error 0x%08X (%s)", bits, description.c_str());
}

std::string joinMessage(std::string_view text, std::string_view systemPart) {
    text = trimRight(text);
    systemPart = trim(systemPart);
    std::string message(text);
    if (!text.empty() && !systemPart.empty()) {
        message += std::string_view(";.,:!?").find(text.back()) != std::string_view::npos ? " " : ". ";
    }
    message += systemPart;
    return message;
}

std::string makeMessage(std::string_view text, const void* failedFunction, platform::ErrorCode code) {
    std::string systemPart = "System error [" + std::to_string(code) + "]";
    if (failedFunction != nullptr) {
        platform::Module module = platform::Module::null;
        if (platform::machine().system().moduleFromAddress(failedFunction, module) != platform::err::success) {
            module = platform::Module::null;
            LOG_WARNING("GetModuleHandleEx() failed for " << formatPointer(reinterpret_cast<std::uintptr_t>(failedFunction))
                                                          << " address.");
        }
        systemPart += "(" + systemErrorText(code, module) + ")";
    }
    return joinMessage(text, systemPart);
}

}  // namespace WinErrorHandling

SysError::SysError(std::string_view text, const void* failedFunction, platform::ErrorCode code)
    : std::runtime_error(WinErrorHandling::makeMessage(text, failedFunction, code)), code_(code) {}
