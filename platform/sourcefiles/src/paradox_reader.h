// Paradox tables (.db, with their .mb memo file) read as tables through the
// table engine (dvparadox).
//
// Staged: Alpha as VARCHAR(length) (read as Windows-1252: the engine hands
// the table's bytes over without its code page), Short, Long and AutoInc as
// INTEGER, Number, Currency and BCD as REAL, Logical as BIT 1/0, Date as DATE
// "YYYY-MM-DD", Time as "HH:MM:SS" and Timestamp as "YYYY-MM-DD HH:MM:SS"
// text, Memo and formatted memo as TEXT. Binary fields (Bytes, binary, OLE and
// graphic blobs) hold no text and are left out of the table. Blank fields are
// NULL.
// Refused with a SourceFileError naming the file (and the record): a missing
// table, one the engine cannot read (its reason given), a record or memo it
// cannot read.
#pragma once

#include "source_reader.h"

#include <memory>
#include <string>
#include <vector>

// Opens table `tableName` (the .db's base name, or its file name) in the
// folder of `fileOrFolder` (a .db path stands for its folder). Starts the
// table engine for the reader's life when nothing else has started it.
std::unique_ptr<SourceTableReader> OpenParadoxTable(const std::string& fileOrFolder, const std::string& tableName);

// A .db file's base name, or the base names of the .db files of a folder
// (sorted).
std::vector<std::string> ListParadoxTables(const std::string& fileOrFolder);
