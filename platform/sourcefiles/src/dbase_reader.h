// dBase III and IV tables (.dbf, with their .dbt memo file) read as tables.
//
// Accepted: version bytes 0x03, 0x83 and 0x8B; field types C (text, trailing
// blanks cut), N and F (numbers), D (dates, staged as "YYYY-MM-DD"), L
// (logicals: T/Y 1, F/N 0, else NULL) and M (memos from the .dbt beside the
// table; NULL when there is no .dbt); the code page marks of Windows-1252
// (and none), DOS 437 and DOS 850. Deleted records are left out.
// Refused with a SourceFileError naming the file (and the record where one is
// at fault): a file shorter than its header, another version, another field
// type, a record length that does not match the fields, another code page,
// a record cut short by the end of the file, a memo beyond the end of the
// .dbt.
#pragma once

#include "source_reader.h"

#include <memory>
#include <string>
#include <vector>

// Opens table `tableName` (the .dbf's base name, or its file name) in the
// folder of `fileOrFolder` (a .dbf path stands for its folder).
std::unique_ptr<SourceTableReader> OpenDBaseTable(const std::string& fileOrFolder, const std::string& tableName);

// A .dbf file's base name, or the base names of the .dbf files of a folder
// (sorted).
std::vector<std::string> ListDBaseTables(const std::string& fileOrFolder);
