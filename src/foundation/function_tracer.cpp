#include "foundation/function_tracer.h"

#include <utility>

FunctionTracer::FunctionTracer(const Logger& logger, LogLevel level, std::string file, std::uint32_t line,
                               std::string function, std::string text)
    : logger_(logger),
      level_(level),
      enabled_(logger.minLevel() < 1),
      file_(std::move(file)),
      line_(line),
      function_(std::move(function)),
      text_(std::move(text)) {
    if (enabled_) logger_.write(level_, file_, line_, function_, "Entering " + text_);
}

FunctionTracer::~FunctionTracer() {
    if (!enabled_) return;
    try {
        const std::string where = std::string(fileNamePart(file_)) + ":" + std::to_string(line_);
        logger_.write(level_, file_, 0, function_, "Exiting " + text_ + " (entered at " + where + ")");
    } catch (...) {
    }
}
