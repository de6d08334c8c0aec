// The SELECT statement of an import. Every name that comes from the source
// (table, sheet, column) reaches SQL only as an identifier in the quote
// character of the source's driver, the quote doubled inside it.
#pragma once

#include <vector>

#include "fw_string.h"


// With no mapping columns: "SELECT * FROM " and the table, or the source
// database file when the table name is empty. Otherwise "SELECT ", the
// quoted names of the mapping columns' source fields that are not empty,
// in column order and separated by ",", then " FROM " and the table (which
// is given as SQL already: the table page quoted it).
CString BuildImportSelect(const std::vector<CString>& sourceFields, const CString& tableName,
                          const CString& databaseName, char quote);
