// Closing every running copy of a program, as a browser restart needs: its windows are asked to
// close, and a copy still running after a grace period is ended.
#pragma once

#include <string_view>

namespace processes {

/// How a program's top-level windows are asked to close.
enum class CloseRequest {
    postClose,  // WM_CLOSE posted to each window
    destroy,    // DestroyWindow on each window
};

/// Closes every running process whose executable file name is `exeName` (letter case ignored): its
/// top-level windows are asked to close as `how` says, it gets 5 s to end, then it is terminated
/// (exit code 0) and waited for up to 5 s more. Returns the number of processes found.
int closeByName(std::string_view exeName, CloseRequest how);

}  // namespace processes
