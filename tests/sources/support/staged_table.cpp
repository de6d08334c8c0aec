// Writing fixtures and reading staged tables back for the source tests.
#include "staged_table.h"

#include <malloc.h>
#include <sqlite3.h>

#include <fstream>
#include <stdexcept>

namespace sources_test {

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
}

namespace {

class Database {
 public:
  explicit Database(const std::string& path) {
    if (sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK)
      throw std::runtime_error("cannot open " + path);
  }
  ~Database() { sqlite3_close(db_); }
  sqlite3_stmt* prepare(const std::string& sql) {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK)
      throw std::runtime_error(sql + ": " + sqlite3_errmsg(db_));
    return statement;
  }

 private:
  sqlite3* db_ = nullptr;
};

std::string Quoted(const std::string& name) {
  std::string quoted = "\"";
  for (char c : name) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
  return quoted + "\"";
}

std::string ColumnText(sqlite3_stmt* statement, int column) {
  const auto* text = sqlite3_column_text(statement, column);
  return text != nullptr ? reinterpret_cast<const char*>(text) : "<null>";
}

}  // namespace

StagedTable ReadStagedTable(const std::string& sqlitePath, const std::string& tableName) {
  Database db(sqlitePath);
  StagedTable table;
  sqlite3_stmt* info = db.prepare("PRAGMA table_info(" + Quoted(tableName) + ")");
  while (sqlite3_step(info) == SQLITE_ROW) {
    table.names.push_back(ColumnText(info, 1));
    table.types.push_back(ColumnText(info, 2));
  }
  sqlite3_finalize(info);
  sqlite3_stmt* rows = db.prepare("SELECT * FROM " + Quoted(tableName) + " ORDER BY rowid");
  while (sqlite3_step(rows) == SQLITE_ROW) {
    std::vector<std::string> row;
    for (int i = 0; i < sqlite3_column_count(rows); ++i) row.push_back(ColumnText(rows, i));
    table.rows.push_back(row);
  }
  sqlite3_finalize(rows);
  return table;
}

long StagedRowCount(const std::string& sqlitePath, const std::string& tableName) {
  Database db(sqlitePath);
  sqlite3_stmt* statement = db.prepare("SELECT count(*) FROM " + Quoted(tableName));
  const long count = sqlite3_step(statement) == SQLITE_ROW ? static_cast<long>(sqlite3_column_int64(statement, 0)) : -1;
  sqlite3_finalize(statement);
  return count;
}

std::vector<std::string> StagedTableNames(const std::string& sqlitePath) {
  Database db(sqlitePath);
  std::vector<std::string> names;
  sqlite3_stmt* statement = db.prepare("SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY name");
  while (sqlite3_step(statement) == SQLITE_ROW) names.push_back(ColumnText(statement, 0));
  sqlite3_finalize(statement);
  return names;
}

size_t HeapBytesInUse() {
  const struct mallinfo2 info = mallinfo2();
  return info.uordblks + info.hblkhd;
}

}  // namespace sources_test
