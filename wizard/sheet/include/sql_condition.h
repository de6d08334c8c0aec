// The statements of the SQL condition page: the SELECT over the mapped
// source columns with a WHERE clause from the simple "contains" boxes or
// from a list of criteria. Every name goes into brackets with ']' doubled
// and every value into single quotes with "'" doubled, so a typed value or
// a column name never ends its quotes or brackets early.
#pragma once

#include <vector>

#include "fw_string.h"

// text in single quotes, each "'" inside doubled: 'O''Brien'.
CString SqlQuoted(const CString& text);
// The LIKE pattern of a typed value: every '*' becomes '%'; a value without
// '*' matches anywhere ("%v%"), or as a prefix ("v%") on delimited text
// (source type 2).
CString LikePattern(const CString& value, int sourceType);
// One "contains" term: "( (table.[column]) LIKE 'pattern')", or on
// delimited text "( [column] LIKE 'pattern')".
CString LikeTerm(const CString& table, const CString& column, const CString& value, int sourceType);
// The terms that are not empty, joined by " AND ".
CString JoinAndTerms(const std::vector<CString>& terms);
// ODBC SQL types 2 to 8 are numbers (written without quotes).
bool IsNumericSqlType(int sqlType);
// A criterion: "table.[field] op value" for a numeric column, else the
// value quoted.
CString CriterionText(const CString& table, const CString& field, const CString& op, const CString& value,
                      bool numeric);
// "SELECT [a], [b] FROM table", " WHERE " and where when where is not
// empty, and a closing ';' when the statement holds none.
CString SimpleSelectStatement(const std::vector<CString>& columns, const CString& table, const CString& where);
// "SELECT table.[a], table.[b] FROM table", then " WHERE " and every
// criterion (each '*' as '%') after a blank when there are criteria, and
// ';'.
CString AdvancedSelectStatement(const std::vector<CString>& columns, const CString& table,
                                const std::vector<CString>& criteria);
