// The text format of a string-table file (data/strings/*.txt):
//   - a line "language 0x0409" (the Windows language identifier) before any
//     string;
//   - one string per line: its number (decimal, or hexadecimal with 0x), one
//     tab, the text; in the text \n, \r, \t and \\ stand for a line feed, a
//     carriage return, a tab and a backslash;
//   - empty lines and lines starting with '#' are comments.
// A line in any other shape, a repeated number or a missing language line is
// refused with the line number.
#pragma once

#include <map>
#include <stdexcept>
#include <string>

#include "fw_types.h"

struct FwParsedStringTable {
  WORD langId = 0;
  std::map<UINT, std::string> strings;
};

class FwStringTableError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Parses one file's bytes; name is used in error messages.
FwParsedStringTable FwParseStringTable(const char* name, const char* begin, const char* end);
