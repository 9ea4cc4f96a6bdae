// The simulated Windows Installer: packages are scripts a test writes. Installing one delivers its
// messages to the external UI handler, runs its effects on the machine and ends with its result.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "platform/installer.h"
#include "platform/sim/faults.h"
#include "platform/sim/file_system_sim.h"
#include "platform/sim/handle_table.h"

namespace sim {

struct ScriptedPackage {
    /// Full message codes (type in the high 8 bits) and texts, in delivery order.
    std::vector<std::pair<std::uint32_t, std::u16string>> messages{};
    /// What the package does to the machine (registry, files), after its messages.
    std::function<void()> effects{};
    platform::ErrorCode result = platform::ErrorCode{0};
};

/// The installer's settings as they stood when a package ran.
struct InstallRecord {
    std::string packagePath;
    std::string commandLine;
    std::uint32_t uiLevel = 0;
    std::uint32_t logMode = 0;
    std::string logPath;
    std::uint32_t logAttributes = 0;
    bool externalUi = false;
    std::uint32_t filter = 0;
};

class SimInstaller final : public platform::Installer {
public:
    /// The level a fresh process starts with (INSTALLUILEVEL_DEFAULT).
    static constexpr std::uint32_t defaultUiLevel = 1;

    SimInstaller(Faults& faults, SimFileSystem& files, HandleTable& handles)
        : faults_(faults), files_(files), handles_(handles) {}

    /// Makes `path` (compared without case) an installable package. When a file is there too, a run
    /// reads it as Windows Installer does: for reading, beside other readers only.
    void addPackage(const std::string& path, ScriptedPackage package);

    std::uint32_t uiLevel() const;
    std::uint32_t logMode() const;
    std::string logPath() const;
    bool externalUiInstalled() const;
    std::vector<InstallRecord> installs() const;

    platform::ErrorCode setInternalUI(std::uint32_t level, std::uint32_t& previous) override;
    platform::ErrorCode enableLog(std::uint32_t mode, std::string_view path, std::uint32_t attributes) override;
    platform::ErrorCode setExternalUI(platform::ExternalUiHandler handler, std::uint32_t filter,
                                      void* context) override;
    platform::ErrorCode installProduct(std::string_view packagePath, std::string_view commandLine) override;

private:
    /// Opens the package file, when there is one, for the length of a run; false when it cannot.
    bool readPackageFile(std::string_view packagePath, platform::Handle& file);

    Faults& faults_;
    SimFileSystem& files_;
    HandleTable& handles_;
    mutable std::mutex mutex_;
    std::map<std::string, ScriptedPackage> packages_;  // by lower-case path
    std::uint32_t uiLevel_ = defaultUiLevel;
    std::uint32_t logMode_ = 0;
    std::string logPath_;
    std::uint32_t logAttributes_ = 0;
    platform::ExternalUiHandler handler_ = nullptr;
    std::uint32_t filter_ = 0;
    void* context_ = nullptr;
    std::vector<InstallRecord> installs_;
};

}  // namespace sim
