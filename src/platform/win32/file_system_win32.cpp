// The file-system port over kernel32's wide file calls, plus the advapi32 SDDL conversions used for
// security descriptors on create and for reading a file's security back.
#include <aclapi.h>
#include <sddl.h>

#include "platform/win32/win32_ports.h"

namespace platform::win32 {

namespace {

// FindClose on every path out of a listing.
struct FindHandle {
    HANDLE h;
    ~FindHandle() {
        if (h != INVALID_HANDLE_VALUE) FindClose(h);
    }
};

// LocalFree on every path out, for the buffers advapi32 allocates.
template <class T>
struct LocalMemory {
    T p = nullptr;
    ~LocalMemory() {
        if (p != nullptr) LocalFree(p);
    }
};

bool isDotEntry(const wchar_t* name) {
    return name[0] == L'.' && (name[1] == L'\0' || (name[1] == L'.' && name[2] == L'\0'));
}

}  // namespace

ErrorCode Win32FileSystem::createFile(std::string_view path, std::uint32_t access, std::uint32_t shareMode,
                                      std::uint32_t disposition, std::uint32_t flagsAndAttributes, Handle& out,
                                      std::string_view securityDescriptor) {
    return guarded([&] {
        out = Handle::invalid;
        LocalMemory<PSECURITY_DESCRIPTOR> descriptor;
        SECURITY_ATTRIBUTES attributes{sizeof(SECURITY_ATTRIBUTES), nullptr, FALSE};
        if (!securityDescriptor.empty()) {
            if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(widen(securityDescriptor).c_str(),
                                                                      SDDL_REVISION_1, &descriptor.p, nullptr)) {
                return lastError();
            }
            attributes.lpSecurityDescriptor = descriptor.p;
        }
        const HANDLE h = CreateFileW(widen(path).c_str(), access, shareMode,
                                     descriptor.p != nullptr ? &attributes : nullptr, disposition, flagsAndAttributes,
                                     nullptr);
        if (h == INVALID_HANDLE_VALUE) return lastError();
        out = fromWin(h);
        return err::success;
    });
}

ErrorCode Win32FileSystem::readFile(Handle file, void* buffer, std::uint32_t size, std::uint32_t& read) {
    DWORD n = 0;
    const BOOL ok = ReadFile(toWin(file), buffer, size, &n, nullptr);
    read = n;
    return ok ? err::success : lastError();
}

ErrorCode Win32FileSystem::writeFile(Handle file, const void* data, std::uint32_t size, std::uint32_t& written) {
    DWORD n = 0;
    const BOOL ok = WriteFile(toWin(file), data, size, &n, nullptr);
    written = n;
    return ok ? err::success : lastError();
}

ErrorCode Win32FileSystem::setFilePointer(Handle file, std::int64_t distance, std::uint32_t origin,
                                          std::uint64_t& position) {
    LARGE_INTEGER move{};
    move.QuadPart = distance;
    LARGE_INTEGER now{};
    if (!SetFilePointerEx(toWin(file), move, &now, origin)) return lastError();
    position = static_cast<std::uint64_t>(now.QuadPart);
    return err::success;
}

ErrorCode Win32FileSystem::getFileSize(Handle file, std::uint64_t& size) {
    LARGE_INTEGER value{};
    if (!GetFileSizeEx(toWin(file), &value)) return lastError();
    size = static_cast<std::uint64_t>(value.QuadPart);
    return err::success;
}

ErrorCode Win32FileSystem::flushFile(Handle file) { return FlushFileBuffers(toWin(file)) ? err::success : lastError(); }

ErrorCode Win32FileSystem::deleteFile(std::string_view path) {
    return guarded([&] { return DeleteFileW(widen(path).c_str()) ? err::success : lastError(); });
}

ErrorCode Win32FileSystem::moveFile(std::string_view from, std::string_view to, std::uint32_t flags) {
    return guarded([&] {
        const std::wstring target = widen(to);
        return MoveFileExW(widen(from).c_str(), to.empty() ? nullptr : target.c_str(), flags) ? err::success
                                                                                              : lastError();
    });
}

ErrorCode Win32FileSystem::getFileAttributes(std::string_view path, std::uint32_t& attributes) {
    return guarded([&] {
        attributes = GetFileAttributesW(widen(path).c_str());
        return attributes == INVALID_FILE_ATTRIBUTES ? lastError() : err::success;
    });
}

ErrorCode Win32FileSystem::setFileAttributes(std::string_view path, std::uint32_t attributes) {
    return guarded([&] { return SetFileAttributesW(widen(path).c_str(), attributes) ? err::success : lastError(); });
}

ErrorCode Win32FileSystem::createDirectory(std::string_view path) {
    return guarded([&] { return CreateDirectoryW(widen(path).c_str(), nullptr) ? err::success : lastError(); });
}

ErrorCode Win32FileSystem::removeDirectory(std::string_view path) {
    return guarded([&] { return RemoveDirectoryW(widen(path).c_str()) ? err::success : lastError(); });
}

ErrorCode Win32FileSystem::listDirectory(std::string_view directory, std::string_view pattern,
                                         std::vector<DirEntry>& entries) {
    return guarded([&] {
        entries.clear();
        const std::wstring query = widen(directory) + L"\\" + widen(pattern);
        WIN32_FIND_DATAW data{};
        const FindHandle find{FindFirstFileW(query.c_str(), &data)};
        if (find.h == INVALID_HANDLE_VALUE) {
            // 2 means the directory exists but nothing in it matches; a missing directory answers 3.
            const ErrorCode e = lastError();
            return e == err::fileNotFound ? err::success : e;
        }
        do {
            if (isDotEntry(data.cFileName)) continue;
            entries.push_back(DirEntry{narrow(data.cFileName), data.dwFileAttributes,
                                       (std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow});
        } while (FindNextFileW(find.h, &data));
        const ErrorCode e = lastError();
        return e == err::noMoreFiles ? err::success : e;
    });
}

ErrorCode Win32FileSystem::tempPath(std::string& out) {
    return guarded([&] { return readWideString([](wchar_t* b, DWORD n) { return GetTempPathW(n, b); }, out); });
}

ErrorCode Win32FileSystem::tempFileName(std::string_view directory, std::string_view prefix, std::string& out) {
    return guarded([&] {
        wchar_t buffer[MAX_PATH];
        if (GetTempFileNameW(widen(directory).c_str(), widen(prefix).c_str(), 0, buffer) == 0) return lastError();
        out = narrow(buffer);
        return err::success;
    });
}

ErrorCode Win32FileSystem::currentDirectory(std::string& out) {
    return guarded(
        [&] { return readWideString([](wchar_t* b, DWORD n) { return GetCurrentDirectoryW(n, b); }, out); });
}

ErrorCode Win32FileSystem::setCurrentDirectory(std::string_view path) {
    return guarded([&] { return SetCurrentDirectoryW(widen(path).c_str()) ? err::success : lastError(); });
}

ErrorCode Win32FileSystem::fileSecurity(std::string_view path, std::string& sddl) {
    return guarded([&] {
        constexpr SECURITY_INFORMATION parts =
            OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;
        LocalMemory<PSECURITY_DESCRIPTOR> descriptor;
        const DWORD s = GetNamedSecurityInfoW(widen(path).c_str(), SE_FILE_OBJECT, parts, nullptr, nullptr, nullptr,
                                              nullptr, &descriptor.p);
        if (s != ERROR_SUCCESS) return static_cast<ErrorCode>(s);
        LocalMemory<LPWSTR> text;
        if (!ConvertSecurityDescriptorToStringSecurityDescriptorW(descriptor.p, SDDL_REVISION_1, parts, &text.p,
                                                                  nullptr)) {
            return lastError();
        }
        sddl = narrow(text.p);
        return err::success;
    });
}

ErrorCode Win32FileSystem::fileVersionInfoSize(std::string_view path, std::uint32_t& size) {
    return guarded([&] {
        DWORD ignored = 0;
        size = GetFileVersionInfoSizeW(widen(path).c_str(), &ignored);
        return size == 0 ? lastError() : err::success;
    });
}

ErrorCode Win32FileSystem::fileVersionInfo(std::string_view path, std::uint32_t size, std::vector<std::uint8_t>& block) {
    return guarded([&] {
        block.assign(size, 0);
        return GetFileVersionInfoW(widen(path).c_str(), 0, size, block.data()) ? err::success : lastError();
    });
}

}  // namespace platform::win32
