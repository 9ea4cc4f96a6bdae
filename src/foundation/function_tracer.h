// Logs "Entering ..." when a scope starts and "Exiting ..." when it ends.
#pragma once

#include <cstdint>
#include <string>

#include "foundation/logger.h"

class FunctionTracer {
public:
    FunctionTracer(const Logger& logger, LogLevel level, std::string file, std::uint32_t line, std::string function,
                   std::string text);
    ~FunctionTracer();

    FunctionTracer(const FunctionTracer&) = delete;
    FunctionTracer& operator=(const FunctionTracer&) = delete;

private:
    const Logger& logger_;
    LogLevel level_;
    bool enabled_;
    std::string file_;
    std::uint32_t line_;
    std::string function_;
    std::string text_;
};

#define ZARN_TRACE_CONCAT_(a, b) a##b
#define ZARN_TRACE_NAME_(line) ZARN_TRACE_CONCAT_(zarnTracer_, line)
#define TRACE_FUNCTION(text)                                                                                    \
    const ::FunctionTracer ZARN_TRACE_NAME_(__LINE__)(::logger(), ::logTrace, __FILE__,                         \
                                                      static_cast<std::uint32_t>(__LINE__), ZARN_FUNCTION, text)
