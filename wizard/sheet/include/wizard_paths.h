// Paths as the wizard's pages keep them: the case a person typed or a file
// carries is kept, '/' separates folders (a '\\' is taken as one too), a
// leading '/' makes a path absolute, and letter case is ignored only when
// paths are compared.
#pragma once

#include "fw_string.h"

// TRUE for a path that names its folder from the root: a leading '/' or
// '\\', or a drive (a ':').
BOOL IsAbsolutePath(const CString& path);
// TRUE when the path holds a folder part ('/' or '\\' anywhere).
BOOL HasFolderPart(const CString& path);
// The folder part of path without a trailing separator; empty when path
// names no folder.
CString FolderOfPath(const CString& path);
// folder and name joined by one '/'.
CString JoinPath(const CString& folder, const CString& name);
// The folder with a trailing separator ('/' added when it ends in neither
// '/' nor '\\').
CString WithTrailingSeparator(const CString& folder);
// The folder without trailing separators (a lone "/" stays).
CString WithoutTrailingSeparator(const CString& folder);
// TRUE when text holds part, letter case ignored.
BOOL ContainsNoCase(const CString& text, const CString& part);
// tallyport.ini of the program folder.
CString ProgramIniPath();
