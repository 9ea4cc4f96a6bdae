// Creating the directories a file is about to be saved into.
#pragma once

#include "settings/file_name.h"

namespace settings_impl {

/// Creates every missing directory above the file, from the drive down: 311 when one cannot be made.
/// `file` must be canonical (a logic error otherwise).
void createParentDirectories(const FileName& file);

}  // namespace settings_impl
