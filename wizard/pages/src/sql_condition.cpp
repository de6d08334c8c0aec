// The SQL condition page's statements.
#include "sql_condition.h"

#include <cctype>

#include "import_sql.h"
#include "odbc_database.h"

namespace {

CString Joined(const std::vector<CString>& columns, const CString& prefix, char quote) {
  CString list;
  for (size_t i = 0; i < columns.size(); ++i) {
    if (i > 0) list += ", ";
    list += prefix + QuoteSqlIdentifier(columns[i], quote);
  }
  return list;
}

bool IsDigit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }

}  // namespace

CString SqlQuoted(const CString& value) {
  CString quoted = value;
  quoted.Replace("'", "''");
  return "'" + quoted + "'";
}

CString BuildLikeTerm(int sourceType, const CString& table, const CString& column, const CString& value, char quote) {
  CString pattern = value;
  if (pattern.Replace('*', '%') == 0)
    pattern = sourceType == kTextDialectSourceType ? pattern + "%" : "%" + pattern + "%";
  if (sourceType == kTextDialectSourceType)
    return "( " + QuoteSqlIdentifier(column, quote) + " LIKE " + SqlQuoted(pattern) + ")";
  return "( (" + table + "." + QuoteSqlIdentifier(column, quote) + ") LIKE " + SqlQuoted(pattern) + ")";
}

CString BuildSimpleStatement(int sourceType, const CString& table, const std::vector<CString>& mappedColumns,
                             const std::vector<ConditionBox>& boxes, char quote) {
  CString statement = "SELECT " + Joined(mappedColumns, "", quote) + " FROM " + table;
  CString where;
  for (const ConditionBox& box : boxes) {
    if (box.value.IsEmpty() || box.column.IsEmpty()) continue;
    if (!where.IsEmpty()) where += " AND ";
    where += BuildLikeTerm(sourceType, table, box.column, box.value, quote);
  }
  if (!where.IsEmpty()) statement += " WHERE " + where;
  if (statement.Find(';') < 0) statement += ";";
  return statement;
}

CString BuildAdvancedStatement(const CString& table, const std::vector<CString>& mappedColumns,
                               const std::vector<CString>& criteria, char quote) {
  CString statement = "SELECT " + Joined(mappedColumns, table + ".", quote) + " FROM " + table;
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

bool IsSqlNumber(const CString& value) {
  const CString text = value;
  int at = 0;
  const int length = text.GetLength();
  if (at < length && (text[at] == '+' || text[at] == '-')) ++at;
  int digits = 0;
  while (at < length && IsDigit(text[at])) ++at, ++digits;
  if (at < length && text[at] == '.') {
    ++at;
    while (at < length && IsDigit(text[at])) ++at, ++digits;
  }
  if (digits == 0) return false;
  if (at < length && (text[at] == 'e' || text[at] == 'E')) {
    ++at;
    if (at < length && (text[at] == '+' || text[at] == '-')) ++at;
    int exponent = 0;
    while (at < length && IsDigit(text[at])) ++at, ++exponent;
    if (exponent == 0) return false;
  }
  return at == length;
}

bool CriterionValueRefused(const CString& value, bool knownType, int sqlType) {
  return knownType && IsNumericSqlType(sqlType) && !IsSqlNumber(value);
}

CString NotANumberMessage(const CString& field, const CString& value) {
  CString text;
  text.Format("The column %s holds numbers: \"%s\" is not a number.", static_cast<LPCTSTR>(field),
              static_cast<LPCTSTR>(value));
  return text;
}

CString BuildCriterion(const CString& table, const CString& field, const CString& op, const CString& value,
                       bool knownType, int sqlType, char quote) {
  if (CriterionValueRefused(value, knownType, sqlType)) return CString();
  CString text = table + "." + QuoteSqlIdentifier(field, quote) + " " + op + " ";
  return text + (knownType && IsNumericSqlType(sqlType) ? value : SqlQuoted(value));
}
