#include "metrics/ping_body.h"

#include "foundation/logger.h"

namespace UpdateConf {

namespace {

constexpr std::string_view opening = "<?xml version=\"1.0\" encoding=\"UTF-8\"?> <request> ";
constexpr std::string_view closing = "</request>";
constexpr std::string_view passwordElement = "prop20";

// The reader at the other end parses XML: a value holding markup characters would break the document.
std::string escaped(std::string_view value) {
    std::string out;
    out.reserve(value.size());
    for (const char c : value) {
        switch (c) {
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '&':
                out += "&amp;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::string masked(std::string_view body) {
    std::string copy(body);
    const std::string open = "<" + std::string(passwordElement) + ">";
    const std::string close = "</" + std::string(passwordElement) + ">";
    const auto start = copy.find(open);
    if (start == std::string::npos) return copy;
    const auto from = start + open.size();
    const auto end = copy.find(close, from);
    if (end == std::string::npos) return copy;
    copy.replace(from, end - from, end - from, 'X');
    return copy;
}

}  // namespace

PingBody::PingBody() : text_(opening) {}

void PingBody::add(std::string_view name, std::string_view value) {
    const std::string element = "<" + std::string(name) + ">" + escaped(value) + "</" + std::string(name) + ">";
    // One byte of the buffer is the terminating zero.
    if (text_.size() + element.size() + closing.size() > capacity - 1) {
        LOG_WARNING("Ping body is full: element " << name << " of " << element.size() << " bytes left out");
        return;
    }
    text_ += element;
}

const std::string& PingBody::finish() {
    text_ += closing;
    return text_;
}

std::string PingValues(std::string_view body) {
    const std::string copy = masked(body);
    std::string out;
    bool started = false;
    bool expectingValue = false;
    std::size_t at = 0;
    while (at < copy.size()) {
        const auto end = copy.find_first_of("<> ", at);
        const std::string token = copy.substr(at, end == std::string::npos ? std::string::npos : end - at);
        at = end == std::string::npos ? copy.size() : end + 1;
        if (token.empty()) continue;
        if (!started) {
            started = token == "request";
            continue;
        }
        if (token.find('/') != std::string::npos) {
            if (expectingValue) out += "#";
            expectingValue = false;
        } else if (!expectingValue) {
            out += "$" + token;
            expectingValue = true;
        } else {
            out += "#" + token;
            expectingValue = false;
        }
    }
    return out;
}

}  // namespace UpdateConf
