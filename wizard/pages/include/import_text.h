// The texts of the import run: item numbers without their zero decimals,
// department cells cleaned and split into levels, values shortened for the
// row log, and the checks of number cells the log warns about.
#pragma once

#include <vector>

#include "fw_string.h"

// "1234.00" -> "1234"; text that is not a number whose decimals are all
// zeros ("AB.12", "12.5") is returned unchanged, so two different item
// numbers never become one.
CString CutAtPoint(const CString& text);
// Removes every double quote and backslash, leading blanks and tabs,
// trailing white space, then trailing '\\' and '/'.
CString CleanDepartmentName(const CString& text);
// The non-empty levels of a "/"-separated department path.
std::vector<CString> SplitDepartmentPath(const CString& text);
// The first `length` characters and "..." when the value is longer, then ",".
// A UTF-8 character counts once and is never cut.
CString TruncateForLog(const CString& value, int length);
// "<NULL>" (any case) becomes empty and every "<eol>" a line feed.
CString NormaliseCellValue(const CString& value);
// The value reads as a number: optional blanks and sign, digits with at
// most ',' and '.' among them. Empty is no number.
bool LooksLikeNumber(const CString& value);
// The value holds both ',' and '.'.
bool HasBothSeparators(const CString& value);
// A value with both ',' and '.': the last of them is the decimal point and
// the other groups thousands, so "1.234,56" gives "1234.56" and "1,234.50"
// "1234.50". A value with one kind of separator (or none) is returned as it
// is.
CString WithoutGroupSeparators(const CString& value);
