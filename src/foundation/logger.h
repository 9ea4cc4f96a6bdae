// The process-wide log: two text lines a record, appended to "zusched.log" in the temp directory.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "foundation/log_message.h"
#include "foundation/source_location.h"
#include "platform/types.h"

using LogLevel = std::uint32_t;
inline constexpr LogLevel logTrace = 0;
inline constexpr LogLevel logInfo = 1;
inline constexpr LogLevel logWarning = 2;
inline constexpr LogLevel logError = 3;

/// "TRACE", "INFO", "WARNING", "ERROR", or "UNKNOWN" for any other level.
const char* logLevelName(LogLevel level);

inline constexpr const char* logFileName = "zusched.log";

class Logger {
public:
    Logger() = default;
    Logger(std::int32_t minLevel, std::string path, std::string moduleName);

    /// Callers check this before building a message.
    bool enabled(LogLevel level) const { return minLevel_ <= static_cast<std::int64_t>(level); }
    std::int32_t minLevel() const { return minLevel_; }
    const std::string& path() const { return path_; }
    const std::string& moduleName() const { return moduleName_; }

    /// Appends one record; never throws and never reports its own failure. An empty path writes nothing.
    /// The file is opened per record under deny-write sharing; a failed open is retried 1 ms later, up
    /// to 10 times, or up to 1000 times while another writer holds the file.
    void write(LogLevel level, std::string_view file, std::uint32_t line, std::string_view function,
               std::string_view message) const noexcept;

    /// The record text: "[date time, module (PID: p, TID: t), file:line (function)]\n\tLEVEL: message\n".
    static std::string formatRecord(const platform::SystemTime& time, std::string_view moduleName,
                                    std::uint32_t processId, std::uint32_t threadId, std::string_view file,
                                    std::uint32_t line, std::string_view function, LogLevel level,
                                    std::string_view message);

private:
    std::int32_t minLevel_ = 0;
    std::string path_;
    std::string moduleName_ = "Unknown";
};

/// The process-wide logger. Until `startLogging` runs its path is empty and it writes nothing.
const Logger& logger();

/// Points the process-wide logger at the machine's temp directory and names the module after the
/// running executable. Runs once at start-up, before other threads exist.
void startLogging();

/// Replaces the process-wide logger (tests use a fixed path); returns the previous one.
Logger replaceLogger(Logger next);

/// The log path of the machine: the temp directory without trailing separators, joined with the file name.
std::string defaultLogPath();

#define ZARN_LOG(level, streamed)                                                                              \
    do {                                                                                                       \
        const ::Logger& zarnLogger_ = ::logger();                                                              \
        if (zarnLogger_.enabled(level)) {                                                                      \
            ::LogMessage zarnMessage_;                                                                         \
            zarnMessage_ << streamed;                                                                          \
            zarnLogger_.write(level, __FILE__, static_cast<std::uint32_t>(__LINE__), ZARN_FUNCTION,            \
                              zarnMessage_.str());                                                             \
        }                                                                                                      \
    } while (false)

#define LOG_TRACE(streamed) ZARN_LOG(::logTrace, streamed)
#define LOG_INFO(streamed) ZARN_LOG(::logInfo, streamed)
#define LOG_WARNING(streamed) ZARN_LOG(::logWarning, streamed)
#define LOG_ERROR(streamed) ZARN_LOG(::logError, streamed)
