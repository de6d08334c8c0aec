// What the table page decides without a connection: which catalogue item
// is the source's table, and how many rows one preview fetch may take.
#pragma once

#include <vector>

#include "fw_string.h"

#include "main_sheet.h"

// The most memory the bulk buffers of one rowset may take (rows times the
// measured row width); the rows are capped at kMaxRowsetRows too.
constexpr long long kRowsetBufferBudget = 32LL * 1024 * 1024;

// The table name a file-based source of type names by its file: the file
// name of databaseFile for text sources (2, 4, 5) and the Quillon shop's
// tables (8), the base name without extension for dBase (3) and Paradox
// (7); empty for the other types.
CString TableNameOfSourceFile(int sourceType, const CString& databaseFile);

// The name a table's text gives: the last part of a quoted name ("o"."n"
// gives n, doubled quotes made single), of a bracketed one ([o].[n] gives
// n), or the text itself.
CString UnquotedTableName(const CString& text, char quote);

// The catalogue entry that names table (quoted with quote or bracketed, or
// the bare name): names are the tables' own names; an exact match first,
// else one without regard to case. -1 when none does.
int FindTableItem(const std::vector<CString>& names, const CString& table, char quote);

// The rows per fetch for a rows-combo text ("25 ", "2000 ", or allItems
// for every record): the number, or the record count, capped at
// kMaxRowsetRows and at what kRowsetBufferBudget holds of rows rowBytes
// wide; never below 1.
int RowsetSizeForChoice(const CString& choice, const CString& allItems, long recordCount, long rowBytes);
