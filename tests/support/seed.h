// Seeds the simulated registry: keys and texts, installed runtimes and Windows Installer entries.
#pragma once

#include <optional>
#include <string>

#include "foundation/auto_handle.h"
#include "platform/machine.h"
#include "platform/registry.h"

namespace seed {

inline constexpr std::uint32_t view32 = platform::reg::wow64_32Key;
inline constexpr std::uint32_t view64 = platform::reg::wow64_64Key;

inline void key(const std::string& path, std::uint32_t view) {
    AutoRegKey k;
    platform::machine().registry().createKey(platform::RegKey::localMachine, path, platform::reg::allAccess | view,
                                             *k.put(), nullptr);
}

inline void value(const std::string& path, std::uint32_t view, const std::string& name, std::uint32_t type,
                  const void* bytes, std::size_t size) {
    AutoRegKey k;
    platform::machine().registry().createKey(platform::RegKey::localMachine, path, platform::reg::allAccess | view,
                                             *k.put(), nullptr);
    platform::machine().registry().setValue(k.get(), name, type, static_cast<const std::uint8_t*>(bytes),
                                            static_cast<std::uint32_t>(size));
}

inline void text(const std::string& path, std::uint32_t view, const std::string& name, const std::string& value) {
    seed::value(path, view, name, platform::reg::sz, value.c_str(), value.size() + 1);
}

inline void dword(const std::string& path, std::uint32_t view, const std::string& name, std::uint32_t value) {
    seed::value(path, view, name, platform::reg::dword, &value, sizeof value);
}

inline bool exists(const std::string& path, std::uint32_t view) {
    AutoRegKey k;
    return platform::machine().registry().openKey(platform::RegKey::localMachine, path, platform::reg::read | view,
                                                  *k.put()) == 0;
}

struct Runtime {
    std::string name;
    std::uint32_t view = view64;
    std::optional<std::string> build = "15";
    std::optional<std::string> fullVersion = std::nullopt;
    std::optional<std::string> mode = std::nullopt;
    bool developmentKit = false;
    bool withHome = true;
};

inline std::string runtimePath(const std::string& name, bool developmentKit = false) {
    return std::string("SOFTWARE\\Mendara\\") + (developmentKit ? "Zarn Development Kit\\" : "Zarn Runtime Environment\\") +
           name;
}

inline void runtime(const Runtime& r) {
    const std::string path = runtimePath(r.name, r.developmentKit);
    key(path, r.view);
    if (r.withHome) text(path, r.view, "ZarnHome", "C:\\Program Files\\Zarn\\" + r.name);
    if (r.build) text(path, r.view, "BuildNumber", *r.build);
    if (r.fullVersion) text(path + "\\MSI", r.view, "FullVersion", *r.fullVersion);
    if (r.mode) text(path + "\\MSI", r.view, "MODE", *r.mode);
}

inline std::string uninstallEntry(const std::string& productCode) {
    return "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + productCode;
}

/// Where Windows Installer lives, as its own key says.
inline void installerLocation(const std::string& directory = "C:\\Windows\\system32\\") {
    text("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Installer", 0, "InstallerLocation", directory);
}

}  // namespace seed
