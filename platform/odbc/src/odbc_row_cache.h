// The rows of a result that the driver cannot scroll: read forward from
// the statement as far as they are asked for and kept, so that the
// recordset can move back and to the end itself. Also holds rows given
// whole (a staged source's catalogue).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "odbc_api.h"

class CDatabase;

class OdbcRowCache {
 public:
  using Value = std::optional<std::string>;  // nullopt: SQL NULL
  using Row = std::vector<Value>;

  // Rows read from statement (executed, nothing bound); binaryColumns[c]
  // tells which columns are read as bytes.
  OdbcRowCache(CDatabase* database, HSTMT statement, std::vector<bool> binaryColumns);
  explicit OdbcRowCache(std::vector<Row> rows);

  // TRUE when the result holds row index (from 0), reading forward to it.
  // A row that cannot be read throws the driver's CDBException, its text
  // opened by "row N: " (N from 1).
  bool Holds(long index);
  // Every row read; returns the count.
  long ReadAll();
  // The value of a held row; binary values are their bytes.
  const Value& At(long row, int column) const { return rows_[row][column]; }
  bool IsBinary(int column) const { return column < static_cast<int>(binary_.size()) && binary_[column]; }

 private:
  bool ReadRow();
  Value ReadValue(int column);

  CDatabase* database_;
  HSTMT statement_;
  std::vector<bool> binary_;
  std::vector<Row> rows_;
  bool complete_;
};
