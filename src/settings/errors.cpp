#include "settings/errors.h"

#include <utility>

namespace settings {

Exception::Exception(std::int32_t code, std::string detail)
    : code_(code), message_("settings error " + std::to_string(code) + ": " + std::move(detail)) {}

}  // namespace settings
