// A Windows machine in a box, for tests: every port simulated, every operation open to fault injection.
#pragma once

#include <filesystem>
#include <memory>

#include "foundation/logger.h"
#include "platform/machine.h"
#include "platform/sim/crypto_sim.h"
#include "platform/sim/desktop_sim.h"
#include "platform/sim/faults.h"
#include "platform/sim/file_system_sim.h"
#include "platform/sim/handle_table.h"
#include "platform/sim/installer_sim.h"
#include "platform/sim/internet_sim.h"
#include "platform/sim/kernel_sim.h"
#include "platform/sim/processes_sim.h"
#include "platform/sim/registry_sim.h"
#include "platform/sim/resources_sim.h"
#include "platform/sim/system_sim.h"

namespace sim {

class Machine final : public platform::Machine {
public:
    /// A machine whose drives live in a fresh scratch directory, removed with the machine.
    Machine();
    /// A machine whose drives live in `root`, which outlives it (several processes can share one).
    explicit Machine(std::filesystem::path root);
    ~Machine() override;
    Machine(const Machine&) = delete;
    Machine& operator=(const Machine&) = delete;

    SimRegistry& registry() override { return registry_; }
    SimFileSystem& fileSystem() override { return fileSystem_; }
    SimKernel& kernel() override { return kernel_; }
    SimSystem& system() override { return system_; }
    SimResources& resources() override { return resources_; }
    SimDesktop& desktop() override { return desktop_; }
    SimProcesses& processes() override { return processes_; }
    SimInstaller& installer() override { return installer_; }
    SimInternet& internet() override { return internet_; }
    SimCrypto& crypto() override { return crypto_; }

    Faults& faults() { return faults_; }
    HandleTable& handles() { return handles_; }
    const std::filesystem::path& root() const { return root_; }

private:
    Machine(std::filesystem::path root, bool owned);
    /// The programs every Windows installation has: cmd, ping, msiexec and explorer.
    void installSystemPrograms();

    std::filesystem::path root_;
    bool ownsRoot_;
    Faults faults_;
    HandleTable handles_;
    SimRegistry registry_;
    SimFileSystem fileSystem_;
    SimKernel kernel_;
    SimSystem system_;
    SimResources resources_;
    SimProcesses processes_;
    SimDesktop desktop_;
    SimInstaller installer_;
    SimInternet internet_;
    SimCrypto crypto_;
};

/// Installs a fresh simulated machine, with the process logger writing to its temp directory, for
/// the life of the scope; the previous machine and logger come back afterwards.
class MachineScope {
public:
    MachineScope();
    explicit MachineScope(std::filesystem::path sharedRoot);
    ~MachineScope();
    MachineScope(const MachineScope&) = delete;
    MachineScope& operator=(const MachineScope&) = delete;

    Machine& machine() { return *machine_; }
    Machine* operator->() { return machine_.get(); }
    /// The whole log the run wrote so far.
    std::string log();

private:
    explicit MachineScope(std::unique_ptr<Machine> machine);

    std::unique_ptr<Machine> machine_;
    platform::Machine* previous_ = nullptr;
    Logger previousLogger_;
};

}  // namespace sim
