// The installer's message callback: reports the installation steps it recognises in Windows
// Installer's action-start messages to the progress mailbox.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "msi/action.h"

class InstallCallback final : public msi::Callback {
public:
    InstallCallback();

    /// Posts the operation of a known action-start; every other message is ignored. Mailbox failures
    /// propagate to the adapter, which logs them.
    void handleMessage(std::uint32_t type, std::uint32_t flags, const std::string& text) override;

private:
    std::map<std::string, std::uint32_t> actions_;  // action text -> operation id
};
