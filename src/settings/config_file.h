// Saving a configuration to a file.
#pragma once

#include "settings/config.h"
#include "settings/file_name.h"

namespace settings_impl {

/// Creates the missing directories above `file` (311), then writes the configuration's text (a single
/// blank when it has no key). An existing file is rewritten in place, keeping its security, with line
/// feeds as CR LF; a new one is created for administrators to write and everyone to read. Cannot open
/// or create: 304; short write: 306.
void saveConfigFile(const Config& config, const FileName& file);

}  // namespace settings_impl
