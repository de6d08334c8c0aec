// The statements of the SQL condition page: the SELECT over the mapped
// source columns with a WHERE clause made either from the simple
// "contains" boxes (LIKE terms in the dialect of the source) or from the
// list of criteria the person assembled. Values are quoted with every
// single quote inside doubled; the source's names are quoted with the
// driver's identifier quote (quote), doubled inside; a value for a numeric
// column must read as a number.
#pragma once

#include <vector>

#include "fw_string.h"

// The source type whose driver takes the text dialect (no table prefix, a
// prefix match): delimited text.
constexpr int kTextDialectSourceType = 2;

// One simple box: the value typed and the source column of its field
// (empty when the field is not mapped; the box then gives no term).
struct ConditionBox {
  CString value;
  CString column;
};

// The LIKE term of value on column. Every '*' becomes '%'; a value without
// '*' is wrapped as "%v%" (as "v%" for the text dialect). Access and other
// dialects: "( (table."column") LIKE 'v')"; text: "( "column" LIKE 'v')"
// (with '"' as quote).
CString BuildLikeTerm(int sourceType, const CString& table, const CString& column, const CString& value, char quote);

// The simple-mode statement: "SELECT "a", "b" FROM table", then " WHERE "
// and the LIKE terms of the non-empty boxes joined by " AND ", in the order
// given (Department, Name, Description); ";" appended when the statement
// holds none.
CString BuildSimpleStatement(int sourceType, const CString& table, const std::vector<CString>& mappedColumns,
                             const std::vector<ConditionBox>& boxes, char quote);

// The advanced-mode statement: "SELECT table."a", table."b" FROM table",
// then " WHERE " and every criterion ('*' taken as '%') each after one
// blank, when there are any; always ended by ";".
CString BuildAdvancedStatement(const CString& table, const std::vector<CString>& mappedColumns,
                               const std::vector<CString>& criteria, char quote);

// The ODBC SQL types the criterion writes without quotes (2 to 8: numeric,
// decimal, integer, smallint, float, real, double).
bool IsNumericSqlType(int sqlType);
// TRUE when value reads as an SQL number: a sign, digits with at most one
// '.', and an exponent; nothing else, no blanks.
bool IsSqlNumber(const CString& value);
// TRUE when the criterion's value cannot be used: the field is numeric and
// the value is no number.
bool CriterionValueRefused(const CString& value, bool knownType, int sqlType);
// The message that refuses value for the numeric column field.
CString NotANumberMessage(const CString& field, const CString& value);
// One criterion: "table."field" op value", the value in single quotes
// unless the field's type is numeric (knownType false: quoted); empty when
// the value is refused (CriterionValueRefused).
CString BuildCriterion(const CString& table, const CString& field, const CString& op, const CString& value,
                       bool knownType, int sqlType, char quote);

// value in single quotes, every single quote inside doubled.
CString SqlQuoted(const CString& value);
