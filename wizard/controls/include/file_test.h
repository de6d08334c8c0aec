// Whether a file can be read.
#pragma once

#include "fw_string.h"

// TRUE when the file can be opened for reading (it is opened and closed
// again). The path keeps its case; '\\' separators are taken as '/'.
BOOL FileExists(LPCTSTR path);
