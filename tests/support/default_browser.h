// A default web browser on the simulated machine: ".html" opens C:\Browser\browser.exe, and the shell
// that starts it as the desktop user records each link file it is given ("<program>\n<arguments>").
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "foundation/registry_key.h"
#include "platform/sim/sim_machine.h"

namespace test_support {

inline constexpr const char* defaultBrowser = "C:\\Browser\\browser.exe";

class DefaultBrowser {
public:
    explicit DefaultBrowser(sim::Machine& machine) {
        RegistryKey key;
        key.open(platform::RegKey::classesRoot, ".html", true, true);
        key.setStringValue("", "htmlfile");
        key.open(platform::RegKey::classesRoot, "htmlfile\\shell\\open\\command", true, true);
        key.setStringValue("", std::string("\"") + defaultBrowser + "\" \"%1\"");
        machine.processes().install(
            "C:\\Windows\\explorer.exe",
            sim::Program{[this, &machine](const sim::StartedProcess& p) {
                             const auto at = p.commandLine.find("C:\\");
                             const auto link = machine.fileSystem().readAll(p.commandLine.substr(at)).value_or("");
                             const std::lock_guard lock(mutex_);
                             links_.push_back(link);
                             return 1u;
                         },
                         std::nullopt});
    }

    /// The link files the shell was given, in order.
    std::vector<std::string> links() const {
        const std::lock_guard lock(mutex_);
        return links_;
    }

private:
    mutable std::mutex mutex_;
    std::vector<std::string> links_;
};

}  // namespace test_support
