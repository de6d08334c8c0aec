// The import's SELECT statement, with the source's names quoted safely.
#include "import_sql.h"

#include "odbc_database.h"

CString BuildImportSelect(const std::vector<CString>& sourceFields, const CString& tableName,
                          const CString& databaseName, char quote) {
  if (sourceFields.empty()) return "SELECT * FROM " + (tableName.IsEmpty() ? databaseName : tableName);
  CString statement = "SELECT ";
  bool first = true;
  for (const CString& field : sourceFields) {
    if (field.IsEmpty()) continue;
    if (!first) statement += ",";
    statement += QuoteSqlIdentifier(field, quote);
    first = false;
  }
  return statement + " FROM " + tableName;
}
