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

// Follows the values of one column during the scan and names its type.
class ColumnTypeScan {
 public:
  void see(std::string_view value);        // empty values do not count
  SourceColumnType type() const;

 private:
  bool sawValue_ = false;
  bool allIntegers_ = true;
  bool allDecimals_ = true;
};
