// The internet suite's HTTP server on the real machine: a thread of this test program answering on
// 127.0.0.1, so WinINet's requests never leave the machine.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "contract.h"

namespace {

class LoopbackServer {
public:
    LoopbackServer() {
        WSADATA data{};
        WSAStartup(MAKEWORD(2, 2), &data);
        listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(listener_, reinterpret_cast<const sockaddr*>(&address), sizeof address);
        listen(listener_, 8);
        int length = sizeof address;
        getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this] { acceptAll(); });
    }
    ~LoopbackServer() {
        closesocket(listener_);
        thread_.join();
        for (const SOCKET s : silent_) closesocket(s);
        WSACleanup();
    }
    std::uint16_t port() const { return port_; }

private:
    void acceptAll() {
        for (;;) {
            const SOCKET client = accept(listener_, nullptr, nullptr);
            if (client == INVALID_SOCKET) return;
            answer(client);
        }
    }
    void answer(SOCKET client) {
        std::string request;
        char buffer[1024];
        while (request.find("\r\n\r\n") == std::string::npos) {
            const int got = recv(client, buffer, sizeof buffer, 0);
            if (got <= 0) break;
            request.append(buffer, static_cast<std::size_t>(got));
        }
        const auto start = request.find(' ') + 1;
        const std::string path = request.substr(start, request.find(' ', start) - start);
        if (path == "/silent") {
            silent_.push_back(client);  // held open, unanswered, until the server stops
            return;
        }
        const std::string reply =
            path == "/page" ? "HTTP/1.1 200 OK\r\nContent-Length: 5\r\nCOUNTRY: DE\r\nConnection: close\r\n\r\nhello"
                            : "HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
        send(client, reply.data(), static_cast<int>(reply.size()), 0);
        shutdown(client, SD_SEND);
        closesocket(client);
    }

    SOCKET listener_ = INVALID_SOCKET;
    std::uint16_t port_ = 0;
    std::thread thread_;
    std::vector<SOCKET> silent_;
};

}  // namespace

namespace contract {

std::uint16_t httpServerPort() {
    static LoopbackServer server;
    return server.port();
}

}  // namespace contract
