// Identifiers of the program's resources.
#pragma once

#define IDS_WARNING_CAPTION 115
#define IDS_IN_PROGRESS_CAPTION 116
#define IDS_IN_PROGRESS_TEXT 117
#define IDS_UNSUPPORTED_OS_TEXT 120
