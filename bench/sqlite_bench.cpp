// Bulk insert, full-scan sums and small transactions on SQLite, its I/O
// counted by the counting VFS.
#include "sqlite_bench.h"

#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <random>
#include <string>

#include "counting_vfs.h"
#include "product.h"

namespace bench {

namespace {

std::string sqlite_path(const options& o) { return o.dir + "/sqlite.db"; }

void check(sqlite3* db, int rc, const char* what) {
  if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW)
    fail(std::string("SQLite: ") + what + ": " + sqlite3_errmsg(db));
}

sqlite3* open_db(const options& o, int flags) {
  sqlite3* db = nullptr;
  int rc = sqlite3_open_v2(sqlite_path(o).c_str(), &db, flags, counting_vfs_name());
  check(db, rc, "open");
  return db;
}

void exec(sqlite3* db, const char* sql) { check(db, sqlite3_exec(db, sql, nullptr, nullptr, nullptr), sql); }

sqlite3_stmt* prepare(sqlite3* db, const char* sql) {
  sqlite3_stmt* s = nullptr;
  check(db, sqlite3_prepare_v2(db, sql, -1, &s, nullptr), sql);
  return s;
}

// The first column of the first row of sql, as text.
std::string query_text(sqlite3* db, const char* sql) {
  sqlite3_stmt* s = prepare(db, sql);
  check(db, sqlite3_step(s), sql);
  const unsigned char* text = sqlite3_column_text(s, 0);
  std::string result = text != nullptr ? reinterpret_cast<const char*>(text) : "";
  sqlite3_finalize(s);
  return result;
}

double sum_prices(sqlite3* db, unsigned& count) {
  sqlite3_stmt* s = prepare(db, "SELECT sum(price), count(*) FROM products");
  check(db, sqlite3_step(s), "scan");
  const double sum = sqlite3_column_double(s, 0);
  count = static_cast<unsigned>(sqlite3_column_int64(s, 1));
  sqlite3_finalize(s);
  return sum;
}

}  // namespace

void run_sqlite_load(const options& o) {
  const std::string path = sqlite_path(o);
  unlink(path.c_str());
  sqlite3* db = open_db(o, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
  const std::string journal = query_text(db, "PRAGMA journal_mode");
  const std::string synchronous = query_text(db, "PRAGMA synchronous");
  remark("SQLite " + std::string(sqlite3_libversion()) + " defaults: journal_mode=" + journal + " synchronous=" +
         synchronous + " (0 off, 1 normal, 2 full, 3 extra)");
  figure("sqlite.synchronous", std::stod(synchronous), "level");
  exec(db,
       "CREATE TABLE products (id INTEGER PRIMARY KEY, price REAL, weight REAL, flags INTEGER, name TEXT)");

  const vfs_counts before = counted_io();
  const double start = now_seconds();
  exec(db, "BEGIN");
  sqlite3_stmt* insert = prepare(db, "INSERT INTO products VALUES (?, ?, ?, ?, ?)");
  char name[kMaxNameLength + 1];
  for (unsigned i = 0; i < o.records; ++i) {
    Product p{};
    fill_product(p, i);
    const unsigned length = product_name(name, i);
    sqlite3_bind_int(insert, 1, p.id);
    sqlite3_bind_double(insert, 2, p.price);
    sqlite3_bind_double(insert, 3, p.weight);
    sqlite3_bind_int(insert, 4, p.flags);
    sqlite3_bind_text(insert, 5, name, static_cast<int>(length), SQLITE_STATIC);
    check(db, sqlite3_step(insert), "insert");
    sqlite3_reset(insert);
  }
  sqlite3_finalize(insert);
  const double built = now_seconds();
  const unsigned syncs_before_commit = counted_io().syncs;
  exec(db, "COMMIT");
  const double end = now_seconds();
  const vfs_counts& after = counted_io();

  struct stat st {};
  stat(path.c_str(), &st);
  figure("sqlite.load.records_per_s", o.records / (end - start), "records/s");
  figure("sqlite.load.build_s", built - start, "s");
  figure("sqlite.load.commit_s", end - built, "s");
  figure("sqlite.load.file_bytes", static_cast<double>(st.st_size), "bytes");
  figure("sqlite.load.bytes_written", after.bytes_written - before.bytes_written, "bytes");
  figure("sqlite.load.pages_written", (after.bytes_written - before.bytes_written) / 4096, "pages");
  figure("sqlite.load.flushes_per_commit", after.syncs - syncs_before_commit, "flushes");
  sqlite3_close(db);
}

void run_sqlite_scan(const options& o) {
  sqlite3* db = open_db(o, SQLITE_OPEN_READONLY);
  const vfs_counts before = counted_io();
  const double start = now_seconds();
  unsigned count = 0;
  const double sum = sum_prices(db, count);
  const double took = now_seconds() - start;
  if (count != o.records || sum != expected_price_sum(o.records)) fail("the scan found other records than were loaded");
  const double pages = (counted_io().bytes_read - before.bytes_read) / 4096;
  figure("sqlite.cold.records_per_s", count / took, "records/s");
  figure("sqlite.cold.pages", pages, "pages");
  figure("sqlite.cold.pages_per_s", pages / took, "pages/s");
  figure("sqlite.cold.s", took, "s");

  const double warm_start = now_seconds();
  const double warm_sum = sum_prices(db, count);
  const double warm_took = now_seconds() - warm_start;
  if (warm_sum != sum) fail("the second scan summed differently");
  figure("sqlite.warm.records_per_s", count / warm_took, "records/s");
  figure("sqlite.warm.s", warm_took, "s");
  sqlite3_close(db);
}

void run_sqlite_txns(const options& o) {
  sqlite3* db = open_db(o, SQLITE_OPEN_READWRITE);
  sqlite3_stmt* begin = prepare(db, "BEGIN");
  sqlite3_stmt* commit = prepare(db, "COMMIT");
  sqlite3_stmt* update = prepare(db, "UPDATE products SET price = price + 1, flags = flags + 1 WHERE id = ?");
  std::mt19937 rng(12345);
  std::uniform_int_distribution<unsigned> pick(0, o.records - 1);
  const vfs_counts before = counted_io();
  const double start = now_seconds();
  for (unsigned t = 0; t < o.txns; ++t) {
    check(db, sqlite3_step(begin), "begin");
    sqlite3_reset(begin);
    for (unsigned k = 0; k < o.changes; ++k) {
      sqlite3_bind_int(update, 1, static_cast<int>(pick(rng)));
      check(db, sqlite3_step(update), "update");
      sqlite3_reset(update);
    }
    check(db, sqlite3_step(commit), "commit");
    sqlite3_reset(commit);
  }
  const double took = now_seconds() - start;
  const vfs_counts& after = counted_io();
  figure("sqlite.txn.commits_per_s", o.txns / took, "commits/s");
  figure("sqlite.txn.pages_written_per_commit", (after.bytes_written - before.bytes_written) / 4096 / o.txns, "pages");
  figure("sqlite.txn.writes_per_commit", static_cast<double>(after.writes - before.writes) / o.txns, "writes");
  figure("sqlite.txn.flushes_per_commit", static_cast<double>(after.syncs - before.syncs) / o.txns, "flushes");
  sqlite3_finalize(begin);
  sqlite3_finalize(commit);
  sqlite3_finalize(update);
  sqlite3_close(db);
}

}  // namespace bench
