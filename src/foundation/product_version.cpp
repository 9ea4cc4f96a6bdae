#include "foundation/product_version.h"

#include "foundation/product_constants.h"

namespace product {

const ZarnVersion& thisVersion() {
    static const ZarnVersion version(versionText);
    return version;
}

namespace {

// Parsed while the program starts, before any thread exists, so a bad constant stops it at once.
[[maybe_unused]] const ZarnVersion& parsedAtStartUp = thisVersion();

}  // namespace

}  // namespace product
