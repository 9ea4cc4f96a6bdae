// extract_bench.exe PATH: writes its resource 103 to PATH through the installer's own package writer
// on the real machine and prints how long the write took, so the write is timed without Wine's
// process start-up.
#include <windows.h>

#include <cstdio>

#include "driver/payload_extraction.h"
#include "foundation/process_exit.h"
#include "platform/win32/win32_machine.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: extract_bench PATH\n", stderr);
        return 2;
    }
    static platform::win32::Win32Machine machine;
    platform::installMachine(&machine);

    LARGE_INTEGER frequency{};
    LARGE_INTEGER start{};
    LARGE_INTEGER end{};
    QueryPerformanceFrequency(&frequency);
    bool written = false;
    QueryPerformanceCounter(&start);
    try {
        written = driver::WriteEmbeddedPackage(103, argv[1]);
    } catch (const ProcessExit& exit) {
        std::fprintf(stderr, "extract_bench: the write failed with error %d\n", exit.code);
        return 1;
    }
    QueryPerformanceCounter(&end);
    if (!written) {
        std::fputs("extract_bench: no resource 103 of type ZARN_INSTALLER\n", stderr);
        return 1;
    }
    const double ms =
        static_cast<double>(end.QuadPart - start.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
    std::printf("write ms: %.3f\n", ms);
    return 0;
}
