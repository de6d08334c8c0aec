// Reading a settings text file line by line, whatever a line's length.
#pragma once

#include <cstdio>

#include "fw_string.h"

// Reads the next line of file into line, its line end ('\n') kept when
// there is one; false, with line empty, at the end of the file (or on a read
// error, which std::ferror tells).
inline bool FwReadWholeLine(std::FILE* file, CString& line) {
  line.Empty();
  char chunk[1024];
  bool got = false;
  while (std::fgets(chunk, sizeof chunk, file) != nullptr) {
    got = true;
    line += chunk;
    if (line.GetLength() > 0 && line[line.GetLength() - 1] == '\n') break;
  }
  return got;
}
