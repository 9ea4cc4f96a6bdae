#include "metrics/registry_text.h"

#include <vector>

#include "platform/machine.h"
#include "platform/win_errors.h"

namespace UpdateConf {

platform::ErrorCode queryText(platform::RegKey key, std::string_view name, std::uint32_t capacity, std::string& text,
                              std::uint32_t* stored) {
    std::vector<std::uint8_t> buffer(capacity);
    std::uint32_t size = capacity;
    std::uint32_t type = 0;
    const auto result = platform::machine().registry().queryValue(key, name, &type, buffer.data(), size);
    if (result != platform::err::success) return result;
    if (stored != nullptr) *stored = size;
    text.assign(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(size));
    if (const auto nul = text.find('\0'); nul != std::string::npos) text.resize(nul);
    return platform::err::success;
}

}  // namespace UpdateConf
