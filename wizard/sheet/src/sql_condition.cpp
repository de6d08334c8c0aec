// Building the SQL condition page's statements with safe quoting.
#include "sql_condition.h"

#include "import_sql.h"

CString SqlQuoted(const CString& text) {
  CString result = "'";
  for (int i = 0; i < text.GetLength(); ++i) {
    result += text[i];
    if (text[i] == '\'') result += '\'';
  }
  return result + "'";
}

CString LikePattern(const CString& value, int sourceType) {
  CString pattern = value;
  if (pattern.Replace('*', '%') > 0) return pattern;
  return sourceType == 2 ? pattern + "%" : "%" + pattern + "%";
}

CString LikeTerm(const CString& table, const CString& column, const CString& value, int sourceType) {
  CString quoted = SqlQuoted(LikePattern(value, sourceType));
  if (sourceType == 2) return "( " + SqlBracketName(column) + " LIKE " + quoted + ")";
  return "( (" + table + "." + SqlBracketName(column) + ") LIKE " + quoted + ")";
}

CString JoinAndTerms(const std::vector<CString>& terms) {
  CString where;
  for (const CString& term : terms) {
    if (term.IsEmpty()) continue;
    if (!where.IsEmpty()) where += " AND ";
    where += term;
  }
  return where;
}

bool IsNumericSqlType(int sqlType) { return sqlType >= 2 && sqlType <= 8; }

CString CriterionText(const CString& table, const CString& field, const CString& op, const CString& value,
                      bool numeric) {
  return table + "." + SqlBracketName(field) + " " + op + " " + (numeric ? value : SqlQuoted(value));
}

CString SimpleSelectStatement(const std::vector<CString>& columns, const CString& table, const CString& where) {
  CString statement = "SELECT ";
  for (size_t i = 0; i < columns.size(); ++i) statement += (i == 0 ? "" : ", ") + SqlBracketName(columns[i]);
  statement += " FROM " + table;
  if (!where.IsEmpty()) statement += " WHERE " + where;
  if (statement.Find(';') < 0) statement += ";";
  return statement;
}

CString AdvancedSelectStatement(const std::vector<CString>& columns, const CString& table,
                                const std::vector<CString>& criteria) {
  CString statement = "SELECT ";
  for (size_t i = 0; i < columns.size(); ++i)
    statement += (i == 0 ? "" : ", ") + table + "." + SqlBracketName(columns[i]);
  statement += " FROM " + table;
  CString where;
  for (const CString& criterion : criteria) where += " " + criterion;
  where.Replace('*', '%');
  if (!where.IsEmpty()) statement += " WHERE " + where;
  return statement + ";";
}
