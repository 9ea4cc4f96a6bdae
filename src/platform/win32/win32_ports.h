// Private to src/platform/win32: the Win32 port classes and the conversions between the ports'
// neutral handle values and Windows' own types. Nothing outside this directory includes it.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <mutex>
#include <new>
#include <stdexcept>
#include <string>

#include "platform/desktop.h"
#include "platform/file_system.h"
#include "platform/kernel.h"
#include "platform/later_ports.h"
#include "platform/registry.h"
#include "platform/resources.h"
#include "platform/system.h"
#include "platform/win32/wide.h"
#include "platform/win_errors.h"

namespace platform::win32 {

// ---- handle conversions ------------------------------------------------------------------------

inline HANDLE toWin(Handle h) { return reinterpret_cast<HANDLE>(raw(h)); }
inline Handle fromWin(HANDLE h) { return static_cast<Handle>(reinterpret_cast<std::uintptr_t>(h)); }

/// The predefined roots are 0x80000000 + n. Windows' HKEY constants are those numbers sign-extended
/// from a LONG, so on x64 they are 0xFFFFFFFF8000000n, and advapi32 only recognises that form.
inline bool isPredefined(RegKey k) { return raw(k) >= 0x80000000u && raw(k) <= 0x800000FFu; }
inline HKEY toWin(RegKey k) {
    std::uintptr_t v = raw(k);
    if (isPredefined(k)) v |= ~std::uintptr_t{0xFFFFFFFFu};
    return reinterpret_cast<HKEY>(v);
}
inline RegKey fromWin(HKEY k) { return static_cast<RegKey>(reinterpret_cast<std::uintptr_t>(k)); }

inline HMODULE toWin(Module m) {
    return m == Module::self ? GetModuleHandleW(nullptr) : reinterpret_cast<HMODULE>(raw(m));
}
inline Module fromWin(HMODULE m) { return static_cast<Module>(reinterpret_cast<std::uintptr_t>(m)); }

inline HWND toWin(Window w) { return reinterpret_cast<HWND>(raw(w)); }
inline Window fromWin(HWND w) { return static_cast<Window>(reinterpret_cast<std::uintptr_t>(w)); }
inline HFONT toWin(Font f) { return reinterpret_cast<HFONT>(raw(f)); }
inline HBITMAP toWin(Bitmap b) { return reinterpret_cast<HBITMAP>(raw(b)); }
inline Bitmap fromWin(HBITMAP b) { return static_cast<Bitmap>(reinterpret_cast<std::uintptr_t>(b)); }

/// GetProcAddress result as a typed function pointer; the detour through void(*)() keeps
/// -Wcast-function-type quiet, the cast itself is the documented way to use the result.
template <class Fn>
Fn procAs(HMODULE module, const char* name) {
    if (module == nullptr) return nullptr;
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

/// Runs `body`, turning allocation failures of the UTF-8/UTF-16 conversions into `onNoMemory`:
/// the ports answer with numbers, never with exceptions.
template <class Result, class Body>
Result guarded(Body&& body, Result onNoMemory) noexcept {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return onNoMemory;
    } catch (const std::length_error&) {
        return onNoMemory;
    }
}
template <class Body>
ErrorCode guarded(Body&& body) noexcept {
    return guarded<ErrorCode>(body, err::notEnoughMemory);
}

inline ErrorCode lastError() { return static_cast<ErrorCode>(GetLastError()); }
inline ErrorCode status(LSTATUS s) { return static_cast<ErrorCode>(s); }

/// The calling pattern of GetTempPath, GetCurrentDirectory, GetSystemDirectory,
/// GetEnvironmentVariable and friends: `call(buffer, capacity)` answers the length written, or the
/// capacity needed (NUL included) when the buffer is too small, or 0 on failure. A 0 that leaves
/// the last error at 0 is an empty answer (an empty environment variable).
template <class Call>
ErrorCode readWideString(Call call, std::string& out, DWORD capacity = MAX_PATH) {
    std::wstring buffer;
    for (;;) {
        buffer.assign(capacity, L'\0');
        SetLastError(ERROR_SUCCESS);
        const DWORD n = call(buffer.data(), capacity);
        if (n == 0) {
            const ErrorCode e = lastError();
            if (e == err::success) out.clear();
            return e;
        }
        if (n < capacity) {
            buffer.resize(n);
            out = narrow(buffer);
            return err::success;
        }
        capacity = n > capacity ? n : capacity * 2;
    }
}

// ---- ports --------------------------------------------------------------------------------------

class Win32Registry final : public Registry {
public:
    ErrorCode openKey(RegKey parent, std::string_view subKey, std::uint32_t access, RegKey& out) override;
    ErrorCode createKey(RegKey parent, std::string_view subKey, std::uint32_t access, RegKey& out,
                        std::uint32_t* disposition) override;
    ErrorCode closeKey(RegKey key) override;
    ErrorCode queryValue(RegKey key, std::string_view name, std::uint32_t* type, std::uint8_t* data,
                         std::uint32_t& size) override;
    ErrorCode setValue(RegKey key, std::string_view name, std::uint32_t type, const std::uint8_t* data,
                       std::uint32_t size) override;
    ErrorCode deleteValue(RegKey key, std::string_view name) override;
    ErrorCode deleteKey(RegKey parent, std::string_view subKey, std::uint32_t viewFlags) override;
    ErrorCode deleteTree(RegKey parent, std::string_view subKey) override;
    ErrorCode enumKey(RegKey key, std::uint32_t index, std::string& name) override;
    ErrorCode enumValue(RegKey key, std::uint32_t index, std::string& name, std::uint32_t& type) override;
    ErrorCode queryInfo(RegKey key, RegKeyInfo& info) override;
};

class Win32FileSystem final : public FileSystem {
public:
    ErrorCode createFile(std::string_view path, std::uint32_t access, std::uint32_t shareMode,
                         std::uint32_t disposition, std::uint32_t flagsAndAttributes, Handle& out,
                         std::string_view securityDescriptor) override;
    ErrorCode readFile(Handle file, void* buffer, std::uint32_t size, std::uint32_t& read) override;
    ErrorCode writeFile(Handle file, const void* data, std::uint32_t size, std::uint32_t& written) override;
    ErrorCode setFilePointer(Handle file, std::int64_t distance, std::uint32_t origin,
                             std::uint64_t& position) override;
    ErrorCode getFileSize(Handle file, std::uint64_t& size) override;
    ErrorCode flushFile(Handle file) override;
    ErrorCode deleteFile(std::string_view path) override;
    ErrorCode moveFile(std::string_view from, std::string_view to, std::uint32_t flags) override;
    ErrorCode getFileAttributes(std::string_view path, std::uint32_t& attributes) override;
    ErrorCode setFileAttributes(std::string_view path, std::uint32_t attributes) override;
    ErrorCode createDirectory(std::string_view path) override;
    ErrorCode removeDirectory(std::string_view path) override;
    ErrorCode listDirectory(std::string_view directory, std::string_view pattern,
                            std::vector<DirEntry>& entries) override;
    ErrorCode tempPath(std::string& out) override;
    ErrorCode tempFileName(std::string_view directory, std::string_view prefix, std::string& out) override;
    ErrorCode currentDirectory(std::string& out) override;
    ErrorCode setCurrentDirectory(std::string_view path) override;
    ErrorCode fileSecurity(std::string_view path, std::string& sddl) override;
    ErrorCode fileVersionInfoSize(std::string_view path, std::uint32_t& size) override;
    ErrorCode fileVersionInfo(std::string_view path, std::uint32_t size, std::vector<std::uint8_t>& block) override;
};

class Win32Kernel final : public Kernel {
public:
    ErrorCode closeHandle(Handle handle) override;
    std::uint32_t currentProcessId() override;
    std::uint32_t currentThreadId() override;
    std::uint32_t tickCount() override;
    std::uint64_t tickCount64() override;
    ErrorCode performanceCounter(std::int64_t& value) override;
    ErrorCode performanceFrequency(std::int64_t& value) override;
    void sleep(std::uint32_t milliseconds) override;
    ErrorCode createThread(ThreadEntry entry, void* argument, Handle& out, std::uint32_t& threadId) override;
    ErrorCode openThread(std::uint32_t access, std::uint32_t threadId, Handle& out) override;
    ErrorCode exitCodeThread(Handle thread, std::uint32_t& code) override;
    ErrorCode createMutex(bool initialOwner, Handle& out) override;
    ErrorCode releaseMutex(Handle mutex) override;
    ErrorCode createEvent(bool manualReset, bool initialState, Handle& out) override;
    ErrorCode setEvent(Handle event) override;
    ErrorCode resetEvent(Handle event) override;
    std::uint32_t waitForSingleObject(Handle object, std::uint32_t milliseconds, ErrorCode& error) override;
    ErrorCode createFileMapping(std::uint32_t protect, std::uint64_t size, std::string_view name, Handle& out,
                                bool& existed) override;
    ErrorCode openFileMapping(std::uint32_t access, std::string_view name, Handle& out) override;
    ErrorCode mapViewOfFile(Handle section, std::uint32_t access, std::uint64_t offset, std::size_t size,
                            void*& out) override;
    ErrorCode flushViewOfFile(const void* address, std::size_t size) override;
    ErrorCode unmapViewOfFile(const void* address) override;
    ErrorCode createGuid(std::string& out) override;
};

class Win32System final : public System {
public:
    std::optional<OsVersion> rtlGetVersion(std::int32_t& status) override;
    ErrorCode getVersionEx(OsVersion& out) override;
    std::uint16_t nativeArchitecture() override;
    std::optional<ErrorCode> isWow64Process(bool& wow64) override;
    std::int32_t folderPath(int csidl, std::string& out) override;
    std::optional<std::int32_t> knownFolderPath(KnownFolder folder, std::string& out) override;
    ErrorCode systemDirectory(std::string& out) override;
    ErrorCode systemWow64Directory(std::string& out) override;
    ErrorCode windowsDirectory(std::string& out) override;
    std::optional<ErrorCode> threadPreferredUILanguages(std::string* buffer, std::uint32_t& length) override;
    std::uint32_t threadLocale() override;
    std::uint16_t userDefaultUILanguage() override;
    std::uint16_t systemDefaultUILanguage() override;
    std::string userGeoIso2() override;
    SystemTime localTime() override;
    std::int64_t secondsSince1970() override;
    std::u16string commandLine() override;
    ErrorCode splitCommandLine(std::u16string_view commandLine, std::vector<std::u16string>& out) override;
    ErrorCode moduleFileName(Module module, std::string& out) override;
    ErrorCode environmentVariable(std::string_view name, std::string& out) override;
    ErrorCode moduleFromAddress(const void* address, Module& out) override;
    const void* apiAddress(std::string_view module, std::string_view function) override;
    bool formatMessage(std::uint32_t code, MessageSource source, std::u16string& out) override;
    ErrorCode loadLibrary(std::string_view path, Module& out) override;
    ErrorCode loadLibraryAsDataFile(std::string_view path, Module& out) override;
    ErrorCode freeLibrary(Module module) override;
    ErrorCode procAddress(Module module, std::string_view name, void*& out) override;
    ErrorCode setDllDirectory(std::string_view path) override;
    ErrorCode setDefaultDllDirectories(std::uint32_t flags) override;
    ErrorCode accountDomainUsersSid(std::string& out) override;
};

class Win32Resources final : public Resources {
public:
    ErrorCode find(Module module, const ResourceId& type, const ResourceId& name, std::uint16_t language,
                   std::span<const std::uint8_t>& out) override;
    ErrorCode loadString(Module module, std::uint32_t id, std::uint16_t language, std::string& out) override;
};

class Win32Desktop final : public Desktop {
public:
    Win32Desktop();
    ~Win32Desktop() override;
    Win32Desktop(const Win32Desktop&) = delete;
    Win32Desktop& operator=(const Win32Desktop&) = delete;

    int messageBox(Window owner, std::string_view text, std::string_view caption, std::uint32_t type,
                   ErrorCode& error) override;
    bool initCommonControls() override;
    ErrorCode systemLocaleCountry(std::string& out) override;
    int screenPixelsPerInchY() override;
    Window activeWindow() override;
    Window desktopWindow() override;
    ErrorCode createFont(const FontStyle& style, Font& out) override;
    ErrorCode deleteFont(Font font) override;
    ErrorCode loadBitmap(Module module, std::uint32_t id, Bitmap& out) override;
    bool pictureDecoderAvailable() override;
    ErrorCode loadPicture(std::string_view path, Bitmap& out) override;
    ErrorCode bitmapSize(Bitmap bitmap, Size& out) override;
    ErrorCode deleteBitmap(Bitmap bitmap) override;
    ErrorCode browseForFolder(Window owner, std::string_view title, std::string& path, bool& chosen) override;
    std::intptr_t findExecutable(std::string_view file, std::string& program) override;
    std::intptr_t runModalDialog(const DialogTemplate& dialog, Window owner, DialogHandler& handler,
                                 ErrorCode& error) override;
    ErrorCode createModelessDialog(const DialogTemplate& dialog, Window owner, DialogHandler& handler,
                                   Window& out) override;
    void runMessageLoop(Window window) override;
    ErrorCode destroyDialog(Window window) override;
    ErrorCode topLevelWindows(std::uint32_t processId, std::vector<Window>& out) override;
    ErrorCode postToWindow(Window window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) override;
    ErrorCode destroyWindow(Window window) override;
    std::unique_ptr<HtmlWindow> createHtmlWindow() override;

private:
    struct PictureDecoder;
    /// GDI+, loaded and started on first use and kept for the life of the process.
    PictureDecoder* pictureDecoder();

    std::unique_ptr<PictureDecoder> decoder_;
    std::once_flag decoderOnce_;
};

class Win32Processes final : public Processes {
public:
    ErrorCode createProcess(std::string_view application, std::string_view commandLine, std::uint32_t creationFlags,
                            const StartupInfo& startup, ProcessInformation& out) override;
    ErrorCode exitCodeProcess(Handle process, std::uint32_t& code) override;
    ErrorCode terminateProcess(Handle process, std::uint32_t exitCode) override;
    ErrorCode listProcesses(std::vector<ProcessEntry>& out) override;
    ErrorCode openProcess(std::uint32_t access, std::uint32_t processId, Handle& out) override;
    std::uint32_t msgWaitForObject(Handle object, std::uint32_t milliseconds, std::uint32_t wakeMask,
                                   std::uint32_t flags, ErrorCode& error) override;
    bool dispatchOneMessage() override;
    void writeStandardError(std::string_view text) override;
    std::int32_t createShellLink(std::string_view target, std::string_view arguments, std::string_view linkPath,
                                 ShellLinkStep& failed) override;
};

// Filled in as their features arrive.
class Win32Installer final : public Installer {
public:
    ErrorCode setInternalUI(std::uint32_t level, std::uint32_t& previous) override;
    ErrorCode enableLog(std::uint32_t mode, std::string_view path, std::uint32_t attributes) override;
    ErrorCode setExternalUI(ExternalUiHandler handler, std::uint32_t filter, void* context) override;
    ErrorCode installProduct(std::string_view packagePath, std::string_view commandLine) override;
};
class Win32Crypto final : public Crypto {
public:
    ErrorCode acquireContext(CryptProvider& provider) override;
    ErrorCode releaseContext(CryptProvider provider) override;
    ErrorCode createSha256(CryptProvider provider, CryptHash& hash) override;
    ErrorCode hashData(CryptHash hash, const std::uint8_t* data, std::uint32_t size) override;
    ErrorCode hashValue(CryptHash hash, std::array<std::uint8_t, sha256Size>& digest) override;
    ErrorCode destroyHash(CryptHash hash) override;
    ErrorCode protectData(std::span<const std::uint8_t> plain, std::uint32_t flags,
                          std::vector<std::uint8_t>& blob) override;
    ErrorCode unprotectData(std::span<const std::uint8_t> blob, std::uint32_t flags,
                            std::vector<std::uint8_t>& plain) override;
    ErrorCode binaryToString(std::span<const std::uint8_t> bytes, std::uint32_t flags, char* text,
                             std::uint32_t& size) override;
    ErrorCode stringToBinary(std::string_view text, std::uint32_t flags, std::uint8_t* bytes,
                             std::uint32_t& size) override;
};
class Win32Internet final : public Internet {
public:
    ErrorCode crackUrl(std::string_view url, UrlParts& out) override;
    ErrorCode open(std::string_view agent, InternetHandle& out) override;
    ErrorCode connect(InternetHandle session, std::string_view host, std::uint16_t port, InternetHandle& out) override;
    ErrorCode openRequest(InternetHandle connection, std::string_view verb, std::string_view object,
                          std::uint32_t flags, InternetHandle& out) override;
    ErrorCode setTimeout(InternetHandle handle, std::uint32_t option, std::uint32_t milliseconds) override;
    ErrorCode sendRequest(InternetHandle request, std::span<const std::uint8_t> data) override;
    ErrorCode queryInfo(InternetHandle request, std::uint32_t query, std::string_view name, void* buffer,
                        std::uint32_t& size) override;
    ErrorCode readFile(InternetHandle request, void* buffer, std::uint32_t size, std::uint32_t& read) override;
    ErrorCode closeHandle(InternetHandle handle) override;
    bool connectedState(std::uint32_t& flags) override;
    ErrorCode errorDialog(Window parent, InternetHandle request, ErrorCode error, std::uint32_t flags) override;
};

}  // namespace platform::win32
