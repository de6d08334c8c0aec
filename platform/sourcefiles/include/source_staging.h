// Staging of file sources that have no ODBC driver on this platform (text
// files, Excel workbooks, dBase and Paradox tables) into tables of an SQLite
// database, one table per source table, named as the Windows drivers name it.
#pragma once

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

enum class SourceFileKind { Text, Excel, DBase, Paradox };

struct TextFormatOptions {            // from the connection string; schema.ini beside the file overrides per file
  char delimiter = ',';               // ',' ';' '\t' or a custom character
  bool columnNamesInHeader = true;
  bool ansiCharacterSet = true;       // Windows-1252 converted to UTF-8; false = UTF-8 / OEM as schema.ini says
};

// One error type for every reader; what() names the file and the line or record.
class SourceFileError : public std::runtime_error { using runtime_error::runtime_error; };

using StagingProgress = std::function<void(long rowsDone)>;   // may be empty

// StageSourceTable calls the progress callback after every this many rows,
// and once more with the total when the table is complete.
constexpr long kStagingProgressRows = 1000;

// The tables a source offers, named as the Windows drivers name them:
// text folder -> file names with extension ("products.csv"), .xls -> "Sheet1$" per sheet, .dbf/.db -> base name.
// A text folder offers its files ending in .txt, .csv, .tab or .asc, sorted by name.
std::vector<std::string> ListSourceTables(SourceFileKind kind, const std::string& fileOrFolder);

// Streams table `tableName` of the source into a new table of that exact name in the SQLite
// database file `sqlitePath` (created if missing). Memory stays flat for any row count.
//
// fileOrFolder: the folder of a text source (a file path names its folder),
// the .xls, .dbf or .db file otherwise. A table of the same name already in
// the SQLite file is replaced. Everything happens in one transaction: on any
// error (a SourceFileError) the SQLite file holds no part of the table.
//
// What the staged table holds:
// - Empty values (an empty text field or cell, a blank dBase field) are NULL.
// - Text: column names from the header line, or F1, F2, ... without one; an
//   empty or repeated name becomes F<position>. Every value is read as text
//   and comes back as the file holds it: a column is declared INTEGER when
//   every non-empty value is "0" or an optional '-' and digits without a
//   leading zero within 32 bits, REAL when every such value is a decimal
//   number with a '.' point as "%.15g" writes it (no trailing zero, no
//   exponent), TEXT otherwise (also when the first rows hold no value). The
//   first 25 data rows choose the type; a later value that the type would
//   alter ("1.10", "007", "2" in a REAL column) makes its column TEXT and
//   the table is staged again.
//   Rows with fewer fields than columns get NULLs; a row with a non-empty
//   field beyond the last column is refused.
// - Excel: the first row names the columns; a column is INTEGER, REAL, DATE
//   or TEXT by the cells of the first 25 data rows (mixed kinds give TEXT);
//   dates and times are staged as "YYYY-MM-DD", "YYYY-MM-DD HH:MM:SS" or
//   "HH:MM:SS" text.
// - dBase and Paradox: the field types of the table: character fields as
//   VARCHAR(width) (dBase: trailing blanks cut), numbers as INTEGER (no
//   decimals) or REAL, dates as DATE text "YYYY-MM-DD", logicals as BIT 1/0,
//   memos as TEXT; Paradox times and timestamps as "HH:MM:SS" and
//   "YYYY-MM-DD HH:MM:SS" text. Deleted dBase records are left out, and so
//   are Paradox's binary fields (bytes, binary, OLE and graphic blobs).
// - Text files: ansiCharacterSet false reads OEM (DOS code page 850) unless
//   schema.ini names the character set; a UTF-8 byte-order mark always means
//   UTF-8.
void StageSourceTable(const std::string& sqlitePath, SourceFileKind kind, const std::string& fileOrFolder,
                      const std::string& tableName, const TextFormatOptions& options, const StagingProgress& progress);
