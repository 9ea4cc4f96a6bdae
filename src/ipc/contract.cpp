#include "ipc/contract.h"

#include <cstdio>
#include <cstdlib>

#include "foundation/logger.h"

namespace ipc {

void contractViolated(const char* check, const SourceLocation& where) noexcept {
    try {
        const Logger& log = logger();
        if (log.enabled(logError)) {
            log.write(logError, where.file, where.line, where.function, std::string("Contract violated: ") + check);
        }
    } catch (...) {
    }
    std::fprintf(stderr, "Contract violated: %s at %s(%u)\n", check, std::string(fileNamePart(where.file)).c_str(),
                 where.line);
    std::fflush(stderr);
    std::abort();
}

}  // namespace ipc
