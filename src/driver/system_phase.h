// The run's view of the operating system, from the system information of the foundation.
#pragma once

#include "driver/phases.h"

namespace driver {

class MachineSystemFacts final : public SystemFacts {
public:
    bool is64BitProcess() override;
    bool is64BitWindows() override;
    int osLevel() override;
    std::string patchCache(int architecture) override;
    std::string system32Dir() override;
    std::string systemWow64Dir() override;
    std::string perUserDataFolder() override;
};

/// File clean-up through the file utilities.
class MachineFileOps final : public FileOps {
public:
    bool exists(const std::string& path) override;
    void deleteFile(const std::string& path) override;
    void deletePersistentFile(const std::string& directory) override;
};

/// The metrics the run reads at its start, from the metrics store.
class MachineMetrics final : public Metrics {
public:
    std::string latestKobuKey() override;
};

/// The user-interface locales and the program's string tables.
class MachineLocalization final : public Localization {
public:
    std::uint16_t defaultLangId() override;
    std::uint16_t fromLangId(long langId) override;
    std::string loadString(std::uint16_t langId, std::uint32_t id) override;
};

}  // namespace driver
