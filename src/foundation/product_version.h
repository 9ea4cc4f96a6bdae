// The version of the runtime this installer carries, parsed once for the whole process.
#pragma once

#include "foundation/version_details.h"

namespace product {

/// product::versionText parsed; the kind, prefix and bitness that go with it are in product_constants.h.
const ZarnVersion& thisVersion();

}  // namespace product
