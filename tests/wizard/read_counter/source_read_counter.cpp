// A library the wizard's read-count test preloads into the program: it
// stands between the SQLite3 ODBC driver and SQLite and writes one line per
// pass of a SELECT statement over a source table to the file named by
// TALLYPORT_SOURCE_READS: "whole ROWS SQL" when the statement was stepped
// to its end, "part ROWS SQL" when it was reset or finalized before. The
// catalogue's own queries (sqlite_master) are left out.
#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <unordered_map>

extern "C" {
struct sqlite3_stmt;
}

namespace {

constexpr int kRow = 100;   // SQLITE_ROW
constexpr int kDone = 101;  // SQLITE_DONE

template <typename F>
F Next(const char* name) {
  return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

std::mutex& Lock() {
  static std::mutex lock;
  return lock;
}

// Rows stepped per statement since its last pass ended.
std::unordered_map<sqlite3_stmt*, long>& Rows() {
  static auto* rows = new std::unordered_map<sqlite3_stmt*, long>;
  return *rows;
}

void Write(const char* kind, long rows, sqlite3_stmt* statement) {
  using SqlOf = const char* (*)(sqlite3_stmt*);
  static const SqlOf sqlOf = reinterpret_cast<SqlOf>(dlsym(RTLD_DEFAULT, "sqlite3_sql"));
  const char* sql = sqlOf != nullptr ? sqlOf(statement) : nullptr;
  if (sql == nullptr || strncasecmp(sql, "SELECT", 6) != 0 || std::strstr(sql, "sqlite_master") != nullptr) return;
  const char* path = std::getenv("TALLYPORT_SOURCE_READS");
  if (path == nullptr) return;
  if (FILE* file = std::fopen(path, "a")) {
    std::fprintf(file, "%s %ld %s\n", kind, rows, sql);
    std::fclose(file);
  }
}

// Ends the statement's pass: a pass that stepped rows and did not reach
// the end is a part read.
void EndPass(sqlite3_stmt* statement) {
  std::lock_guard<std::mutex> hold(Lock());
  auto found = Rows().find(statement);
  if (found == Rows().end()) return;
  if (found->second > 0) Write("part", found->second, statement);
  Rows().erase(found);
}

}  // namespace

extern "C" int sqlite3_step(sqlite3_stmt* statement) {
  static const auto step = Next<int (*)(sqlite3_stmt*)>("sqlite3_step");
  const int rc = step(statement);
  std::lock_guard<std::mutex> hold(Lock());
  if (rc == kRow) {
    ++Rows()[statement];
  } else if (rc == kDone) {
    auto found = Rows().find(statement);
    Write("whole", found == Rows().end() ? 0 : found->second, statement);
    if (found != Rows().end()) Rows().erase(found);
  }
  return rc;
}

extern "C" int sqlite3_reset(sqlite3_stmt* statement) {
  static const auto reset = Next<int (*)(sqlite3_stmt*)>("sqlite3_reset");
  EndPass(statement);
  return reset(statement);
}

extern "C" int sqlite3_finalize(sqlite3_stmt* statement) {
  static const auto finalize = Next<int (*)(sqlite3_stmt*)>("sqlite3_finalize");
  EndPass(statement);
  return finalize(statement);
}
