// The real machine: every port backed by the Windows API. Only src/app builds one; it keeps
// <windows.h> out of its users by owning the ports through their interfaces.
#pragma once

#include <memory>

#include "platform/machine.h"

namespace platform::win32 {

class Win32Machine final : public platform::Machine {
public:
    Win32Machine();
    ~Win32Machine() override;
    Win32Machine(const Win32Machine&) = delete;
    Win32Machine& operator=(const Win32Machine&) = delete;

    Registry& registry() override { return *registry_; }
    FileSystem& fileSystem() override { return *fileSystem_; }
    Kernel& kernel() override { return *kernel_; }
    System& system() override { return *system_; }
    Resources& resources() override { return *resources_; }
    Desktop& desktop() override { return *desktop_; }
    Processes& processes() override { return *processes_; }
    Installer& installer() override { return *installer_; }
    Internet& internet() override { return *internet_; }
    Crypto& crypto() override { return *crypto_; }

private:
    std::unique_ptr<Registry> registry_;
    std::unique_ptr<FileSystem> fileSystem_;
    std::unique_ptr<Kernel> kernel_;
    std::unique_ptr<System> system_;
    std::unique_ptr<Resources> resources_;
    std::unique_ptr<Desktop> desktop_;
    std::unique_ptr<Processes> processes_;
    std::unique_ptr<Installer> installer_;
    std::unique_ptr<Internet> internet_;
    std::unique_ptr<Crypto> crypto_;
};

}  // namespace platform::win32
