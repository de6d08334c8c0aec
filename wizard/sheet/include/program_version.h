// The program's version, as its version resource gives it.
#pragma once

#include "fw_string.h"

// The four parts of the file version (1.2.3.4).
struct ProgramVersion {
  int major, minor, build, revision;
};
ProgramVersion GetProgramVersion();
// The version text: "%d.%d%d" of the major, minor and build parts, so
// 1.2.3.x gives "1.23".
CString FormatVersionText(const ProgramVersion& version);
CString ProgramVersionText();
