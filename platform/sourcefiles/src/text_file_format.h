// The format of one delimited text file: the connection's options, overridden
// by the file's section of "schema.ini" in the same folder.
//
// schema.ini holds one section per file, named by the file's name with its
// extension ("[products.csv]", matched without regard to case). Keys read
// (names and values without regard to case; everything else is ignored):
//   Format=CSVDelimited | TabDelimited | Delimited(c)   (an empty value keeps the option's delimiter)
//   ColNameHeader=True | False
//   CharacterSet=ANSI | OEM | UTF-8
// Refused, with a SourceFileError naming schema.ini and the line: a Format of
// fixed-length or unknown form, a Delimited() without exactly one character
// or with the double quote, and an unknown CharacterSet or ColNameHeader value.
#pragma once

#include "code_pages.h"
#include "source_staging.h"

#include <string>

struct TextFileFormat {
  char delimiter = ',';
  bool columnNamesInHeader = true;
  TextEncoding encoding = TextEncoding::Windows1252;   // a UTF-8 byte-order mark overrides it
  bool encodingNamed = false;                          // schema.ini's CharacterSet gave it
};

// Without a schema.ini section, ansiCharacterSet false means OEM (code page 850).
TextFileFormat ResolveTextFileFormat(const std::string& folder, const std::string& fileName,
                                     const TextFormatOptions& options);
