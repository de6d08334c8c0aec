// Excel workbooks (.xls, BIFF 2 to 8) read through FreeXL, one table per
// worksheet named "<sheet name>$".
//
// The first row of a sheet names its columns (an empty or repeated name
// becomes F<position>); the rows below it are the table's rows, except rows
// without any value. FreeXL holds the workbook in memory while it is read
// (an .xls sheet has at most 65,536 rows).
// Refused with a SourceFileError naming the file: a file that is not an .xls
// workbook (FreeXL's reason given), a password-protected one, a sheet that is
// not there, a cell FreeXL cannot read (its row and column given).
#pragma once

#include "source_reader.h"

#include <memory>
#include <string>
#include <vector>

// Opens worksheet `tableName` ("Sheet1$"; the '$' may be left out) of workbook `path`.
std::unique_ptr<SourceTableReader> OpenExcelTable(const std::string& path, const std::string& tableName);

// "<sheet name>$" for each worksheet, in the workbook's order.
std::vector<std::string> ListExcelTables(const std::string& path);
