// extract_bench.exe PATH: puts its resource 103 at PATH as the installer does (written in pieces, held
// against writers, its digest checked against the recorded one through the held handle) on the real
// machine, and prints how long each step took, the process's peak working set and its peak private
// (committed) memory, so the extraction is timed without Wine's process start-up.
#include <windows.h>
// The process status API builds on <windows.h>.
#include <psapi.h>

#include <cstdio>

#include "driver/package_hold.h"
#include "driver/payload_extraction.h"
#include "foundation/process_exit.h"
#include "platform/win32/win32_machine.h"

namespace {

double millisecondsSince(const LARGE_INTEGER& start) {
    LARGE_INTEGER now{};
    LARGE_INTEGER frequency{};
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(now.QuadPart - start.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: extract_bench PATH\n", stderr);
        return 2;
    }
    static platform::win32::Win32Machine machine;
    platform::installMachine(&machine);

    LARGE_INTEGER start{};
    QueryPerformanceCounter(&start);
    try {
        if (!driver::WriteEmbeddedPackage(103, argv[1])) {
            std::fputs("extract_bench: no resource 103 of type ZARN_INSTALLER\n", stderr);
            return 1;
        }
    } catch (const ProcessExit& exit) {
        std::fprintf(stderr, "extract_bench: the write failed with error %d\n", exit.code);
        return 1;
    }
    const double written = millisecondsSince(start);
    const auto digest = driver::RecordedPackageDigest();
    driver::HeldPackage package;
    if (!digest || !package.hold(argv[1]) || !package.matches(*digest)) {
        std::fputs("extract_bench: the written package is not the one recorded\n", stderr);
        return 1;
    }
    const double checked = millisecondsSince(start);
    PROCESS_MEMORY_COUNTERS_EX memory{};
    memory.cb = sizeof memory;
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory);
    std::printf("write ms: %.3f\nwrite+hold+sha256 ms: %.3f\npeak working set bytes: %llu\npeak private bytes: %llu\n",
                written, checked, static_cast<unsigned long long>(memory.PeakWorkingSetSize),
                static_cast<unsigned long long>(memory.PeakPagefileUsage));
    return 0;
}
