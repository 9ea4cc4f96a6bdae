#include "driver/process_values.h"

#include "foundation/product_constants.h"

namespace driver {

namespace {

// Texts longer than their fields are cut, as the fixed buffers they fill would cut them.
std::string fit(std::string text, std::size_t bytes) {
    if (text.size() >= bytes) text.resize(bytes - 1);
    return text;
}

}  // namespace

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

void setCountryCode(std::string code) { processValues().countryCode = fit(std::move(code), 20); }

void setPostStatusUrl(std::string url) { processValues().postStatusUrl = fit(std::move(url), 256); }

}  // namespace driver
