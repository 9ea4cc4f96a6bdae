// The installer run: the fixed sequence of phases from start-up to the exit code.
#pragma once

#include <string>

#include "driver/phases.h"

namespace driver {

/// Walks the whole run and returns the process exit code. `commandLine` is the program's command line
/// as the entry point received it (for the log); the configuration reads the wide one itself. Requests
/// left running at their deadlines are waited for once more, within net::lastWaitMs; when one still runs
/// (net::awaitAbandonedRequests(0) is false), the process must end without running destructors.
int RunInstaller(Phases& phases, const std::string& commandLine);

}  // namespace driver
