// The options document and the addresses in it come from the network. Any text must give options
// within their buffers, and the address rule must take any text it is handed.
#include <cstddef>
#include <cstdint>
#include <string>

#include "driver/options_document.h"
#include "metrics/update_utils.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const driver::Options options = driver::ParseOptionsDocument(text, "de");
    if (options.postStatusUrl.size() > 255 || options.countryLookup.size() > 255 || options.imageBase.size() > 255 ||
        options.offlineOptions.size() > 2047 || (options.postStatus != 0 && options.postStatus != 1)) {
        __builtin_trap();
    }
    UpdateUtils::IsAllowedUrl(options.postStatusUrl);
    UpdateUtils::IsAllowedUrl(options.countryLookup);
    UpdateUtils::IsAllowedUrl(text);
    return 0;
}
