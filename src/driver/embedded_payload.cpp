#include "driver/embedded_payload.h"

#include "driver/options_document.h"
#include "driver/package_run.h"
#include "driver/payload_extraction.h"
#include "foundation/logger.h"

namespace driver {

std::string EmbeddedPayload::preparePackagePath() { return driver::preparePackagePath(); }

bool EmbeddedPayload::writePackage(const std::string& path) {
    if (!driver::writePackage(path)) return false;
    package_.hold(path);  // a package that cannot be held is refused when it is to run
    return true;
}

int EmbeddedPayload::getOptionsFromXmlIfOnline(bool interactive) {
    std::string offlineOptions;  // read, and acted on by nothing
    return GetOptionsFromXmlIfOnline(offlineOptions, interactive);
}

std::string EmbeddedPayload::commandLine(const PackageAction& action) { return ComposeCommandLine(action); }

int EmbeddedPayload::execCommand(const PackageAction& action) {
    return ExecCommand(action, [this] { return packageIntact(); });
}

bool EmbeddedPayload::packageIntact() {
    const auto recorded = RecordedPackageDigest();
    if (!recorded) {
        LOG_ERROR("The program carries no digest of its package; the package is not run");
        return false;
    }
    return package_.matches(*recorded);
}

}  // namespace driver
