#include "msi/action.h"

#include "foundation/catch_handlers.h"
#include "foundation/errors.h"
#include "foundation/logger.h"
#include "foundation/tstrings_convert.h"
#include "foundation/tstrings_format.h"
#include "msi/msi_error.h"
#include "platform/machine.h"
#include "platform/win_errors.h"

namespace msi {

namespace {

constexpr std::uint32_t everyMessageType = 0xFFFFFFFFu;
constexpr std::uint32_t flagsMask = 0x00FFFFFFu;

std::string_view trimBlanks(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

// The state calls hardly ever fail; when one does the installation still runs, so it is only logged.
void logFailure(const char* call, platform::ErrorCode code) {
    if (code == platform::err::success) return;
    LOG_ERROR(tstrings::format("%s failed with %s", call, WinErrorHandling::systemErrorText(code).c_str()));
}

}  // namespace

int CallbackTrigger::adapter(void* context, std::uint32_t messageCode, const char16_t* text) noexcept {
    if (context == nullptr || text == nullptr) return 0;
    try {
        auto* callback = static_cast<Callback*>(context);
        callback->handleMessage(messageCode & platform::installmessage::typeMask, messageCode & flagsMask,
                                tstrings::toUtf8(std::u16string_view(text)));
    }
    ZARN_CATCH_ALL
    return 0;
}

std::string quoteValue(std::string_view value) {
    const std::string quoted = tstrings::doubleQuotes(value);
    if (quoted.empty()) return "\"\"";
    if (quoted.find_first_of(" \t") != std::string::npos) return '"' + quoted + '"';
    return quoted;
}

std::string buildCommandLine(std::string_view base, const std::map<std::string, std::string>& properties) {
    std::string text;
    for (const auto& [name, value] : properties) text += " " + name + "=" + quoteValue(value);
    const std::string_view head = trimBlanks(base);
    const std::string_view tail = trimBlanks(text);
    if (head.empty()) return std::string(tail);
    if (tail.empty()) return std::string(head);
    return std::string(head) + " " + std::string(tail);
}

StateImpl::StateImpl(std::uint32_t uiLevel, const std::string& logFile, Callback* callback) {
    auto& installer = platform::machine().installer();
    const platform::ErrorCode ui = installer.setInternalUI(uiLevel, previousUiLevel_);
    uiLevelSet_ = ui == platform::err::success;
    logFailure("MsiSetInternalUI", ui);
    if (logFile.empty()) {
        logFailure("MsiEnableLog", installer.enableLog(0, {}, 0));
    } else {
        logFailure("MsiEnableLog", installer.enableLog(platform::installlog::verbose, logFile, 0));
    }
    if (callback != nullptr) {
        const platform::ErrorCode external =
            installer.setExternalUI(&CallbackTrigger::adapter, everyMessageType, static_cast<void*>(callback));
        externalUiSet_ = external == platform::err::success;
        logFailure("MsiSetExternalUI", external);
    }
}

StateImpl::~StateImpl() {
    auto& installer = platform::machine().installer();
    if (externalUiSet_) logFailure("MsiSetExternalUI", installer.setExternalUI(nullptr, 0, nullptr));
    logFailure("MsiEnableLog", installer.enableLog(0, {}, 0));
    if (uiLevelSet_) {
        std::uint32_t replaced = 0;
        logFailure("MsiSetInternalUI", installer.setInternalUI(previousUiLevel_, replaced));
    }
}

void action<install>::execute() const {
    const StateImpl state(uiLevel, logFile, callback);
    const std::string line = buildCommandLine(commandLine, properties);
    const platform::ErrorCode code = platform::machine().installer().installProduct(packagePath, line);
    if (code != platform::err::success) {
        throw MevError<Error>(Error(makeMessage("MsiInstallProduct(" + packagePath + ", " + line + ") failed", code),
                                    code),
                              SourceLocation{__FILE__, "msi::action<class msi::install>::execute",
                                             static_cast<std::uint32_t>(__LINE__)});
    }
}

}  // namespace msi
