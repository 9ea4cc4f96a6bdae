#include "driver/payload_extraction.h"

#include <algorithm>

#include "driver/driver_constants.h"
#include "driver/process_values.h"
#include "driver/system_phase.h"
#include "foundation/errors.h"
#include "foundation/logger.h"
#include "foundation/process_exit.h"
#include "foundation/product_constants.h"
#include "foundation/sys_info.h"
#include "foundation/tstrings_convert.h"
#include "foundation/tstrings_format.h"
#include "platform/machine.h"
#include "platform/win_errors.h"

namespace driver {

namespace err = platform::err;
namespace file = platform::file;

namespace {

constexpr std::uint32_t pieceSize = 8192;

constexpr const char* createFileOperation = "Installer : Wrapper.CreateFile ";
constexpr const char* writeFileOperation = "Installer : Wrapper.WriteFile (In small chunks) ";
constexpr const char* closeHandleOperation = "Installer : Wrapper.CloseHandle ";

// The system's own text for `code`, untrimmed as the message table has it; empty when it has none.
std::string rawSystemText(platform::ErrorCode code) {
    std::u16string text;
    if (!platform::machine().system().formatMessage(code, platform::MessageSource{}, text)) return {};
    return tstrings::toUtf8(text);
}

[[noreturn]] void failFatally(const char* operation, platform::ErrorCode code) {
    const std::string text =
        tstrings::format("%s failed with error %d: %s", operation, static_cast<int>(code), rawSystemText(code).c_str());
    // The log is where a deployment looks first; the box is for a person, who is not there when silent.
    LOG_ERROR(operation << "failed with " << WinErrorHandling::systemErrorText(code)
                        << ". Exit code: " << static_cast<int>(code));
    if (!processValues().silent) {
        platform::ErrorCode boxError = err::success;
        platform::machine().desktop().messageBox(platform::Window::null, text, "Error", platform::mb::ok, boxError);
    }
    endProcess(static_cast<int>(code));
}

}  // namespace

std::string BuildPackageDirectory(const std::string& userDataFolder, bool is64BitProcess) {
    auto& files = platform::machine().fileSystem();
    std::string directory = tstrings::format("%s\\Pellam\\", userDataFolder.c_str());
    files.createDirectory(directory);
    directory = tstrings::format("%sZarn\\", directory.c_str());
    files.createDirectory(directory);
    directory = is64BitProcess
                    ? tstrings::format("%s%s%s_x64", directory.c_str(), product::runtimePrefix, packageVersion)
                    : tstrings::format("%s%s%s", directory.c_str(), product::runtimePrefix, packageVersion);
    files.createDirectory(directory);
    return directory;
}

std::string PackagePathIn(const std::string& directory) {
    return tstrings::format("%s\\%s%s.msi", directory.c_str(), product::runtimePrefix, packageVersion);
}

std::string preparePackagePath() {
    MachineSystemFacts system;
    return PackagePathIn(BuildPackageDirectory(SysInfo::getUserDataDir(), system.is64BitProcess()));
}

std::optional<WriteFailure> WriteBytesToFile(const std::string& path, std::span<const std::uint8_t> bytes) {
    auto& files = platform::machine().fileSystem();
    auto& kernel = platform::machine().kernel();

    platform::Handle handle = platform::Handle::invalid;
    const auto created =
        files.createFile(path, file::genericWrite, file::shareNone, file::createAlways, file::attributeNormal, handle);
    if (created != err::success) return WriteFailure{createFileOperation, created};

    std::size_t position = 0;
    while (position < bytes.size()) {
        const auto piece = static_cast<std::uint32_t>(std::min<std::size_t>(bytes.size() - position, pieceSize));
        std::uint32_t written = 0;
        auto error = files.writeFile(handle, bytes.data() + position, piece, written);
        // A call that reports success without progress would otherwise loop for ever.
        if (error == err::success && (written == 0 || written > piece)) error = err::writeFault;
        if (error != err::success) {
            kernel.closeHandle(handle);  // the error of the write is the one to report
            return WriteFailure{writeFileOperation, error};
        }
        position += written;
    }

    const auto closed = kernel.closeHandle(handle);
    if (closed != err::success) return WriteFailure{closeHandleOperation, closed};
    return std::nullopt;
}

void WriteResourceToFile(const std::string& path, std::span<const std::uint8_t> bytes) {
    if (const auto failed = WriteBytesToFile(path, bytes)) failFatally(failed->operation, failed->code);
}

std::optional<std::span<const std::uint8_t>> EmbeddedPackage(std::uint32_t id) {
    std::span<const std::uint8_t> bytes;
    const auto found = platform::machine().resources().find(
        platform::Module::self, platform::ResourceId::of(packageResourceType), platform::ResourceId::of(id), 0, bytes);
    if (found != err::success) return std::nullopt;
    return bytes;
}

bool WriteEmbeddedPackage(std::uint32_t id, const std::string& path) {
    const auto bytes = EmbeddedPackage(id);
    if (!bytes) return false;
    WriteResourceToFile(path, *bytes);
    return true;
}

bool writePackage(const std::string& path) { return WriteEmbeddedPackage(packageResourceId, path); }

}  // namespace driver
