// The product package the program carries: written to the package directory, held there against
// changes, checked against the digest the build recorded, and run.
#pragma once

#include "driver/package_hold.h"
#include "driver/phases.h"

namespace driver {

class EmbeddedPayload final : public Payload {
public:
    std::string preparePackagePath() override;
    bool writePackage(const std::string& path) override;
    int getOptionsFromXmlIfOnline(bool interactive) override;
    std::string commandLine(const PackageAction& action) override;
    /// A package that is not held or not as built is not run: the run fails with 1603.
    int execCommand(const PackageAction& action) override;
    void releasePackage() override { package_.release(); }

private:
    bool packageIntact();

    HeldPackage package_;
};

}  // namespace driver
