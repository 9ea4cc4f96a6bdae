// What a page reaches through `window.external`, and the browser events every engine reports the same
// way. The engines turn script values into texts and browser events into these calls; the rules of the
// five methods live here once.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/html_window.h"

namespace ui::external {

/// The methods in dispatch-id order: "getLocale" is 1, "delay" 5.
inline constexpr const char* methods[] = {"getLocale", "notify", "log", "setWindowProp", "delay"};
inline constexpr std::int32_t firstId = 1;
inline constexpr std::int32_t lastId = 5;
inline constexpr std::int32_t unknownName = -1;

/// The dispatch id of `name` (exact, case-sensitive), or `unknownName`.
std::int32_t dispatchId(std::string_view name);

/// Runs method `id` (`firstId` to `lastId`) with the script's arguments as texts, first argument first,
/// for `handler` (null when the window has none). Returns getLocale's text ("en" without a handler);
/// nothing for the other methods. An exception is logged, never passed on: it must not reach the page.
std::optional<std::string> invoke(std::int32_t id, const std::vector<std::string>& arguments,
                                  WindowHandler* handler) noexcept;

}  // namespace ui::external

namespace ui::browser_events {

/// A navigation is about to start: logs it; true when it is to be cancelled, because its URL ends in
/// "#" (the pages' link anchors, whose meaning reaches the host through `external.notify` instead).
bool beforeNavigate(std::string_view url);
/// The document has loaded: the handler's `onLoadComplete`, when there is a handler.
void documentComplete(WindowHandler* handler);
/// A navigation failed: the handler's `onNavigateError` with `status`, when there is a handler. The
/// engine cancels the browser's own error page.
void navigateError(WindowHandler* handler, std::int32_t status);

}  // namespace ui::browser_events
