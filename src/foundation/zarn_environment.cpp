#include "foundation/zarn_environment.h"

#include <algorithm>

#include "foundation/catch_handlers.h"
#include "foundation/errors.h"
#include "foundation/logger.h"
#include "foundation/registry_key.h"
#include "foundation/sys_info.h"
#include "platform/machine.h"
#include "platform/registry.h"
#include "platform/win_errors.h"

namespace {

namespace reg = platform::reg;

constexpr std::size_t shortestEntryName = 4;

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
               return lower(x) == lower(y);
           });
}

/// A text value that may be missing: missing or unreadable reads as empty.
std::string optionalText(const RegistryKey& key, std::string_view name) {
    try {
        return key.queryStringValue(name);
    } catch (const std::runtime_error&) {
        return {};
    }
}

}  // namespace

void ZarnEnvironment::wrongValueError(const std::string& what, std::int64_t value) {
    ZARN_THROW(std::runtime_error, what + ": " + std::to_string(value));
}

std::vector<InstalledProduct> ZarnEnvironment::detect(std::uint32_t flags) {
    std::vector<InstalledProduct> found;
    const auto detectView = [&](std::int32_t architecture) {
        if (flags & zarn_env::runtimes) detectZarn(zarn_env::kindRuntime, architecture, found);
        if (flags & zarn_env::developmentKits) detectZarn(zarn_env::kindDevelopmentKit, architecture, found);
    };
    if (flags & zarn_env::view32) detectView(32);
    if ((flags & zarn_env::view64) && SysInfo::getArchName() == "amd64") detectView(64);
    return found;
}

void ZarnEnvironment::detectZarn(std::int32_t kind, std::int32_t architecture, std::vector<InstalledProduct>& out) {
    std::string keyName;
    if (kind == zarn_env::kindRuntime) {
        keyName = zarn_env::runtimeKeyName;
    } else if (kind == zarn_env::kindDevelopmentKit) {
        keyName = zarn_env::developmentKitKeyName;
    } else {
        wrongValueError("unexpected type", kind);
    }
    std::uint32_t view = 0;
    if (architecture == 32) {
        view = reg::wow64_32Key;
    } else if (architecture == 64) {
        view = reg::wow64_64Key;
    } else {
        wrongValueError("unexpected arch", architecture);
    }
    const std::string keyPath = std::string(zarn_env::mendaraKey) + "\\" + keyName;

    // A missing key means nothing of this kind is installed in this view.
    platform::RegKey probe = platform::RegKey::null;
    if (platform::machine().registry().openKey(platform::RegKey::localMachine, keyPath, reg::read | view, probe) !=
        platform::err::success) {
        return;
    }
    platform::machine().registry().closeKey(probe);

    std::vector<std::string> names;
    try {
        RegistryKey key(view);
        key.open(platform::RegKey::localMachine, keyPath);
        names = key.enumSubkeys();
    }
    ZARN_CATCH_ALL
    for (const std::string& name : names) {
        if (name.size() < shortestEntryName) continue;
        try {
            out.push_back(readEntry(kind, architecture, view, keyPath, name));
        }
        ZARN_CATCH_ALL
    }
}

InstalledProduct ZarnEnvironment::readEntry(std::int32_t kind, std::int32_t architecture, std::uint32_t view,
                                            const std::string& keyPath, const std::string& name) {
    InstalledProduct product;
    product.kind = kind;
    product.architecture = architecture;
    product.prefix = kind == zarn_env::kindRuntime ? zarn_env::runtimePrefix : zarn_env::developmentKitPrefix;
    product.isStatic = kind == zarn_env::kindDevelopmentKit;
    product.versionText = name;
    product.keyName = name;

    RegistryKey entry(view);
    entry.open(platform::RegKey::localMachine, keyPath + "\\" + name);
    product.home = entry.queryStringValue(zarn_env::homeValue);

    platform::RegKey msi = platform::RegKey::null;
    if (platform::machine().registry().openKey(entry.handle(), zarn_env::msiSubKey, reg::read | view, msi) ==
        platform::err::success) {
        platform::machine().registry().closeKey(msi);
        RegistryKey msiKey(view);
        msiKey.open(entry.handle(), zarn_env::msiSubKey);
        if (const std::string full = optionalText(msiKey, zarn_env::fullVersionValue); !full.empty()) {
            product.versionText = full;
        }
        if (equalsIgnoringCase(optionalText(msiKey, zarn_env::modeValue), "S")) product.isStatic = true;
    }
    product.version.init(product.versionText);
    return product;
}

std::vector<InstalledProduct> ZarnEnvironment::installedKobu(std::int32_t architecture) {
    if (architecture == 32) return detect(zarn_env::runtimes | zarn_env::view32);
    if (architecture == 64) return detect(zarn_env::runtimes | zarn_env::view64);
    wrongValueError("unexpected arch", architecture);
}

std::optional<InstalledProduct> ZarnEnvironment::latest(const std::vector<InstalledProduct>& products) {
    const InstalledProduct* best = nullptr;
    for (const auto& p : products) {
        if (best == nullptr || best->version < p.version ||
            (best->version == p.version && p.architecture < best->architecture)) {
            best = &p;
        }
    }
    if (best == nullptr) return std::nullopt;
    return *best;
}

std::optional<InstalledProduct> ZarnEnvironment::latestInstalledKobu(std::int32_t architecture) {
    return latest(installedKobu(architecture));
}

std::optional<InstalledProduct> ZarnEnvironment::findByVersion(const std::vector<InstalledProduct>& products,
                                                               std::string_view versionText) {
    const ZarnVersion wanted(versionText);
    // Runtimes register their full version with its build; a text without one names every build.
    const bool anyBuild = wanted[ZarnVersionDetails::build] == 0;
    const auto comparable = [anyBuild](const ZarnVersion& v) {
        return anyBuild ? ZarnVersionDetails::noBuildCopy(v) : v;
    };
    for (const auto& p : products) {
        if (comparable(p.version) == comparable(wanted)) return p;
    }
    return std::nullopt;
}
