// Reading a settings text file line by line, whatever a line's length.
#pragma once

#include <cstdio>
#include <string>

#include "fw_string.h"

// Reads the next line of file into line, its line end ('\n') kept when
// there is one; false, with line empty, at the end of the file (or on a read
// error, which std::ferror tells). The line grows in a buffer of its own and
// becomes a CString once, so a line of a megabyte costs one pass.
inline bool FwReadWholeLine(std::FILE* file, CString& line) {
  std::string bytes;
  char chunk[1024];
  bool got = false;
  while (std::fgets(chunk, sizeof chunk, file) != nullptr) {
    got = true;
    bytes += chunk;
    if (bytes.back() == '\n') break;
  }
  line = CString(bytes.data(), static_cast<int>(bytes.size()));
  return got;
}
