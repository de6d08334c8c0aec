// What a person is told when a file could not be written because its disk
// is full or the file grew past the size it may have: the text names the
// file, in place of a bare "could not write".
#pragma once

#include "fw_string.h"

// The explanation of a failed write to path: error is the errno of the
// failed call, or 0 when it is not known (an error of the database
// runtime), in which case the file system of path is asked (free space
// below a few pages: full; path or its log at the process's file-size
// limit: too large). Empty when neither holds.
//   "The disk is full: PATH could not be written."
//   "The file PATH is too large: it could not be written (the limit is N bytes)."
CString WriteFailureText(LPCTSTR path, int error = 0);

// TRUE for an errno that WriteFailureText explains (ENOSPC, EDQUOT, EFBIG).
bool IsDiskFullError(int error);
