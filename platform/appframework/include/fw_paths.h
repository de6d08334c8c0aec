// File names as the program writes them (Windows style, '\\' separators,
// any letter case) mapped onto the Linux file system, and the program's own
// folder.
#pragma once

#include "fw_string.h"

// path with every '\\' turned into '/', and each component that does not
// exist as written replaced by the one entry of its folder whose name
// differs only in ASCII letter case (the first in byte order when several
// do). Components with no such entry are kept as written, so the result
// also names files still to be made.
CString FwNativePath(LPCTSTR path);
// The folder of the running executable (no trailing '/'), or the override.
CString FwProgramFolder();
// Replaces the executable's folder (null: back to the executable's).
void FwSetProgramFolder(LPCTSTR folder);
