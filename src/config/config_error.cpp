// Turning a configuration error code into the message the user sees (or, silent, the log keeps).
#include <optional>

#include "config/config_strings.h"
#include "config/install_config_data.h"
#include "foundation/catch_handlers.h"
#include "foundation/errors.h"
#include "foundation/locale.h"
#include "foundation/logger.h"
#include "foundation/string_resource.h"
#include "foundation/tstrings_format.h"
#include "platform/machine.h"
#include "settings/errors.h"

namespace config {

namespace {

/// The message buffer: longer texts are cut, terminator included.
constexpr std::size_t messageBytes = 1024;

enum class Arguments { none, text, textAndLine };

struct ErrorMessage {
    std::int32_t code;
    std::uint32_t stringId;
    bool shown;
    Arguments arguments;
};

constexpr ErrorMessage messages[] = {
    {200, idsConfigInternalError, true, Arguments::none},    {300, idsConfigEmptyArgument, false, Arguments::none},
    {304, idsConfigCannotOpen, true, Arguments::text},       {305, idsConfigNoPermission, true, Arguments::text},
    {306, idsConfigWriteFailed, true, Arguments::none},      {307, idsConfigReadFailed, true, Arguments::text},
    {308, idsConfigWrongType, false, Arguments::none},       {309, idsConfigUnknownKey, false, Arguments::none},
    {310, idsConfigPathTooLong, true, Arguments::none},      {311, idsConfigPathInvalid, true, Arguments::none},
    {312, idsConfigPathNotPlainText, true, Arguments::none}, {313, idsConfigMalformed, true, Arguments::textAndLine},
    {314, idsConfigNotPlainText, true, Arguments::text},     {315, idsConfigFileTooLong, true, Arguments::text},
    {3090, idsConfigSwitchErrors, true, Arguments::text},
};

std::optional<ErrorMessage> messageFor(std::int32_t code) {
    for (const auto& message : messages) {
        if (message.code == code) return message;
    }
    return std::nullopt;
}

std::string lineOf(const OwnedConfig& configuration) {
    const std::uint32_t* lines = nullptr;
    std::uint32_t count = 0;
    if (const auto result = configuration.api.getErrorLines(configuration.context, &lines, &count)) {
        ZARN_THROW(settings::Exception, result, "getErrorLines failed with " + std::to_string(result));
    }
    if (lines == nullptr || count == 0) return "<line number>";
    return std::to_string(static_cast<std::uint64_t>(lines[0]) + 1);
}

Locale::LangId messageLanguage() {
    try {
        return Locale::defaultLocale().langId();
    }
    ZARN_CATCH_ALL
    return Locale::englishLangId;
}

}  // namespace

bool InstallConfigData::ShowConfigError(platform::Module module, const OwnedConfig& configuration, std::int32_t code,
                                        const std::string& text, bool silent) {
    if (code == 0) return true;
    const auto message = messageFor(code);
    if (!message) {
        LOG_INFO(tstrings::format("Unknown Error code %d", static_cast<int>(code)));
        return false;
    }
    std::vector<std::string> arguments;
    if (message->arguments != Arguments::none) arguments.push_back(text);
    if (message->arguments == Arguments::textAndLine) arguments.push_back(lineOf(configuration));
    try {
        const StringResource strings(messageLanguage(), module);
        const std::string shown =
            tstrings::fitBuffer(tstrings::fillIn(strings.load(message->stringId), arguments), messageBytes);
        LOG_INFO(shown);
        if (message->shown && !silent) {
            platform::ErrorCode error = 0;
            platform::machine().desktop().messageBox(platform::Window::null, shown, strings.load(idsConfigErrorCaption),
                                                     platform::mb::iconError, error);
        }
    }
    ZARN_CATCH_ALL
    return false;
}

}  // namespace config
