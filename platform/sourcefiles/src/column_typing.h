// The rule that gives a text source's columns their SQLite type from the
// values of the first rows, and the number forms it recognises.
#pragma once

#include "source_reader.h"

#include <string_view>

// Data rows looked at to choose a column's type.
constexpr int kTypeScanRows = 25;

// An optional sign and decimal digits without a leading zero ("0" itself is
// one), within the range of a 64-bit integer.
bool IsIntegerText(std::string_view text);
// An integer, or digits with one '.' point (at least one digit in all, no
// leading zero before the point but "0" itself) and an optional exponent
// ("e" or "E", optional sign, digits).
bool IsDecimalText(std::string_view text);

// A staged value is read back as text: a column may hold a value as a
// number only when the number's text is the value's own text, byte for
// byte. An INTEGER column is described to ODBC clients as a 32-bit
// SQL_INTEGER, so its values are "0" or an optional '-' and digits without
// a leading zero, within 32 bits ("+1", "-0", "007" and 14-digit codes are
// no such values). A REAL value reads back in at most 15 significant
// digits with a point and no trailing zero, as "%.15g" writes it ("2.5",
// "-0.25"; not "2.0", "1.10", ".5", "1E5" or "2").
bool IntegerComesBackUnchanged(std::string_view text);
bool RealComesBackUnchanged(std::string_view text);
// Whether a text value fits a column of type: TEXT, DATE and BIT take any.
bool ComesBackUnchanged(std::string_view text, SourceColumnType type);

// Follows the values of one column during the scan and names its type:
// INTEGER or REAL when every value seen comes back unchanged from that
// type, TEXT otherwise (and when no value was seen).
class ColumnTypeScan {
 public:
  void see(std::string_view value);        // empty values do not count
  SourceColumnType type() const;

 private:
  bool sawValue_ = false;
  bool allIntegers_ = true;
  bool allDecimals_ = true;
};
