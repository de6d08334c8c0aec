// The import's SELECT statement, with names bracketed safely.
#include "import_sql.h"

CString SqlBracketName(const CString& name) {
  CString result = "[";
  for (int i = 0; i < name.GetLength(); ++i) {
    result += name[i];
    if (name[i] == ']') result += ']';
  }
  result += "]";
  return result;
}

CString BuildImportSelect(const std::vector<CString>& sourceFields, const CString& tableName,
                          const CString& databaseName) {
  if (sourceFields.empty()) return "SELECT * FROM " + (tableName.IsEmpty() ? databaseName : tableName);
  CString statement = "SELECT ";
  bool first = true;
  for (const CString& field : sourceFields) {
    if (field.IsEmpty()) continue;
    if (!first) statement += ",";
    statement += SqlBracketName(field);
    first = false;
  }
  return statement + " FROM " + tableName;
}
