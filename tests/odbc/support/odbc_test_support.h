// Test support for the ODBC layer: SQLite databases made by the test and
// served through an ODBC data source defined in an odbc.ini the test
// writes and names by ODBCINI.
#pragma once

#include <sqlite3.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "dv_scratch_dir.h"
#include "odbc_database.h"
#include "odbc_recordset.h"
#include "source_connection.h"

namespace odbc_test {

// Runs sql (several statements) on the SQLite file at path, made if
// missing.
inline void RunSqlite(const std::string& path, const std::string& sql) {
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK) << path;
  char* error = nullptr;
  int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error);
  std::string message = error != nullptr ? error : "";
  sqlite3_free(error);
  sqlite3_close(db);
  ASSERT_EQ(rc, SQLITE_OK) << message;
}

// The driver library of the SQLite3 ODBC driver.
inline std::string SqliteDriver() { return FindOdbcDriverLibrary("SQLite3", "libsqlite3odbc.so"); }

// A data source on the database file database, defined in an odbc.ini
// inside folder, which ODBCINI names from now on. Returns its name: dsn
// and a number new in the process (the driver manager keeps what it read
// of a data source by its name).
inline std::string DefineDataSource(const dv_test::scratch_dir& folder, const std::string& dsn,
                                    const std::string& database) {
  static int made = 0;
  std::string name = dsn + std::to_string(++made);
  std::string ini = folder / "odbc.ini";
  std::ofstream out(ini, std::ios::app);
  out << "[" << name << "]\nDriver=" << SqliteDriver() << "\nDatabase=" << database << "\n\n";
  out.close();
  ::setenv("ODBCINI", ini.c_str(), 1);
  return name;
}

// The text of a framework database exception, which the test deletes.
inline std::string MessageOf(CDBException* e) {
  std::string text(e->m_strError);
  text += " [" + std::string(e->m_strStateNativeOrigin) + "]";
  e->Delete();
  return text;
}

// Connects db with connect; a failure fails the test with its text.
inline void Connect(CDatabase& db, const std::string& connect) {
  try {
    db.OpenEx(connect.c_str(), CDatabase::noOdbcDialog);
  } catch (CDBException* e) {
    FAIL() << "cannot connect with " << connect << ": " << MessageOf(e);
  }
}

// A recordset with one bound text column per result column, rowset-wise.
class TextRowset : public CRecordset {
 public:
  TextRowset(CDatabase* db, int width) : CRecordset(db), width_(width) {}
  ~TextRowset() override { Close(); }
  void DoBulkFieldExchange(CFieldExchange* pFX) override {
    if (pFX->m_nOperation == CFieldExchange::AllocMultiRowBuffer) {
      values_.assign(GetODBCFieldCount(), nullptr);
      lengths_.assign(GetODBCFieldCount(), nullptr);
    }
    for (size_t c = 0; c < values_.size(); ++c) RFX_Text_Bulk(pFX, "Dummy", &values_[c], &lengths_[c], width_);
  }
  std::string Text(int column, int row) const {
    if (lengths_[column][row] == SQL_NULL_DATA) return "<null>";
    return values_[column] + static_cast<size_t>(row) * width_;
  }
  long Length(int column, int row) const { return lengths_[column][row]; }
  // The first column of every fetched row.
  std::vector<std::string> Keys() const {
    std::vector<std::string> keys;
    for (DWORD r = 0; r < GetRowsFetched(); ++r) keys.push_back(Text(0, static_cast<int>(r)));
    return keys;
  }

 private:
  int width_;
  std::vector<LPSTR> values_;
  std::vector<long*> lengths_;
};

}  // namespace odbc_test
