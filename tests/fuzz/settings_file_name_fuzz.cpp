// Feeds arbitrary text to the file-name rules. A name they accept as drive-rooted must become a
// canonical name that passes the rules again, holds no "." or ".." and is its own canonical form.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "settings/errors.h"
#include "settings/file_name.h"

namespace {

using settings_impl::FileName;

bool isDotComponent(const std::string& component) { return component == "." || component == ".."; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    FileName canonical;
    try {
        const FileName name(text);
        if (!name.isDriveRooted()) return 0;  // relative names need the machine's current directory
        canonical = name.canonical();
    } catch (const settings::Exception&) {
        return 0;
    }
    if (!canonical.isCanonical() || !canonical.isDriveRooted()) __builtin_trap();
    for (const auto& component : canonical.components()) {
        if (isDotComponent(component)) __builtin_trap();
    }
    const FileName reread(canonical.text());
    if (reread.canonical().text() != canonical.text() || reread.components() != canonical.components()) {
        __builtin_trap();
    }
    return 0;
}
