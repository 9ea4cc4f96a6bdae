#include "platform/sim/internet_sim.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

#include "platform/sim/text.h"
#include "platform/win_errors.h"

namespace sim {

namespace err = platform::err;
namespace inet = platform::inet;

namespace {

constexpr platform::ErrorCode unrecognizedScheme = 12006;
constexpr platform::ErrorCode headerNotFound = 12150;
/// How long a silent server holds a request that has no receive time-out.
constexpr std::chrono::seconds silentCap{60};

struct Scheme {
    const char* name;
    int number;
    std::uint16_t port;
};
constexpr Scheme schemes[] = {
    {"ftp", 1, 21}, {"http", inet::schemeHttp, 80}, {"https", inet::schemeHttps, 443}, {"file", 5, 0}};

/// The address a request was sent to, as `serve` names it.
std::string addressOf(bool secure, const std::string& host, std::uint16_t port, const std::string& object) {
    const std::uint16_t own = secure ? 443 : 80;
    std::string url = std::string(secure ? "https://" : "http://") + host;
    if (port != own) url += ":" + std::to_string(port);
    return url + (object.empty() || object[0] != '/' ? "/" : "") + object;
}

std::size_t totalSize(const std::vector<std::string>& body) {
    std::size_t total = 0;
    for (const auto& piece : body) total += piece.size();
    return total;
}

/// Copies `text` into a caller's buffer as HttpQueryInfoA does: 122 with the size needed (its NUL
/// counted) when it does not fit, else the text and its NUL with the size without the NUL.
platform::ErrorCode answerText(const std::string& text, void* buffer, std::uint32_t& size) {
    if (size < text.size() + 1) {
        size = static_cast<std::uint32_t>(text.size() + 1);
        return err::insufficientBuffer;
    }
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    size = static_cast<std::uint32_t>(text.size());
    return err::success;
}

platform::ErrorCode answerNumber(std::uint32_t number, void* buffer, std::uint32_t& size) {
    if (size < sizeof number) {
        size = sizeof number;
        return err::insufficientBuffer;
    }
    std::memcpy(buffer, &number, sizeof number);
    size = sizeof number;
    return err::success;
}

}  // namespace

void SimInternet::serve(const std::string& url, SimResponse response) {
    const std::lock_guard lock(mutex_);
    served_[url] = std::move(response);
}

void SimInternet::refuse(const std::string& host, platform::ErrorCode error) {
    const std::lock_guard lock(mutex_);
    refused_[lowerAscii(host)] = error;
}

void SimInternet::setConnectedState(bool connected, std::uint32_t flags) {
    const std::lock_guard lock(mutex_);
    connected_ = connected;
    connectedFlags_ = flags;
}

void SimInternet::answerErrorDialog(platform::ErrorCode answer) {
    const std::lock_guard lock(mutex_);
    dialogAnswer_ = answer;
}

std::vector<SimRequest> SimInternet::requests() const {
    const std::lock_guard lock(mutex_);
    return requests_;
}

std::vector<platform::ErrorCode> SimInternet::errorDialogs() const {
    const std::lock_guard lock(mutex_);
    return errorDialogs_;
}

int SimInternet::openHandles() const {
    const std::lock_guard lock(mutex_);
    return static_cast<int>(nodes_.size());
}

SimInternet::Node* SimInternet::find(platform::InternetHandle handle) {
    const auto it = nodes_.find(platform::raw(handle));
    return it == nodes_.end() || closedUp(it->first) ? nullptr : &it->second;
}

bool SimInternet::closedUp(std::uintptr_t id) const {
    for (auto it = nodes_.find(id); it != nodes_.end(); it = nodes_.find(it->second.parent)) {
        if (it->second.closed) return true;
        if (it->second.parent == 0) return false;
    }
    return true;
}

platform::InternetHandle SimInternet::add(Node node) {
    const auto id = next_++;
    nodes_.emplace(id, std::move(node));
    return static_cast<platform::InternetHandle>(id);
}

platform::ErrorCode SimInternet::crackUrl(std::string_view url, platform::UrlParts& out) {
    if (auto fault = faults_.check("Internet.crackUrl")) return *fault;
    const auto separator = url.find("://");
    if (separator == std::string_view::npos) return unrecognizedScheme;
    const std::string name = lowerAscii(url.substr(0, separator));
    const auto scheme =
        std::find_if(std::begin(schemes), std::end(schemes), [&](const Scheme& s) { return name == s.name; });
    if (scheme == std::end(schemes)) return unrecognizedScheme;
    const std::string_view rest = url.substr(separator + 3);
    const auto slash = rest.find('/');
    std::string_view authority = rest.substr(0, slash);
    if (const auto at = authority.find('@'); at != std::string_view::npos) authority.remove_prefix(at + 1);
    out.scheme = scheme->number;
    out.port = scheme->port;
    out.host = std::string(authority);
    if (const auto colon = authority.find(':'); colon != std::string_view::npos) {
        out.host = std::string(authority.substr(0, colon));
        out.port = static_cast<std::uint16_t>(std::stoul(std::string(authority.substr(colon + 1))));
    }
    out.object = slash == std::string_view::npos ? std::string() : std::string(rest.substr(slash));
    return err::success;
}

platform::ErrorCode SimInternet::open(std::string_view agent, platform::InternetHandle& out) {
    out = platform::InternetHandle::null;
    if (auto fault = faults_.check("Internet.open")) return *fault;
    const std::lock_guard lock(mutex_);
    Node node;
    node.agent = std::string(agent);
    out = add(std::move(node));
    return err::success;
}

platform::ErrorCode SimInternet::connect(platform::InternetHandle session, std::string_view host, std::uint16_t port,
                                         platform::InternetHandle& out) {
    out = platform::InternetHandle::null;
    if (auto fault = faults_.check("Internet.connect")) return *fault;
    const std::lock_guard lock(mutex_);
    if (find(session) == nullptr) return err::invalidHandle;
    Node node;
    node.kind = Kind::connection;
    node.parent = platform::raw(session);
    node.host = std::string(host);
    node.port = port;
    out = add(std::move(node));
    return err::success;
}

platform::ErrorCode SimInternet::openRequest(platform::InternetHandle connection, std::string_view verb,
                                             std::string_view object, std::uint32_t flags,
                                             platform::InternetHandle& out) {
    out = platform::InternetHandle::null;
    if (auto fault = faults_.check("Internet.openRequest")) return *fault;
    const std::lock_guard lock(mutex_);
    if (find(connection) == nullptr) return err::invalidHandle;
    Node node;
    node.kind = Kind::request;
    node.parent = platform::raw(connection);
    node.verb = std::string(verb);
    node.object = std::string(object);
    node.flags = flags;
    out = add(std::move(node));
    return err::success;
}

platform::ErrorCode SimInternet::setTimeout(platform::InternetHandle handle, std::uint32_t option,
                                            std::uint32_t milliseconds) {
    if (auto fault = faults_.check("Internet.setTimeout")) return *fault;
    const std::lock_guard lock(mutex_);
    Node* node = find(handle);
    if (node == nullptr) return err::invalidHandle;
    node->timeouts[option] = milliseconds;
    return err::success;
}

platform::ErrorCode SimInternet::sendRequest(platform::InternetHandle request, std::span<const std::uint8_t> data) {
    if (auto fault = faults_.check("Internet.sendRequest")) return *fault;
    std::unique_lock lock(mutex_);
    Node* node = find(request);
    if (node == nullptr || node->kind != Kind::request) return err::invalidHandle;
    const Node& connection = nodes_.at(node->parent);
    const Node& session = nodes_.at(connection.parent);
    const bool secure = (node->flags & inet::flagSecure) != 0;
    const std::string url = addressOf(secure, connection.host, connection.port, node->object);
    requests_.push_back(
        SimRequest{session.agent, node->verb, url, node->flags, std::string(data.begin(), data.end()), node->timeouts});
    if (const auto refused = refused_.find(lowerAscii(connection.host)); refused != refused_.end()) {
        return refused->second;
    }
    const auto served = served_.find(url);
    if (served == served_.end()) {
        const bool hostServed = std::any_of(served_.begin(), served_.end(), [&](const auto& entry) {
            return entry.first.rfind(addressOf(secure, connection.host, connection.port, ""), 0) == 0;
        });
        if (!hostServed) return inet::nameNotResolved;
        node->response = SimResponse{404, "Not Found", {}, {}, true, false};
    } else {
        node->response = served->second;
    }
    if (node->response.silent) {
        // Only the receive time-out set on the request ends the wait: closing its handles does not.
        const auto timeout = node->timeouts.find(inet::optionReceiveTimeout);
        const auto limit = timeout == node->timeouts.end() ? std::chrono::milliseconds(silentCap)
                                                           : std::chrono::milliseconds(timeout->second);
        lock.unlock();
        std::this_thread::sleep_for(limit);
        return inet::timeout;
    }
    node->sent = true;
    return err::success;
}

platform::ErrorCode SimInternet::queryInfo(platform::InternetHandle request, std::uint32_t query, std::string_view name,
                                           void* buffer, std::uint32_t& size) {
    if (auto fault = faults_.check("Internet.queryInfo")) return *fault;
    const std::lock_guard lock(mutex_);
    const Node* node = find(request);
    if (node == nullptr || !node->sent) return err::invalidHandle;
    const SimResponse& response = node->response;
    const bool number = (query & inet::queryFlagNumber) != 0;
    std::string header = std::string(name);
    switch (query & 0xFFFF) {
        case inet::queryStatusCode:
            return number ? answerNumber(response.status, buffer, size)
                          : answerText(std::to_string(response.status), buffer, size);
        case inet::queryStatusText:
            return answerText(response.statusText, buffer, size);
        case inet::queryContentLength:
            header = "Content-Length";
            break;
        case inet::queryCustom:
            break;
        default:
            return headerNotFound;
    }
    for (const auto& [key, value] : response.headers) {
        if (lowerAscii(key) != lowerAscii(header)) continue;
        return number ? answerNumber(static_cast<std::uint32_t>(std::stoul(value)), buffer, size)
                      : answerText(value, buffer, size);
    }
    if (lowerAscii(header) == "content-length" && response.announceLength) {
        const auto length = totalSize(response.body);
        return number ? answerNumber(static_cast<std::uint32_t>(length), buffer, size)
                      : answerText(std::to_string(length), buffer, size);
    }
    return headerNotFound;
}

platform::ErrorCode SimInternet::readFile(platform::InternetHandle request, void* buffer, std::uint32_t size,
                                          std::uint32_t& read) {
    read = 0;
    if (auto fault = faults_.check("Internet.readFile")) return *fault;
    const std::lock_guard lock(mutex_);
    Node* node = find(request);
    if (node == nullptr || !node->sent) return err::invalidHandle;
    const auto& body = node->response.body;
    while (node->piece < body.size() && node->offset == body[node->piece].size()) {
        ++node->piece;
        node->offset = 0;
    }
    if (node->piece == body.size()) return err::success;
    const std::string& piece = body[node->piece];
    read = static_cast<std::uint32_t>(std::min<std::size_t>(size, piece.size() - node->offset));
    std::memcpy(buffer, piece.data() + node->offset, read);
    node->offset += read;
    return err::success;
}

platform::ErrorCode SimInternet::closeHandle(platform::InternetHandle handle) {
    if (auto fault = faults_.check("Internet.closeHandle")) return *fault;
    {
        const std::lock_guard lock(mutex_);
        const auto it = nodes_.find(platform::raw(handle));
        if (it == nodes_.end() || it->second.closed) return err::invalidHandle;
        it->second.closed = true;
        // A closed handle goes once nothing below it is open any more.
        for (bool removed = true; removed;) {
            removed = false;
            for (auto node = nodes_.begin(); node != nodes_.end(); ++node) {
                const bool hasChildren = std::any_of(nodes_.begin(), nodes_.end(), [&](const auto& other) {
                    return other.second.parent == node->first;
                });
                if (node->second.closed && !hasChildren) {
                    nodes_.erase(node);
                    removed = true;
                    break;
                }
            }
        }
    }
    return err::success;
}

bool SimInternet::connectedState(std::uint32_t& flags) {
    const std::lock_guard lock(mutex_);
    flags = connectedFlags_;
    return connected_;
}

platform::ErrorCode SimInternet::errorDialog(platform::Window, platform::InternetHandle, platform::ErrorCode error,
                                             std::uint32_t) {
    const std::lock_guard lock(mutex_);
    errorDialogs_.push_back(error);
    return dialogAnswer_;
}

}  // namespace sim
