// The internet port over WinINet. Texts cross as UTF-16; headers are read in their ANSI form, as the
// server sent them.
#include "platform/win32/win32_ports.h"

// wininet.h needs <windows.h> first.
#include <wininet.h>

#include <algorithm>
#include <vector>

namespace platform::win32 {

namespace {

HINTERNET toWin(InternetHandle h) { return reinterpret_cast<HINTERNET>(raw(h)); }
InternetHandle fromWin(HINTERNET h) { return static_cast<InternetHandle>(reinterpret_cast<std::uintptr_t>(h)); }

ErrorCode handleOrError(HINTERNET handle, InternetHandle& out) {
    out = fromWin(handle);
    return handle != nullptr ? err::success : lastError();
}

}  // namespace

ErrorCode Win32Internet::crackUrl(std::string_view url, UrlParts& out) {
    return guarded([&] {
        const std::wstring wide = widen(url);
        URL_COMPONENTSW parts{};
        parts.dwStructSize = sizeof parts;
        parts.dwHostNameLength = 1;
        parts.dwUrlPathLength = 1;
        parts.dwExtraInfoLength = 1;
        if (InternetCrackUrlW(wide.c_str(), static_cast<DWORD>(wide.size()), 0, &parts) == FALSE) return lastError();
        out.scheme = parts.nScheme;
        out.port = parts.nPort;
        out.host = narrow(std::wstring_view(parts.lpszHostName, parts.dwHostNameLength));
        std::wstring object(parts.lpszUrlPath != nullptr ? parts.lpszUrlPath : L"", parts.dwUrlPathLength);
        if (parts.lpszExtraInfo != nullptr) object.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);
        out.object = narrow(object);
        return err::success;
    });
}

ErrorCode Win32Internet::open(std::string_view agent, InternetHandle& out) {
    out = InternetHandle::null;
    return guarded([&] {
        return handleOrError(InternetOpenW(widen(agent).c_str(), INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0),
                             out);
    });
}

ErrorCode Win32Internet::connect(InternetHandle session, std::string_view host, std::uint16_t port,
                                 InternetHandle& out) {
    out = InternetHandle::null;
    return guarded([&] {
        return handleOrError(
            InternetConnectW(toWin(session), widen(host).c_str(), port, nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0),
            out);
    });
}

ErrorCode Win32Internet::openRequest(InternetHandle connection, std::string_view verb, std::string_view object,
                                     std::uint32_t flags, InternetHandle& out) {
    out = InternetHandle::null;
    return guarded([&] {
        const wchar_t* accept[] = {L"*/*", nullptr};
        return handleOrError(HttpOpenRequestW(toWin(connection), widen(verb).c_str(), widen(object).c_str(), nullptr,
                                              nullptr, accept, flags, 0),
                             out);
    });
}

ErrorCode Win32Internet::setTimeout(InternetHandle handle, std::uint32_t option, std::uint32_t milliseconds) {
    DWORD value = milliseconds;
    return InternetSetOptionW(toWin(handle), option, &value, sizeof value) != FALSE ? err::success : lastError();
}

ErrorCode Win32Internet::sendRequest(InternetHandle request, std::span<const std::uint8_t> data) {
    // HttpSendRequest takes the body as writable memory; it does not change it.
    void* body = data.empty() ? nullptr : const_cast<std::uint8_t*>(data.data());
    return HttpSendRequestW(toWin(request), nullptr, 0, body, static_cast<DWORD>(data.size())) != FALSE ? err::success
                                                                                                        : lastError();
}

ErrorCode Win32Internet::queryInfo(InternetHandle request, std::uint32_t query, std::string_view name, void* buffer,
                                   std::uint32_t& size) {
    return guarded([&] {
        // A custom query takes the header's name in the buffer it answers in.
        std::vector<char> work(
            std::max<std::size_t>(size, (query & 0xFFFF) == HTTP_QUERY_CUSTOM ? name.size() + 1 : 0));
        if ((query & 0xFFFF) == HTTP_QUERY_CUSTOM) {
            std::copy(name.begin(), name.end(), work.begin());
            work[name.size()] = '\0';
        }
        DWORD length = static_cast<DWORD>(work.size());
        if (HttpQueryInfoA(toWin(request), query, work.data(), &length, nullptr) == FALSE) {
            const ErrorCode error = lastError();
            if (error == err::insufficientBuffer) size = length;
            return error;
        }
        // A text answers with its NUL, which the size it reports leaves out.
        const bool text = (query & HTTP_QUERY_FLAG_NUMBER) == 0;
        const DWORD needed = text ? length + 1 : length;
        if (needed > size) {
            size = needed;
            return err::insufficientBuffer;
        }
        std::copy_n(work.begin(), needed, static_cast<char*>(buffer));
        size = length;
        return err::success;
    });
}

ErrorCode Win32Internet::readFile(InternetHandle request, void* buffer, std::uint32_t size, std::uint32_t& read) {
    DWORD got = 0;
    const BOOL ok = InternetReadFile(toWin(request), buffer, size, &got);
    read = got;
    return ok != FALSE ? err::success : lastError();
}

ErrorCode Win32Internet::closeHandle(InternetHandle handle) {
    return InternetCloseHandle(toWin(handle)) ? err::success : lastError();
}

bool Win32Internet::connectedState(std::uint32_t& flags) {
    DWORD state = 0;
    const BOOL connected = InternetGetConnectedState(&state, 0);
    flags = state;
    return connected != FALSE;
}

ErrorCode Win32Internet::errorDialog(Window parent, InternetHandle request, ErrorCode error, std::uint32_t flags) {
    return InternetErrorDlg(toWin(parent), toWin(request), error, flags, nullptr);
}

}  // namespace platform::win32
