// Asks for the out-of-date runtimes of this machine as the removal does, for the end-to-end scenarios:
// prints each candidate ("1.6.0_45 64 in-range") in order, or the error that ended the search.
#include <cstdio>
#include <exception>

#include "foundation/version_details.h"
#include "platform/win32/win32_machine.h"
#include "scrub/latest_version.h"

int main() {
    static platform::win32::Win32Machine machine;
    platform::installMachine(&machine);
    try {
        for (const zscrub::ScrubVersion& candidate : zscrub::findOutOfDateVersions("1.8.0_45")) {
            std::printf("%s %u%s\n", ZarnVersionDetails::toString(candidate.version).c_str(), candidate.bitness,
                        (candidate.flags & zscrub::ScrubVersion::inRange) != 0 ? " in-range" : "");
        }
    } catch (const std::exception& e) {
        std::printf("error: %s\n", e.what());
        return 1;
    }
    return 0;
}
