// The one shape every source reader has inside this library: the columns of
// a table, then its rows one at a time (nothing but the current row is held).
#pragma once

#include "source_staging.h"

#include <memory>
#include <string>
#include <vector>

// How a staged column is declared in SQLite (see DeclaredSqlType).
enum class SourceColumnType { Integer, Real, Text, Date, Boolean };

struct SourceColumn {
  std::string name;                       // UTF-8
  SourceColumnType type = SourceColumnType::Text;
  int width = 0;                          // a text column's declared width in characters; 0 = none
  // The type was chosen from the first rows' values (text, Excel), not
  // declared by the file: a later text value it would alter makes it TEXT.
  bool typedFromValues = false;
};

// One value of a row. Readers reuse the row between calls, so text keeps its
// capacity and a row costs no allocation once the longest value was seen.
struct SourceValue {
  enum class Kind { Null, Integer, Real, Text } kind = Kind::Null;
  long long integer = 0;
  double real = 0;
  std::string text;                       // UTF-8

  void setNull() { kind = Kind::Null; }
  void setInteger(long long v) { kind = Kind::Integer; integer = v; }
  void setReal(double v) { kind = Kind::Real; real = v; }
  std::string& setText() { kind = Kind::Text; text.clear(); return text; }
};

class SourceTableReader {
 public:
  virtual ~SourceTableReader() = default;
  virtual const std::vector<SourceColumn>& columns() const = 0;
  // Puts the next row into `row` (resized to one value per column); false
  // after the last row. Throws SourceFileError naming the file and the line
  // or record that cannot be read.
  virtual bool nextRow(std::vector<SourceValue>& row) = 0;
};

// The SQLite type a column is created with: INTEGER, REAL, TEXT,
// VARCHAR(width), DATE or BIT.
std::string DeclaredSqlType(const SourceColumn& column);

// Opens table `tableName` of a source for reading (see StageSourceTable for
// what fileOrFolder names).
std::unique_ptr<SourceTableReader> OpenSourceTable(SourceFileKind kind, const std::string& fileOrFolder,
                                                   const std::string& tableName, const TextFormatOptions& options);
