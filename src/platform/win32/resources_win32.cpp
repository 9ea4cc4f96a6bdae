// The resources port: FindResourceEx and friends, and string tables read straight from their
// RT_STRING blocks so a chosen language is honoured (LoadString always takes the thread's).
#include <cstring>

#include "platform/win32/win32_ports.h"

namespace platform::win32 {

namespace {

// A resource type or name as FindResourceEx takes it: a MAKEINTRESOURCE number or a text.
class ResourceName {
public:
    explicit ResourceName(const ResourceId& id) : number_(id.number), text_(widen(id.name)) {}
    const wchar_t* get() const {
        if (!text_.empty()) return text_.c_str();
        return reinterpret_cast<const wchar_t*>(static_cast<std::uintptr_t>(static_cast<WORD>(number_)));
    }

private:
    std::uint32_t number_;
    std::wstring text_;
};

}  // namespace

ErrorCode Win32Resources::find(Module module, const ResourceId& type, const ResourceId& name,
                               std::uint16_t language, std::span<const std::uint8_t>& out) {
    return guarded([&] {
        const HMODULE m = toWin(module);
        const HRSRC info = FindResourceExW(m, ResourceName(type).get(), ResourceName(name).get(), language);
        if (info == nullptr) return lastError();
        const HGLOBAL loaded = LoadResource(m, info);
        if (loaded == nullptr) return lastError();
        const void* bytes = LockResource(loaded);
        if (bytes == nullptr) return lastError();
        out = std::span(static_cast<const std::uint8_t*>(bytes), SizeofResource(m, info));
        return err::success;
    });
}

ErrorCode Win32Resources::loadString(Module module, std::uint32_t id, std::uint16_t language, std::string& out) {
    return guarded([&] {
        // Block id/16+1 holds sixteen strings, each a UTF-16 length followed by that many units.
        std::span<const std::uint8_t> block;
        const ErrorCode e = find(module, ResourceId::of(rt::string), ResourceId::of(id / 16 + 1), language, block);
        if (e != err::success) return e;
        std::size_t at = 0;
        for (std::uint32_t entry = 0;; ++entry) {
            std::uint16_t length = 0;
            if (block.size() - at < sizeof length) return err::resourceNameNotFound;
            std::memcpy(&length, block.data() + at, sizeof length);
            at += sizeof length;
            const std::size_t bytes = std::size_t{length} * sizeof(wchar_t);
            if (block.size() - at < bytes) return err::resourceNameNotFound;
            if (entry == id % 16) {
                if (length == 0) return err::resourceNameNotFound;
                std::wstring text(length, L'\0');
                std::memcpy(text.data(), block.data() + at, bytes);
                out = narrow(text);
                return err::success;
            }
            at += bytes;
        }
    });
}

}  // namespace platform::win32
