// Mapping files (*.cfg): which source column fills each mapping column.
// The format is text, three lines each ended by "\n", written in this
// order:
//   <Options>=N      the option count, 0 to 2
//   <Choices>=N      the choice count per option, 0 to 10
//   <Tables>=a,,c    the source column of every grid row in row order,
//                    each followed by ',' and the very last ',' removed;
//                    an empty entry leaves its row unmapped; a name
//                    holding ',', '<' or a line break, or beginning
//                    with '"', is written in double quotes with each '"'
//                    doubled ("Notes, long"), every other name as it is
// Reading cuts the text into sections, each from a '<' to the next '<'
// (in the list, to the next '<' outside a quoted entry);
// text before the first '<' and sections with no known key are ignored;
// trailing line breaks of a section are dropped. A ',' at the very end of
// the list ends it. Counts outside the ranges above, or not written as a
// whole number, are refused (MappingFileError).
#pragma once

#include <stdexcept>
#include <vector>

#include "fw_string.h"

// The largest counts the option-count dialog offers.
constexpr int kMaxMappedOptions = 2;
constexpr int kMaxMappedChoices = 10;

class MappingFileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct MappingSection {
  enum Kind { Options, Choices, Tables };
  Kind kind;
  int count;                    // Options, Choices
  std::vector<CString> columns; // Tables: one entry per grid row, in order
};

// The sections of a mapping file's text in file order; MappingFileError
// names the section and value of a count that is out of range.
std::vector<MappingSection> ReadMappingSections(const CString& text);

// The file's text for the counts and the rows' source columns.
CString FormatMappingFile(int options, int choices, const std::vector<CString>& rowColumns);
