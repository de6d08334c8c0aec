// Writes small Paradox tables (with their memo files) through pxlib, so
// that tests make their source tables themselves.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace dvtest {

// A column: its name, its Paradox type letter and size.
struct PxColumn {
  enum class Type { Alpha, Short, Long, AutoInc, Number, Currency, Logical, Date, Time, Timestamp, Bcd, Memo, Bytes };
  std::string name;
  Type type;
  int length = 0;    // Alpha, Memo (leader + 10, 11..240), Bytes; others take their own size
  int decimals = 0;  // Bcd
};

// A cell as text, nullopt for a blank field: numbers in C notation, logical
// "1"/"0", date "YYYY-MM-DD", time "HH:MM:SS.mmm", timestamp "YYYY-MM-DD
// HH:MM:SS".
using PxCell = std::optional<std::string>;
using PxRow = std::vector<PxCell>;

// Writes the table file path (".db"); with memo columns also its memo file
// (the same name with ".mb"). Throws std::runtime_error naming the path on
// failure.
void WriteParadoxTable(const std::string& path, const std::vector<PxColumn>& columns, const std::vector<PxRow>& rows);

}  // namespace dvtest
