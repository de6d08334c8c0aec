// Private-profile (ini) files with the Windows calls' behaviour: sections
// and keys match without regard to ASCII case, keys and values are trimmed,
// a missing key gives the caller's default, texts are cut to fit the
// caller's buffer (size - 1 characters and a NUL), a value between a pair
// of equal quotes (" or ') reads without them, and a write creates the file
// or section when needed and keeps every other line as it was. A write
// replaces the file whole and never interleaves with another process's; it
// goes through a symbolic link to the file it names, and a read-only file
// is not written (the write fails). File
// names are Windows-style (FwNativePath). An unreadable or missing file
// reads as empty; junk lines are skipped.
#pragma once

#include "fw_string.h"
#include "fw_types.h"

// The value of key in section, or def (trimmed) when it is missing, copied
// into buffer; returns the count of characters copied. With a null section
// the names of all sections, with a null key the key names of section, each
// followed by a NUL and all by a second NUL (cut to fit; then size - 2).
DWORD GetPrivateProfileString(LPCTSTR section, LPCTSTR key, LPCTSTR def, LPTSTR buffer, DWORD size,
                              LPCTSTR fileName);
// The value as a decimal number (an optional sign and the digits before the
// first other character; 0 when none); def when the key is missing or empty.
UINT GetPrivateProfileInt(LPCTSTR section, LPCTSTR key, int def, LPCTSTR fileName);
// The section's lines "key=value", each followed by a NUL and all by a
// second NUL; returns the count of characters copied without the final NUL
// (0 for a missing or empty section; size - 2 when cut).
DWORD GetPrivateProfileSection(LPCTSTR section, LPTSTR buffer, DWORD size, LPCTSTR fileName);
// Sets key in section to value; FALSE when the file cannot be written, or a
// name or value holds a line break (it would add lines), a key holds '=' or
// a section ']'; the file is then as it was and FwProfileWriteFailure says
// why.
BOOL WritePrivateProfileString(LPCTSTR section, LPCTSTR key, LPCTSTR value, LPCTSTR fileName);
// Why this thread's last WritePrivateProfileString failed: the file and the
// reason ("…tallyport.ini: the disk is full"); empty after a success.
CString FwProfileWriteFailure();
