// The run's configuration, bound to the installer's merged install configuration.
#pragma once

#include <memory>

#include "config/install_config_data.h"
#include "driver/phases.h"

namespace driver {

class InstallConfiguration final : public Configuration {
public:
    explicit InstallConfiguration(platform::Module module = platform::Module::self) : module_(module) {}

    /// Builds the configuration and loads every source; a failure of the configuration library while
    /// building it is thrown.
    int load(const std::u16string& commandLine) override;
    bool has(ConfigKey key) override;
    /// False when absent.
    bool boolean(ConfigKey key) override;
    long integer(ConfigKey key) override;
    std::string text(ConfigKey key) override;
    bool isSilent() override;
    std::string installLogPath() override;
    int exportSettings() override;
    void restoreRuntimeConfig() override;
    void showConfigError(int code, const std::string& fileName) override;

    /// The loaded configuration; loading must have happened.
    config::InstallConfigData& data();

private:
    platform::Module module_;
    std::unique_ptr<config::InstallConfigData> data_;
};

}  // namespace driver
