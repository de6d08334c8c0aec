// The SQL condition page's statements.
#include "sql_condition.h"

#include "import_sql.h"

namespace {

CString Joined(const std::vector<CString>& columns, const CString& prefix) {
  CString list;
  for (size_t i = 0; i < columns.size(); ++i) {
    if (i > 0) list += ", ";
    list += prefix + SqlBracketName(columns[i]);
  }
  return list;
}

}  // namespace

CString SqlQuoted(const CString& value) {
  CString quoted = value;
  quoted.Replace("'", "''");
  return "'" + quoted + "'";
}

CString BuildLikeTerm(int sourceType, const CString& table, const CString& column, const CString& value) {
  CString pattern = value;
  if (pattern.Replace('*', '%') == 0)
    pattern = sourceType == kTextDialectSourceType ? pattern + "%" : "%" + pattern + "%";
  if (sourceType == kTextDialectSourceType) return "( " + SqlBracketName(column) + " LIKE " + SqlQuoted(pattern) + ")";
  return "( (" + table + "." + SqlBracketName(column) + ") LIKE " + SqlQuoted(pattern) + ")";
}

CString BuildSimpleStatement(int sourceType, const CString& table, const std::vector<CString>& mappedColumns,
                             const std::vector<ConditionBox>& boxes) {
  CString statement = "SELECT " + Joined(mappedColumns, "") + " FROM " + table;
  CString where;
  for (const ConditionBox& box : boxes) {
    if (box.value.IsEmpty() || box.column.IsEmpty()) continue;
    if (!where.IsEmpty()) where += " AND ";
    where += BuildLikeTerm(sourceType, table, box.column, box.value);
  }
  if (!where.IsEmpty()) statement += " WHERE " + where;
  if (statement.Find(';') < 0) statement += ";";
  return statement;
}

CString BuildAdvancedStatement(const CString& table, const std::vector<CString>& mappedColumns,
                               const std::vector<CString>& criteria) {
  CString statement = "SELECT " + Joined(mappedColumns, table + ".") + " FROM " + table;
  CString where;
  for (const CString& criterion : criteria) {
    CString term = criterion;
    term.Replace('*', '%');
    where += " " + term;
  }
  if (!where.IsEmpty()) statement += " WHERE " + where;
  return statement + ";";
}

bool IsNumericSqlType(int sqlType) { return sqlType >= 2 && sqlType <= 8; }

CString BuildCriterion(const CString& table, const CString& field, const CString& op, const CString& value,
                       bool knownType, int sqlType) {
  CString text = table + "." + SqlBracketName(field) + " " + op + " ";
  return text + (knownType && IsNumericSqlType(sqlType) ? value : SqlQuoted(value));
}
