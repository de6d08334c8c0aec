// The SELECT statement of an import.
#pragma once

#include <vector>

#include "fw_string.h"

// name in brackets, every ']' inside it doubled: "[Price]]s]" for
// "Price]s".
CString SqlBracketName(const CString& name);

// With no mapping columns: "SELECT * FROM " and the table, or the source
// database file when the table name is empty. Otherwise "SELECT ", the
// bracketed names of the mapping columns' source fields that are not
// empty, in column order and separated by ",", then " FROM " and the table.
CString BuildImportSelect(const std::vector<CString>& sourceFields, const CString& tableName,
                          const CString& databaseName);
