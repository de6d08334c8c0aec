// A delimited text file as a table: column names from the header line (or
// F1, F2, ...), column types from the first rows, values decoded to UTF-8.
// The file is read as UTF-8 when it starts with a byte-order mark, or when
// schema.ini names no CharacterSet and its first MiB is UTF-8 holding more
// than ASCII; otherwise in its code page.
#pragma once

#include "source_reader.h"

#include <memory>
#include <string>

// Opens text file `fileName` of `folder` (the name is matched exactly first,
// then without regard to case) with its schema.ini format. Refuses a file
// that is missing or cannot be read, and a delimiter that is a double quote,
// a line break or NUL.
std::unique_ptr<SourceTableReader> OpenTextTable(const std::string& folder, const std::string& fileName,
                                                 const TextFormatOptions& options);

// The text files of `folder` (extensions .txt, .csv, .tab, .asc in any case),
// sorted by name.
std::vector<std::string> ListTextTables(const std::string& folder);
