// The version numbers the build gives the program.
#include "program_version.h"

ProgramVersion GetProgramVersion() {
  return {TP_VERSION_MAJOR, TP_VERSION_MINOR, TP_VERSION_BUILD, TP_VERSION_REVISION};
}

CString FormatVersionText(const ProgramVersion& version) {
  CString text;
  text.Format("%d.%d%d", version.major, version.minor, version.build);
  return text;
}

CString ProgramVersionText() { return FormatVersionText(GetProgramVersion()); }
