// Ending the process from deep inside the run: the driver's entry point catches this and returns the
// code, so every path out of the run leaves through one place on every machine.
#pragma once

struct ProcessExit {
    int code;
};

/// Ends the run at once with `code` (skipping the end-of-run steps).
[[noreturn]] inline void endProcess(int code) { throw ProcessExit{code}; }
