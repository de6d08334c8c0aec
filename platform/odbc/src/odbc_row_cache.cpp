// Rows kept for drivers that cannot scroll.
#include "odbc_row_cache.h"

#include "odbc_database.h"

OdbcRowCache::OdbcRowCache(CDatabase* database, HSTMT statement, std::vector<bool> binaryColumns)
    : database_(database), statement_(statement), binary_(std::move(binaryColumns)), complete_(false) {}

OdbcRowCache::OdbcRowCache(std::vector<Row> rows)
    : database_(nullptr), statement_(SQL_NULL_HSTMT), rows_(std::move(rows)), complete_(true) {}

bool OdbcRowCache::Holds(long index) {
  if (index < 0) return false;
  while (static_cast<long>(rows_.size()) <= index && !complete_) {
    if (!ReadRow()) complete_ = true;
  }
  return index < static_cast<long>(rows_.size());
}

long OdbcRowCache::ReadAll() {
  while (!complete_) {
    if (!ReadRow()) complete_ = true;
  }
  return static_cast<long>(rows_.size());
}

bool OdbcRowCache::ReadRow() {
  try {
    RETCODE rc = SQLFetch(statement_);
    if (rc == SQL_NO_DATA) return false;
    database_->Check(rc, statement_);
    Row row(binary_.size());
    for (size_t c = 0; c < binary_.size(); ++c) row[c] = ReadValue(static_cast<int>(c));
    rows_.push_back(std::move(row));
    return true;
  } catch (CDBException* e) {
    // The rows are read one by one here: the error can name its row.
    CString row;
    row.Format("row %ld: ", static_cast<long>(rows_.size()) + 1);
    e->m_strError = row + e->m_strError;
    throw;
  }
}

// The whole value, read in pieces (a text piece ends in a NUL that is not
// part of the value).
OdbcRowCache::Value OdbcRowCache::ReadValue(int column) {
  const bool binary = binary_[column];
  const SQLSMALLINT type = binary ? SQL_C_BINARY : SQL_C_CHAR;
  const SQLLEN terminator = binary ? 0 : 1;
  std::string value;
  char piece[4096];
  for (;;) {
    SQLLEN length = 0;
    RETCODE rc = SQLGetData(statement_, static_cast<SQLUSMALLINT>(column + 1), type, piece, sizeof piece, &length);
    if (rc == SQL_NO_DATA) break;
    database_->Check(rc, statement_);
    if (length == SQL_NULL_DATA) return std::nullopt;
    const SQLLEN room = static_cast<SQLLEN>(sizeof piece) - terminator;
    if (rc == SQL_SUCCESS_WITH_INFO && (length == SQL_NO_TOTAL || length > room)) {
      value.append(piece, static_cast<size_t>(room));  // more follows
      continue;
    }
    value.append(piece, static_cast<size_t>(length));
    break;
  }
  return value;
}
