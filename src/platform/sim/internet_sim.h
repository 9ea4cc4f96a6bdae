// The simulated internet: a scripted server per address. A request to an address nobody serves fails
// as a name that does not resolve; a silent server keeps a request waiting until the receive time-out
// set on the request passes (closing its handles meanwhile does not end the wait, as under Wine).
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "platform/internet.h"
#include "platform/sim/faults.h"

namespace sim {

/// What a served address answers.
struct SimResponse {
    std::uint32_t status = 200;
    std::string statusText = "OK";
    std::vector<std::pair<std::string, std::string>> headers;
    /// Handed out a piece per read, cut to the reader's buffer.
    std::vector<std::string> body;
    /// Announce the body's whole size as Content-Length.
    bool announceLength = true;
    /// Accept the request and never answer: sending ends with 12002 when the request's receive
    /// time-out passes (after a minute without one).
    bool silent = false;
};

/// One request as the server got it.
struct SimRequest {
    std::string agent;
    std::string verb;
    std::string url;
    std::uint32_t flags = 0;
    std::string body;
    std::map<std::uint32_t, std::uint32_t> timeouts;  // option -> milliseconds, set on the request handle
};

class SimInternet final : public platform::Internet {
public:
    explicit SimInternet(Faults& faults) : faults_(faults) {}

    /// Serves `url` ("https://host/path?query"; a port only when it is not the scheme's own).
    void serve(const std::string& url, SimResponse response);
    /// Requests to `host` fail at sending with `error` (12029: refused; 12002: timed out; ...).
    void refuse(const std::string& host, platform::ErrorCode error);
    void setConnectedState(bool connected, std::uint32_t flags);
    /// The answer of the next error dialogs (1223, cancelled, without one).
    void answerErrorDialog(platform::ErrorCode answer);
    std::vector<SimRequest> requests() const;
    /// Error dialogs shown so far, by error.
    std::vector<platform::ErrorCode> errorDialogs() const;
    /// Handles open now.
    int openHandles() const;

    platform::ErrorCode crackUrl(std::string_view url, platform::UrlParts& out) override;
    platform::ErrorCode open(std::string_view agent, platform::InternetHandle& out) override;
    platform::ErrorCode connect(platform::InternetHandle session, std::string_view host, std::uint16_t port,
                                platform::InternetHandle& out) override;
    platform::ErrorCode openRequest(platform::InternetHandle connection, std::string_view verb, std::string_view object,
                                    std::uint32_t flags, platform::InternetHandle& out) override;
    platform::ErrorCode setTimeout(platform::InternetHandle handle, std::uint32_t option,
                                   std::uint32_t milliseconds) override;
    platform::ErrorCode sendRequest(platform::InternetHandle request, std::span<const std::uint8_t> data) override;
    platform::ErrorCode queryInfo(platform::InternetHandle request, std::uint32_t query, std::string_view name,
                                  void* buffer, std::uint32_t& size) override;
    platform::ErrorCode readFile(platform::InternetHandle request, void* buffer, std::uint32_t size,
                                 std::uint32_t& read) override;
    platform::ErrorCode closeHandle(platform::InternetHandle handle) override;
    bool connectedState(std::uint32_t& flags) override;
    platform::ErrorCode errorDialog(platform::Window parent, platform::InternetHandle request,
                                    platform::ErrorCode error, std::uint32_t flags) override;

private:
    enum class Kind { session, connection, request };
    struct Node {
        Kind kind = Kind::session;
        std::uintptr_t parent = 0;
        bool closed = false;
        std::string agent;  // session
        std::string host;   // connection
        std::uint16_t port = 0;
        std::string verb;  // request
        std::string object;
        std::uint32_t flags = 0;
        std::map<std::uint32_t, std::uint32_t> timeouts;
        bool sent = false;
        SimResponse response;
        std::size_t piece = 0;   // the next body piece
        std::size_t offset = 0;  // into it
    };

    Node* find(platform::InternetHandle handle);
    /// The node's or an ancestor's closing.
    bool closedUp(std::uintptr_t id) const;
    platform::InternetHandle add(Node node);

    Faults& faults_;
    mutable std::mutex mutex_;
    std::map<std::string, SimResponse> served_;
    std::map<std::string, platform::ErrorCode> refused_;
    std::map<std::uintptr_t, Node> nodes_;
    std::uintptr_t next_ = 0xCC0000;
    std::vector<SimRequest> requests_;
    std::vector<platform::ErrorCode> errorDialogs_;
    platform::ErrorCode dialogAnswer_ = 1223;
    bool connected_ = true;
    std::uint32_t connectedFlags_ = 0x02;  // INTERNET_CONNECTION_LAN
};

}  // namespace sim
