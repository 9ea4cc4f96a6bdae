// One Windows Installer call with the process-wide installer state set up around it: the install
// action, its command line, and the bridge from Windows Installer's messages to a callback.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

#include "platform/installer.h"

namespace msi {

/// Receives every message Windows Installer delivers while an action runs.
class Callback {
public:
    virtual ~Callback() = default;
    /// `type`: the high 8 bits of the message code; `flags`: the low 24 (buttons, icon, default button).
    virtual void handleMessage(std::uint32_t type, std::uint32_t flags, const std::string& text) = 0;
};

/// The external UI handler registered with Windows Installer; its context is the msi::Callback.
struct CallbackTrigger {
    /// Always 0: Windows Installer carries on with its own handling and the installation is never
    /// cancelled from here. Exceptions of the callback are logged.
    static int adapter(void* context, std::uint32_t messageCode, const char16_t* text) noexcept;
};

/// A property value as the command line needs it: quotes doubled, empty as "", and enclosed in quotes
/// when it holds a blank or a tab.
std::string quoteValue(std::string_view value);

/// The trimmed base followed by " name=value" for every property in name order.
std::string buildCommandLine(std::string_view base, const std::map<std::string, std::string>& properties);

struct install {};

template <class Kind>
class action;

template <>
class action<install> {
public:
    std::map<std::string, std::string> properties;
    std::string commandLine;
    std::uint32_t uiLevel = platform::installui::none;
    Callback* callback = nullptr;
    std::string logFile;
    std::string packagePath;

    /// Installs the package; a non-zero result throws MevError<msi::Error> with the code. The
    /// installer state is restored however it ends.
    void execute() const;
};

namespace ActionData {

/// The installer state saved for the duration of one call.
class State {
public:
    virtual ~State() = default;
};

}  // namespace ActionData

/// Enters the state of an action on construction and leaves it on destruction.
class StateImpl final : public ActionData::State {
public:
    StateImpl(std::uint32_t uiLevel, const std::string& logFile, Callback* callback);
    ~StateImpl() override;
    StateImpl(const StateImpl&) = delete;
    StateImpl& operator=(const StateImpl&) = delete;

private:
    std::uint32_t previousUiLevel_ = platform::installui::noChange;
    bool uiLevelSet_ = false;
    bool externalUiSet_ = false;
};

}  // namespace msi
