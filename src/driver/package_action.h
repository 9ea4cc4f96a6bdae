// What the run hands to Windows Installer: properties, extra command-line text, log and package path.
#pragma once

#include <map>
#include <string>

namespace driver {

struct PackageAction {
    std::map<std::string, std::string> properties;  // ordered by name, byte-wise
    std::string extraCommandLine;
    int internalUiLevel = 2;  // no Windows Installer UI: the installer shows its own progress
    std::string logPath;
    std::string packagePath;
};

}  // namespace driver
