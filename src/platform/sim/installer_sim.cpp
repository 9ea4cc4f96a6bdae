#include "platform/sim/installer_sim.h"

#include "platform/sim/text.h"
#include "platform/win_errors.h"

namespace sim {

namespace err = platform::err;
using platform::ErrorCode;

namespace {

// What an external UI handler answers to stop the installation (IDCANCEL).
constexpr int cancelAnswer = 2;

}  // namespace

void SimInstaller::addPackage(const std::string& path, ScriptedPackage package) {
    const std::lock_guard lock(mutex_);
    packages_[lowerAscii(path)] = std::move(package);
}

std::uint32_t SimInstaller::uiLevel() const {
    const std::lock_guard lock(mutex_);
    return uiLevel_;
}

std::uint32_t SimInstaller::logMode() const {
    const std::lock_guard lock(mutex_);
    return logMode_;
}

std::string SimInstaller::logPath() const {
    const std::lock_guard lock(mutex_);
    return logPath_;
}

bool SimInstaller::externalUiInstalled() const {
    const std::lock_guard lock(mutex_);
    return handler_ != nullptr;
}

std::vector<InstallRecord> SimInstaller::installs() const {
    const std::lock_guard lock(mutex_);
    return installs_;
}

ErrorCode SimInstaller::setInternalUI(std::uint32_t level, std::uint32_t& previous) {
    if (auto fault = faults_.check("Installer.setInternalUI")) return *fault;
    const std::lock_guard lock(mutex_);
    previous = uiLevel_;
    if (level != platform::installui::noChange) uiLevel_ = level;
    return err::success;
}

ErrorCode SimInstaller::enableLog(std::uint32_t mode, std::string_view path, std::uint32_t attributes) {
    if (auto fault = faults_.check("Installer.enableLog")) return *fault;
    if (mode != 0 && path.empty()) return err::invalidParameter;
    const std::lock_guard lock(mutex_);
    logMode_ = mode;
    logPath_ = std::string(path);
    logAttributes_ = attributes;
    return err::success;
}

ErrorCode SimInstaller::setExternalUI(platform::ExternalUiHandler handler, std::uint32_t filter, void* context) {
    if (auto fault = faults_.check("Installer.setExternalUI")) return *fault;
    const std::lock_guard lock(mutex_);
    handler_ = handler;
    filter_ = handler == nullptr ? 0 : filter;
    context_ = handler == nullptr ? nullptr : context;
    return err::success;
}

ErrorCode SimInstaller::installProduct(std::string_view packagePath, std::string_view commandLine) {
    if (auto fault = faults_.check("Installer.installProduct")) return *fault;
    ScriptedPackage package;
    platform::ExternalUiHandler handler = nullptr;
    std::uint32_t filter = 0;
    void* context = nullptr;
    {
        const std::lock_guard lock(mutex_);
        installs_.push_back(InstallRecord{std::string(packagePath), std::string(commandLine), uiLevel_, logMode_,
                                          logPath_, logAttributes_, handler_ != nullptr, filter_});
        const auto found = packages_.find(lowerAscii(packagePath));
        if (found == packages_.end()) return err::installPackageOpenFailed;
        package = found->second;
        handler = handler_;
        filter = filter_;
        context = context_;
    }
    platform::Handle file = platform::Handle::null;
    if (!readPackageFile(packagePath, file)) return err::installPackageOpenFailed;
    const struct Closer {
        HandleTable& handles;
        platform::Handle file;
        ~Closer() {
            if (file != platform::Handle::null) handles.close(file);
        }
    } closer{handles_, file};
    // The handler runs unlocked: it may call back into the machine, as real handlers do.
    for (const auto& [code, text] : package.messages) {
        // The filter holds one bit per message type.
        const std::uint32_t type = code >> 24;
        if (handler == nullptr || type >= 32 || (filter & (1u << type)) == 0) continue;
        if (handler(context, code, text.c_str()) == cancelAnswer) return err::installUserExit;
    }
    if (package.effects) package.effects();
    return package.result;
}

bool SimInstaller::readPackageFile(std::string_view packagePath, platform::Handle& file) {
    if (!files_.exists(packagePath)) return true;
    return files_.createFile(packagePath, platform::file::genericRead, platform::file::shareRead,
                             platform::file::openExisting, platform::file::attributeNormal, file, {}) == err::success;
}

}  // namespace sim
