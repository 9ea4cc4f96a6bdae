#include "driver/process_values.h"

#include "foundation/product_constants.h"
#include "foundation/tstrings_format.h"

namespace driver {

const RuntimeIdentity& ThisRuntime() {
    static const RuntimeIdentity identity = [] {
        RuntimeIdentity r;
        r.kind = product::runtimeKind;
        r.architecture = product::processBitness;
        r.prefix = product::runtimePrefix;
        r.versionText = product::versionText;
        r.plainVersion = r.versionText.substr(0, r.versionText.find("-b"));
        return r;
    }();
    return identity;
}

ProcessValues& processValues() {
    static ProcessValues values;
    return values;
}

void setCountryCode(std::string code) { processValues().countryCode = tstrings::fitBuffer(std::move(code), 20); }

void setPostStatusUrl(std::string url) { processValues().postStatusUrl = tstrings::fitBuffer(std::move(url), 256); }

}  // namespace driver
