#include <gtest/gtest.h>

#include "contract.h"
#include "foundation/path.h"
#include "platform/win_errors.h"

namespace contract {

std::string windowProgram() {
    std::string self;
    EXPECT_EQ(platform::machine().system().moduleFileName(platform::Module::self, self), 0u);
    return path::join(self.substr(0, self.find_last_of('\\')), windowProgramName);
}

std::string runId() { return "ZarnContract-" + std::to_string(platform::machine().kernel().currentProcessId()); }

void removeRunKeys() {
    auto& registry = platform::machine().registry();
    registry.deleteTree(platform::RegKey::currentUser, "Software\\" + runId());
    for (const auto view : {platform::reg::wow64_64Key, platform::reg::wow64_32Key}) {
        platform::RegKey software = platform::RegKey::null;
        if (registry.openKey(platform::RegKey::localMachine, "SOFTWARE", platform::reg::allAccess | view, software) ==
            platform::err::success) {
            registry.deleteTree(software, runId());
            registry.closeKey(software);
        }
    }
}

namespace {

void removeTree(const std::string& directory) {
    auto& fs = platform::machine().fileSystem();
    std::vector<platform::DirEntry> entries;
    if (fs.listDirectory(directory, "*", entries) != 0) return;
    for (const auto& e : entries) {
        const auto child = path::join(directory, e.name);
        if (e.attributes & platform::file::attributeDirectory) {
            removeTree(child);
        } else {
            fs.setFileAttributes(child, platform::file::attributeNormal);
            fs.deleteFile(child);
        }
    }
    fs.removeDirectory(directory);
}

}  // namespace

std::string freshDirectory(const std::string& name) {
    auto& fs = platform::machine().fileSystem();
    std::string temp;
    EXPECT_EQ(fs.tempPath(temp), 0u);
    const auto base = path::join(temp, runId());
    fs.createDirectory(base);
    const auto directory = path::join(base, name);
    removeTree(directory);
    EXPECT_EQ(fs.createDirectory(directory), 0u) << directory;
    return directory;
}

}  // namespace contract
