#include "foundation/dll.h"

#include "foundation/errors.h"
#include "foundation/logger.h"
#include "foundation/path.h"
#include "platform/machine.h"
#include "platform/win_errors.h"

namespace {

platform::Module load(const std::string& path) {
    auto& system = platform::machine().system();
    platform::Module module = platform::Module::null;
    if (const auto code = system.loadLibrary(path, module)) {
        throw MevError<SysError>(SysError("LoadLibraryW(" + path + ") failed", system.apiAddress("kernel32", "LoadLibraryW"), code),
                                 SourceLocation{__FILE__, "Dll::Dll", static_cast<std::uint32_t>(__LINE__)});
    }
    return module;
}

std::string systemDirectory() {
    auto& system = platform::machine().system();
    std::string directory;
    if (const auto hr = system.folderPath(platform::csidl::system, directory); hr != 0) {
        ZARN_THROW(SysError, "SHGetFolderPath(CSIDL_SYSTEM) failed", system.apiAddress("shell32", "SHGetFolderPathW"),
                   static_cast<platform::ErrorCode>(hr));
    }
    return directory;
}

}  // namespace

Dll::Dll(const std::string& path) : module_(load(path)) {}

Dll::Dll(FromSystemDirectory, const std::string& fileName) : module_(load(path::join(systemDirectory(), fileName))) {}

Dll::~Dll() {
    if (module_ != platform::Module::null) platform::machine().system().freeLibrary(module_);
}

void* Dll::find(const std::string& name) const {
    void* address = nullptr;
    if (platform::machine().system().procAddress(module_, name, address) != platform::err::success) return nullptr;
    return address;
}

void throwFunctionNotAvailable(const std::string& name) {
    ZARN_THROW(std::runtime_error, "function " + name + " is not available");
}
