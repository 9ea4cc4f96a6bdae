// Every answer the installer reads comes from a server it does not control. Whatever status, headers
// and body a server sends, reading it ends in the body (at most 1 MB) or a typed error.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "foundation/logger.h"
#include "net/http_connection.h"
#include "platform/internet.h"
#include "platform/sim/sim_machine.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const auto machine = [] {
        auto scope = std::make_unique<sim::MachineScope>();
        replaceLogger(Logger{});
        return scope;
    }();
    if (size < 3) return 0;
    // The first bytes choose the status and how the body is cut into reads; the rest is a header
    // value and the body, split at the first zero byte.
    sim::SimResponse response;
    response.status = static_cast<std::uint32_t>(data[0] | (data[1] << 8)) % 600;
    response.announceLength = (data[2] & 1) != 0;
    const std::string rest(reinterpret_cast<const char*>(data + 3), size - 3);
    const auto split = rest.find('\0');
    response.headers = {{"COUNTRY", rest.substr(0, split)}};
    const std::string body = split == std::string::npos ? std::string() : rest.substr(split + 1);
    const std::size_t piece = 1 + (data[2] >> 1);
    for (std::size_t at = 0; at < body.size(); at += piece) response.body.push_back(body.substr(at, piece));
    (*machine)->internet().serve("https://dl.zarn.example/any", response);
    try {
        auto answer = HttpConnection("https://dl.zarn.example/any").connect((data[2] & 2) != 0);
        answer.getHeaderValue(platform::inet::queryCustom, "COUNTRY");
        answer.getIntHeaderValue(platform::inet::queryContentLength);
        if (answer.saveToBuffer().size() > HttpConnection::maximumSize) __builtin_trap();
    } catch (const HttpConnection::exception&) {
    }
    return 0;
}
