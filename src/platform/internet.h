// The internet port: the WinINet steps of one HTTP request, and the machine's connection state.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "platform/types.h"

namespace platform {

namespace inet {
// InternetCrackUrl's schemes.
inline constexpr int schemeHttp = 3;
inline constexpr int schemeHttps = 4;

// HttpOpenRequest's flags.
inline constexpr std::uint32_t flagNoCacheWrite = 0x04000000;
inline constexpr std::uint32_t flagKeepConnection = 0x00400000;
inline constexpr std::uint32_t flagNoUi = 0x00000200;
inline constexpr std::uint32_t flagSecure = 0x00800000;

// HttpQueryInfo's queries.
inline constexpr std::uint32_t queryContentLength = 5;
inline constexpr std::uint32_t queryStatusCode = 19;
inline constexpr std::uint32_t queryStatusText = 20;
inline constexpr std::uint32_t queryCustom = 65535;
inline constexpr std::uint32_t queryFlagNumber = 0x20000000;

// InternetSetOption's time-outs.
inline constexpr std::uint32_t optionConnectTimeout = 2;
inline constexpr std::uint32_t optionSendTimeout = 5;
inline constexpr std::uint32_t optionReceiveTimeout = 6;

// InternetGetConnectedState's flags.
inline constexpr std::uint32_t connectionConfigured = 0x40;

// WinINet's errors.
inline constexpr ErrorCode timeout = 12002;
inline constexpr ErrorCode nameNotResolved = 12007;
inline constexpr ErrorCode incorrectPassword = 12014;
inline constexpr ErrorCode operationCancelled = 12017;
inline constexpr ErrorCode cannotConnect = 12029;
inline constexpr ErrorCode forceRetry = 12032;
inline constexpr ErrorCode clientAuthCertNeeded = 12044;

// InternetErrorDlg's flags: filter for errors, change options, generate data.
inline constexpr std::uint32_t errorDialogFlags = 7;
}  // namespace inet

/// The parts of a URL that InternetCrackUrl gives.
struct UrlParts {
    int scheme = 0;
    std::string host;
    std::uint16_t port = 0;
    std::string object;  // the path with its query
};

class Internet {
public:
    virtual ~Internet() = default;

    /// InternetCrackUrlA.
    virtual ErrorCode crackUrl(std::string_view url, UrlParts& out) = 0;
    /// InternetOpenA with preconfigured access, no proxy names, no flags.
    virtual ErrorCode open(std::string_view agent, InternetHandle& out) = 0;
    /// InternetConnectA for HTTP.
    virtual ErrorCode connect(InternetHandle session, std::string_view host, std::uint16_t port,
                              InternetHandle& out) = 0;
    /// HttpOpenRequestA with the default version, no referrer and accept types "*/*".
    virtual ErrorCode openRequest(InternetHandle connection, std::string_view verb, std::string_view object,
                                  std::uint32_t flags, InternetHandle& out) = 0;
    /// InternetSetOptionA of one of the time-outs, in milliseconds.
    virtual ErrorCode setTimeout(InternetHandle handle, std::uint32_t option, std::uint32_t milliseconds) = 0;
    /// HttpSendRequestA without extra headers, with `data` as the body.
    virtual ErrorCode sendRequest(InternetHandle request, std::span<const std::uint8_t> data) = 0;
    /// HttpQueryInfoA into `buffer` of `size` bytes (`name` is the header of a custom query). A small
    /// buffer gives 122 with `size` set to the bytes needed; success sets `size` to the bytes written,
    /// without a terminating NUL for texts.
    virtual ErrorCode queryInfo(InternetHandle request, std::uint32_t query, std::string_view name, void* buffer,
                                std::uint32_t& size) = 0;
    /// InternetReadFile: `read` is 0 at the end of the body.
    virtual ErrorCode readFile(InternetHandle request, void* buffer, std::uint32_t size, std::uint32_t& read) = 0;
    /// InternetCloseHandle. Closing a handle from another thread ends a call blocked on it.
    virtual ErrorCode closeHandle(InternetHandle handle) = 0;
    /// InternetGetConnectedState: its answer, with its flags.
    virtual bool connectedState(std::uint32_t& flags) = 0;
    /// InternetErrorDlg over `parent` for `error` of `request`: its answer.
    virtual ErrorCode errorDialog(Window parent, InternetHandle request, ErrorCode error, std::uint32_t flags) = 0;
};

}  // namespace platform
