// The ping's values include texts from the network (the address, the country, the method). Whatever
// they hold, the body stays within its buffer and ends its document, and its log line can be made.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "metrics/ping_body.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    UpdateConf::PingBody body;
    // Cut the input into values at every zero byte; each becomes one element.
    std::size_t start = 0;
    for (int index = 0; start <= text.size(); ++index) {
        const auto end = std::min(text.find('\0', start), text.size());
        body.add("e" + std::to_string(index), text.substr(start, end - start));
        start = end + 1;
    }
    const std::string& finished = body.finish();
    if (finished.size() > UpdateConf::PingBody::capacity - 1 || !finished.ends_with("</request>")) __builtin_trap();
    UpdateConf::PingValues(finished);
    UpdateConf::PingValues(text);
    return 0;
}
