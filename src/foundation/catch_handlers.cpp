#include "foundation/catch_handlers.h"

#include "foundation/logger.h"

void logCaughtException(const SourceLocation& where, const std::exception& e) noexcept {
    try {
        const Logger& log = logger();
        if (log.enabled(logError)) {
            log.write(logError, where.file, where.line, where.function,
                      std::string("Exception with message '") + e.what() + "' caught");
        }
    } catch (...) {
    }
}

void logCaughtUnknown(const SourceLocation& where) noexcept {
    try {
        const Logger& log = logger();
        if (log.enabled(logError)) log.write(logError, where.file, where.line, where.function, "Unknown exception caught");
    } catch (...) {
    }
}
