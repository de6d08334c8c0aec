// Staging one source table into an SQLite table: created and filled in one
// transaction through one prepared insert, row by row as the reader hands
// them out.
#include "column_typing.h"
#include "source_reader.h"

#include <sqlite3.h>

namespace {

std::string QuotedName(const std::string& name) {
  std::string quoted = "\"";
  for (char c : name) {
    quoted += c;
    if (c == '"') quoted += '"';
  }
  return quoted + "\"";
}

class StagingDatabase {
 public:
  explicit StagingDatabase(const std::string& path) : path_(path) {
    const int rc = sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (rc != SQLITE_OK) fail("cannot open the staging database");
  }
  // An open transaction is rolled back: the file holds no part of a table
  // whose staging failed.
  ~StagingDatabase() {
    sqlite3_finalize(insert_);
    if (inTransaction_) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(db_);
  }
  StagingDatabase(const StagingDatabase&) = delete;
  StagingDatabase& operator=(const StagingDatabase&) = delete;

  void execute(const std::string& sql) {
    if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) fail(sql);
  }

  void prepareInsert(const std::string& sql) {
    if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &insert_, nullptr) != SQLITE_OK) fail(sql);
  }

  void insert(const std::vector<SourceValue>& row) {
    for (size_t i = 0; i < row.size(); ++i) {
      const int index = static_cast<int>(i + 1);
      const SourceValue& value = row[i];
      switch (value.kind) {
        case SourceValue::Kind::Null: sqlite3_bind_null(insert_, index); break;
        case SourceValue::Kind::Integer: sqlite3_bind_int64(insert_, index, value.integer); break;
        case SourceValue::Kind::Real: sqlite3_bind_double(insert_, index, value.real); break;
        case SourceValue::Kind::Text:
          sqlite3_bind_text(insert_, index, value.text.data(), static_cast<int>(value.text.size()), SQLITE_STATIC);
          break;
      }
    }
    if (sqlite3_step(insert_) != SQLITE_DONE) fail("inserting a row");
    sqlite3_reset(insert_);
  }

  void begin() {
    execute("BEGIN");
    inTransaction_ = true;
  }

  void commit() {
    execute("COMMIT");
    inTransaction_ = false;
  }

 private:
  [[noreturn]] void fail(const std::string& what) {
    throw SourceFileError(path_ + ": " + what + ": " + (db_ != nullptr ? sqlite3_errmsg(db_) : "out of memory"));
  }

  std::string path_;
  sqlite3* db_ = nullptr;
  sqlite3_stmt* insert_ = nullptr;
  bool inTransaction_ = false;
};

// Inserts every row the reader hands out; the number of rows, or -1 - c
// when a text value of column c would not come back unchanged from the
// number type the column was declared with.
long CopyRows(SourceTableReader& reader, StagingDatabase& db, const std::vector<SourceColumn>& columns,
              const StagingProgress& progress) {
  std::vector<SourceValue> row;
  long rowsDone = 0;
  while (reader.nextRow(row)) {
    for (size_t c = 0; c < row.size() && c < columns.size(); ++c)
      if (columns[c].typedFromValues && row[c].kind == SourceValue::Kind::Text &&
          !ComesBackUnchanged(row[c].text, columns[c].type))
        return -1 - static_cast<long>(c);
    db.insert(row);
    if (++rowsDone % kStagingProgressRows == 0 && progress) progress(rowsDone);
  }
  return rowsDone;
}

}  // namespace

void StageSourceTable(const std::string& sqlitePath, SourceFileKind kind, const std::string& fileOrFolder,
                      const std::string& tableName, const TextFormatOptions& options, const StagingProgress& progress) {
  std::unique_ptr<SourceTableReader> reader = OpenSourceTable(kind, fileOrFolder, tableName, options);
  std::vector<SourceColumn> columns = reader->columns();
  if (columns.empty()) throw SourceFileError(fileOrFolder + ": table \"" + tableName + "\" has no columns");

  // A column whose type came from the first rows and that meets a later
  // value it would alter is made TEXT and the table staged again: each
  // round makes one more column TEXT, so the rounds end.
  for (;;) {
    std::string create = "CREATE TABLE " + QuotedName(tableName) + " (";
    std::string insert = "INSERT INTO " + QuotedName(tableName) + " VALUES (";
    for (size_t i = 0; i < columns.size(); ++i) {
      create += (i ? ", " : "") + QuotedName(columns[i].name) + " " + DeclaredSqlType(columns[i]);
      insert += i ? ", ?" : "?";
    }
    create += ")";
    insert += ")";

    StagingDatabase db(sqlitePath);
    // The staged file is a cache made again from the source after any loss.
    db.execute("PRAGMA synchronous=OFF");
    db.begin();
    db.execute("DROP TABLE IF EXISTS " + QuotedName(tableName));
    db.execute(create);
    db.prepareInsert(insert);
    const long rowsDone = CopyRows(*reader, db, columns, progress);
    if (rowsDone >= 0) {
      db.commit();
      if (progress) progress(rowsDone);
      return;
    }
    SourceColumn& misfit = columns[static_cast<size_t>(-1 - rowsDone)];
    misfit.type = SourceColumnType::Text;
    misfit.width = 0;
    reader = OpenSourceTable(kind, fileOrFolder, tableName, options);
  }
}
