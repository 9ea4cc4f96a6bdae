#include "html_ui/external_calls.h"

#include <cstring>
#include <limits>
#include <stdexcept>

#include "foundation/catch_handlers.h"
#include "foundation/logger.h"
#include "foundation/number_text.h"
#include "platform/machine.h"

namespace ui::external {

namespace {

constexpr std::int32_t getLocaleId = 1;
constexpr std::int32_t notifyId = 2;
constexpr std::int32_t logId = 3;
constexpr std::int32_t setWindowPropId = 4;
constexpr std::int32_t delayId = 5;

// Page calls are logged and reported where the window's external object stands in the browser.
constexpr const char* logFunction = "ui::BrowserControl::BrowserExternal::log";
constexpr const char* invokeFunction = "ui::BrowserControl::BrowserExternal::Invoke";

void log(const std::vector<std::string>& arguments) {
    LogLevel level = logError;
    std::size_t first = 0;
    if (!arguments.empty()) {
        for (LogLevel channel = logTrace; channel <= logError; ++channel) {
            if (arguments[0] == logLevelName(channel)) {
                level = channel;
                first = 1;
                break;
            }
        }
    }
    const Logger& out = logger();
    if (!out.enabled(level)) return;
    std::string message;
    for (std::size_t i = first; i < arguments.size(); ++i) message += arguments[i];
    if (arguments.empty()) message = "empty message";
    out.write(level, __FILE__, static_cast<std::uint32_t>(__LINE__), logFunction, message);
}

void delay(const std::vector<std::string>& arguments) {
    std::uint32_t milliseconds = 0;
    if (!arguments.empty()) {
        const auto number =
            numberText::extractInteger(arguments[0], 10, 0, std::numeric_limits<std::uint32_t>::max());
        if (!number || arguments[0].find('-') != std::string::npos) {
            LOG_ERROR("cannot get parameter value (" << arguments[0] << "): not an unsigned number");
        } else {
            milliseconds = static_cast<std::uint32_t>(*number);
        }
    }
    platform::machine().kernel().sleep(milliseconds);
}

std::vector<std::string> rest(const std::vector<std::string>& arguments) {
    return {arguments.begin() + 1, arguments.end()};
}

}  // namespace

std::int32_t dispatchId(std::string_view name) {
    for (std::int32_t id = firstId; id <= lastId; ++id) {
        if (name == methods[id - firstId]) return id;
    }
    return unknownName;
}

std::optional<std::string> invoke(std::int32_t id, const std::vector<std::string>& arguments,
                                  WindowHandler* handler) noexcept {
    try {
        switch (id) {
            case getLocaleId:
                return handler != nullptr ? handler->getLocale() : std::string("en");
            case notifyId:
                if (handler == nullptr) break;
                if (arguments.empty()) throw std::runtime_error("external.notify: no parameters specified");
                handler->onEvent(arguments[0], rest(arguments));
                break;
            case logId:
                log(arguments);
                break;
            case setWindowPropId:
                if (handler == nullptr) break;
                if (arguments.empty()) throw std::runtime_error("external.setWindowProp: no parameters specified");
                handler->setWindowProp(arguments[0], rest(arguments));
                break;
            case delayId:
                delay(arguments);
                break;
            default:
                break;
        }
    } catch (const std::exception& e) {
        logCaughtException(SourceLocation{__FILE__, invokeFunction, static_cast<std::uint32_t>(__LINE__)}, e);
    } catch (...) {
        logCaughtUnknown(SourceLocation{__FILE__, invokeFunction, static_cast<std::uint32_t>(__LINE__)});
    }
    return std::nullopt;
}

}  // namespace ui::external

namespace ui::browser_events {

bool beforeNavigate(std::string_view url) {
    LOG_TRACE("OnBeforeNavigate: " << url);
    return !url.empty() && url.back() == '#';
}

void documentComplete(WindowHandler* handler) {
    if (handler != nullptr) handler->onLoadComplete();
}

void navigateError(WindowHandler* handler, std::int32_t status) {
    if (handler != nullptr) handler->onNavigateError(status);
}

}  // namespace ui::browser_events
