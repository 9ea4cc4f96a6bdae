// The runtimes and development kits installed on the machine, as their registry entries under
// "SOFTWARE\Mendara" in the 32-bit and 64-bit views describe them.
#pragma once

#include "foundation/product_constants.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/version_details.h"

/// One installed runtime or development kit.
struct InstalledProduct {
    std::int32_t kind = 1;           // 1 runtime, 0 development kit
    std::int32_t architecture = 32;  // the registry view it was found in
    std::string prefix;              // "kobu" or "tulk"
    ZarnVersion version;
    std::string versionText;  // the MSI full version when present, else the subkey name
    std::string keyName;      // the subkey it is registered under ("1.8.0_45")
    std::string home;
    bool isStatic = false;
};

namespace zarn_env {
inline constexpr std::int32_t kindRuntime = 1;
inline constexpr std::int32_t kindDevelopmentKit = 0;

// Detection flags.
inline constexpr std::uint32_t runtimes = 1;
inline constexpr std::uint32_t developmentKits = 2;
inline constexpr std::uint32_t view32 = 16;
inline constexpr std::uint32_t view64 = 32;

inline constexpr const char* mendaraKey = product::registryKey;
inline constexpr const char* runtimeKeyName = "Zarn Runtime Environment";
inline constexpr const char* developmentKitKeyName = "Zarn Development Kit";
inline constexpr const char* runtimePrefix = "kobu";
inline constexpr const char* developmentKitPrefix = "tulk";
inline constexpr const char* homeValue = "ZarnHome";
inline constexpr const char* msiSubKey = "MSI";
inline constexpr const char* fullVersionValue = "FullVersion";
inline constexpr const char* modeValue = "MODE";
}  // namespace zarn_env

class ZarnEnvironment {
public:
    /// The installed products the flags ask for: runtimes, then development kits, in the 32-bit view,
    /// then (on 64-bit Windows) in the 64-bit view. An entry that cannot be read is logged and skipped;
    /// a kind or view outside the flags' meaning throws.
    static std::vector<InstalledProduct> detect(std::uint32_t flags);
    /// The runtimes of the 32-bit or 64-bit view; any other architecture throws "unexpected arch: <n>".
    static std::vector<InstalledProduct> installedKobu(std::int32_t architecture);
    /// The newest of `products`; of two equal versions the one with the smaller architecture.
    static std::optional<InstalledProduct> latest(const std::vector<InstalledProduct>& products);
    static std::optional<InstalledProduct> latestInstalledKobu(std::int32_t architecture);
    /// The first of `products` whose version equals `versionText` parsed; a text without a build
    /// number matches any build of that version.
    static std::optional<InstalledProduct> findByVersion(const std::vector<InstalledProduct>& products,
                                                         std::string_view versionText);

private:
    static void detectZarn(std::int32_t kind, std::int32_t architecture, std::vector<InstalledProduct>& out);
    static InstalledProduct readEntry(std::int32_t kind, std::int32_t architecture, std::uint32_t view,
                                      const std::string& keyPath, const std::string& name);
    [[noreturn]] static void wrongValueError(const std::string& what, std::int64_t value);
};
