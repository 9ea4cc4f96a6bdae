// The library search path of the run on the real machine: once the run has started, a library planted
// beside the program is not found by name, while the system's own libraries still are.
#include <windows.h>

#include <gtest/gtest.h>

#include "driver/startup_phase.h"
#include "platform/win32/win32_machine.h"

namespace {

platform::win32::Win32Machine machine;

TEST(LibrarySearch, APlantedLibraryIsNotLoadedOnceTheRunStarts) {
    platform::installMachine(&machine);
    HMODULE planted = LoadLibraryW(L"zplanted.dll");
    ASSERT_NE(planted, nullptr) << "before, the library beside the program is found by name";
    FreeLibrary(planted);

    driver::MachineStartup().removeCurrentDirectoryFromDllSearch();
    EXPECT_EQ(LoadLibraryW(L"zplanted.dll"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
    HMODULE system = LoadLibraryW(L"version.dll");
    EXPECT_NE(system, nullptr) << "system libraries still load by name";
    if (system != nullptr) FreeLibrary(system);
}

}  // namespace
