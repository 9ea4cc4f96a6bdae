// Assembles the Win32 ports into the machine; the ports themselves live one per file beside it.
#include "platform/win32/win32_machine.h"

#include "platform/win32/win32_ports.h"

namespace platform::win32 {

Win32Machine::Win32Machine()
    : registry_(std::make_unique<Win32Registry>()),
      fileSystem_(std::make_unique<Win32FileSystem>()),
      kernel_(std::make_unique<Win32Kernel>()),
      system_(std::make_unique<Win32System>()),
      resources_(std::make_unique<Win32Resources>()),
      desktop_(std::make_unique<Win32Desktop>()),
      processes_(std::make_unique<Win32Processes>()),
      installer_(std::make_unique<Win32Installer>()),
      internet_(std::make_unique<Win32Internet>()),
      crypto_(std::make_unique<Win32Crypto>()) {}

Win32Machine::~Win32Machine() = default;

}  // namespace platform::win32
