#include "platform/sim/sim_machine.h"

#include <cstdlib>
#include <stdexcept>
#include <string>

#include "platform/win_errors.h"

namespace sim {

namespace {

std::filesystem::path makeScratch() {
    std::string pattern = (std::filesystem::temp_directory_path() / "zarn-sim-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("cannot create a scratch directory");
    return pattern;
}

}  // namespace

Machine::Machine() : Machine(makeScratch(), true) {}

Machine::Machine(std::filesystem::path root) : Machine(std::move(root), false) {}

Machine::Machine(std::filesystem::path root, bool owned)
    : root_(std::move(root)),
      ownsRoot_(owned),
      registry_(faults_),
      fileSystem_(faults_, handles_, root_),
      kernel_(faults_, handles_, SectionNamespace::prefixFor(root_)),
      system_(faults_),
      resources_(faults_),
      processes_(faults_, handles_, fileSystem_),
      desktop_(faults_, registry_, fileSystem_, resources_, processes_),
      installer_(faults_, fileSystem_, handles_),
      internet_(faults_),
      crypto_(faults_) {
    // A fresh Windows installation has its well-known folders.
    for (const auto& [csidl, folder] : system_.settings().folders) fileSystem_.makeDirectories(folder);
    for (const auto& [id, folder] : system_.settings().knownFolders) fileSystem_.makeDirectories(folder);
    installSystemPrograms();
}

void Machine::installSystemPrograms() {
    const std::string windows = system_.settings().folders.at(platform::csidl::windows);
    const std::string system32 = system_.settings().folders.at(platform::csidl::system);
    // "cmd.exe /c exit N" ends with N, any other command with 0.
    processes_.install(system32 + "\\cmd.exe",
                       Program{[](const StartedProcess& p) -> std::uint32_t {
                                   const std::string line = lowerAscii(p.commandLine);
                                   const auto at = line.find("/c exit ");
                                   if (at == std::string::npos) return 0;
                                   return static_cast<std::uint32_t>(std::strtoul(line.c_str() + at + 8, nullptr, 10));
                               },
                               std::nullopt});
    // A busy child for the tests of waits and time-outs.
    processes_.install(system32 + "\\ping.exe", Program{nullptr, std::chrono::seconds(30)});
    // Without a package that knows the product code, msiexec answers "unknown product".
    processes_.install(system32 + "\\msiexec.exe", Program::exitingWith(1605));
    processes_.install(windows + "\\explorer.exe", Program::exitingWith(1));
}

Machine::~Machine() {
    // Handles left open close while the objects they refer to (files, sections) still exist.
    handles_.closeAll();
    if (ownsRoot_) {
        std::error_code ec;
        std::filesystem::remove_all(root_, ec);
    }
}

MachineScope::MachineScope() : MachineScope(std::make_unique<Machine>()) {}

MachineScope::MachineScope(std::filesystem::path sharedRoot)
    : MachineScope(std::make_unique<Machine>(std::move(sharedRoot))) {}

MachineScope::MachineScope(std::unique_ptr<Machine> machine) : machine_(std::move(machine)) {
    previous_ = platform::installMachine(machine_.get());
    previousLogger_ = replaceLogger(Logger{});
    startLogging();
}

MachineScope::~MachineScope() {
    machine_->kernel().waitForThreads(std::chrono::seconds(30));
    replaceLogger(std::move(previousLogger_));
    platform::installMachine(previous_);
}

std::string MachineScope::log() { return machine_->fileSystem().readAll(logger().path()).value_or(""); }

}  // namespace sim
