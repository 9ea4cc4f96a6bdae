#include "foundation/logger.h"

#include <utility>

#include "foundation/path.h"
#include "foundation/tstrings_format.h"
#include "platform/machine.h"
#include "platform/win_errors.h"

namespace {

Logger processLogger;

// A log that cannot be opened is given up quickly; one that another writer holds for a line is waited
// for much longer, so that concurrent writers lose no record, but never long enough to hang the run
// when a foreign process keeps the file locked.
constexpr int openAttempts = 10;
constexpr int heldLogAttempts = 1000;

bool heldByAnotherWriter(platform::ErrorCode e) {
    return e == platform::err::sharingViolation || e == platform::err::lockViolation;
}

}  // namespace

const char* logLevelName(LogLevel level) {
    switch (level) {
        case logTrace: return "TRACE";
        case logInfo: return "INFO";
        case logWarning: return "WARNING";
        case logError: return "ERROR";
        default: return "UNKNOWN";
    }
}

Logger::Logger(std::int32_t minLevel, std::string path, std::string moduleName)
    : minLevel_(minLevel), path_(std::move(path)), moduleName_(std::move(moduleName)) {}

std::string Logger::formatRecord(const platform::SystemTime& t, std::string_view moduleName,
                                 std::uint32_t processId, std::uint32_t threadId, std::string_view file,
                                 std::uint32_t line, std::string_view function, LogLevel level,
                                 std::string_view message) {
    const std::string module(moduleName);
    const std::string fileName(fileNamePart(file));
    const std::string fn(function);
    const std::string text(message);
    return tstrings::format("[%04u/%02u/%02u %02u:%02u:%02u.%03u, %s (PID: %u, TID: %u), %s:%u (%s)]\n\t%s: %s\n",
                            unsigned{t.year}, unsigned{t.month}, unsigned{t.day}, unsigned{t.hour},
                            unsigned{t.minute}, unsigned{t.second}, unsigned{t.milliseconds}, module.c_str(),
                            processId, threadId, fileName.c_str(), line, fn.c_str(), logLevelName(level),
                            text.c_str());
}

void Logger::write(LogLevel level, std::string_view file, std::uint32_t line, std::string_view function,
                   std::string_view message) const noexcept {
    if (path_.empty()) return;
    try {
        auto& m = platform::machine();
        const std::string record =
            formatRecord(m.system().localTime(), moduleName_, m.kernel().currentProcessId(),
                         m.kernel().currentThreadId(), file, line, function, level, message);

        // Open, append and close per record under deny-write sharing, so that threads and processes
        // take turns; a writer that finds the file held retries briefly, then drops the record.
        platform::Handle handle = platform::Handle::invalid;
        int failures = 0;
        int held = 0;
        for (;;) {
            const auto e = m.fileSystem().createFile(path_, platform::file::appendData, platform::file::shareRead,
                                                     platform::file::openAlways, platform::file::attributeNormal,
                                                     handle);
            if (e == platform::err::success) break;
            if (heldByAnotherWriter(e) ? ++held == heldLogAttempts : ++failures == openAttempts) return;
            m.kernel().sleep(1);
        }
        std::uint32_t written = 0;
        m.fileSystem().writeFile(handle, record.data(), static_cast<std::uint32_t>(record.size()), written);
        m.kernel().closeHandle(handle);
    } catch (...) {
        // The log is the last resort for reporting; a failure to log has nowhere to go.
    }
}

const Logger& logger() { return processLogger; }

Logger replaceLogger(Logger next) { return std::exchange(processLogger, std::move(next)); }

std::string defaultLogPath() {
    std::string temp;
    if (platform::machine().fileSystem().tempPath(temp) != platform::err::success) return {};
    return path::join(temp, logFileName);
}

namespace {

std::string executableName() {
    std::string modulePath;
    if (platform::machine().system().moduleFileName(platform::Module::self, modulePath) != platform::err::success) {
        return "Unknown";
    }
    return std::string(fileNamePart(modulePath));
}

}  // namespace

void startLogging() {
    std::string path;
    std::string module = "Unknown";
    try {
        path = defaultLogPath();
        module = executableName();
    } catch (...) {
    }
    replaceLogger(Logger(0, std::move(path), std::move(module)));
}
