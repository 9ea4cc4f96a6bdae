// The installer's only HTTP client: one request over WinINet, plain HTTP refused unless allowed, every
// answer capped at 1 MB, failures thrown as typed errors.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "net/network_bounds.h"
#include "net/request_deadline.h"
#include "platform/types.h"

class HttpConnection {
public:
    enum Method : std::uint32_t { get = 0, post = 1, head = 2 };

    /// The largest answer read: 1 MB.
    static constexpr std::uint32_t maximumSize = 1048576;

    class exception : public std::runtime_error {
    public:
        using std::runtime_error::runtime_error;
    };
    /// A WinINet call failed.
    class network_error : public exception {
    public:
        network_error(const std::string& text, platform::ErrorCode code) : exception(text), code_(code) {}
        platform::ErrorCode code() const { return code_; }

    private:
        platform::ErrorCode code_;
    };
    /// The server answered with a status other than 200.
    class http_error : public exception {
    public:
        explicit http_error(std::uint32_t status)
            : exception("Http error, status: " + std::to_string(status)), status_(status) {}
        std::uint32_t status() const { return status_; }

    private:
        std::uint32_t status_;
    };
    /// Status 403 whose status text says "Export Denied".
    class export_compliance_error : public exception {
    public:
        export_compliance_error() : exception("Export Denied") {}
    };
    /// An answer larger than 1 MB; `size` is empty when it was not announced.
    class content_is_too_big : public exception {
    public:
        explicit content_is_too_big(std::optional<std::uint64_t> size)
            : exception("Content size exceeds maximum size (1 MB), size is " +
                        (size ? std::to_string(*size) + " bytes" : std::string("unknown"))) {}
    };

    /// The answer to a request; its handles go with it.
    class Response {
    public:
        Response(std::shared_ptr<net::RequestHandles> handles, platform::InternetHandle request, std::uint32_t status)
            : handles_(std::move(handles)), request_(request), status_(status) {}
        ~Response();
        Response(Response&&) = default;
        Response& operator=(Response&&) = default;

        std::uint32_t status() const { return status_; }
        /// A header as text (`name` for a custom query); nullopt, logged, when it cannot be read.
        std::optional<std::string> getHeaderValue(std::uint32_t query, const std::string& name = {}) const;
        /// A header as a number; -1 when it cannot be read.
        std::int64_t getIntHeaderValue(std::uint32_t query) const;
        /// Up to `size` bytes of the body; 0 at its end.
        std::uint32_t readContent(void* buffer, std::uint32_t size);
        /// The whole body, at most 1 MB.
        std::vector<std::uint8_t> saveToBuffer();
        std::string saveToString();

    private:
        friend class HttpConnection;
        static std::int64_t numericHeader(platform::InternetHandle request, std::uint32_t query);

        std::shared_ptr<net::RequestHandles> handles_;
        platform::InternetHandle request_;
        std::uint32_t status_;
    };

    explicit HttpConnection(std::string url) : url_(std::move(url)) {}

    HttpConnection& setAllowPlainHttp(bool allow) {
        allowPlainHttp_ = allow;
        return *this;
    }
    /// WinINet's own error and credential dialogs may be shown, over the desktop; never for a request
    /// that may be left running at its deadline.
    HttpConnection& setInteractive(bool interactive) {
        interactive_ = interactive;
        return *this;
    }
    HttpConnection& setMethod(Method method) {
        method_ = method;
        return *this;
    }
    HttpConnection& setUserAgent(std::string agent) {
        userAgent_ = std::move(agent);
        return *this;
    }
    HttpConnection& setData(std::vector<std::uint8_t> data) {
        data_ = std::move(data);
        return *this;
    }
    const std::string& url() const { return url_; }

    /// Performs the request on this thread, its handles kept by `handles`, which also give its
    /// time-outs. With `checkStatus`, any status but 200 is thrown.
    Response connect(bool checkStatus, std::shared_ptr<net::RequestHandles> handles =
                                           std::make_shared<net::RequestHandles>(net::requestDeadlineMs)) const;

private:
    bool dialogsAllowed(const net::RequestHandles& handles) const;
    platform::InternetHandle send(const std::shared_ptr<net::RequestHandles>& handles) const;

    std::string url_;
    bool allowPlainHttp_ = false;
    bool interactive_ = false;
    Method method_ = get;
    std::string userAgent_ = "zarn_installer";
    std::vector<std::uint8_t> data_;
};
