// Guards recovery through dv_database::recover against logs it must not
// trust: a database left marked by an interrupted commit is given a damaged
// or foreign log (bad cookie, bad header, another database's name, another
// write's stamp, a bad tag, a cut tail, a bad offset, a log still in
// progress). Each is refused with its exact error, wrapped as an error
// during recovery, without a single write: the database stays marked and
// the log in place, and the genuine log still recovers it.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdio>
#include <functional>
#include <string>

#include "crash_model.h"
#include "file_fault_hook.h"
#include "log_format.h"

using namespace dv_qem;
using namespace dv_test;
using crash_model::state;

namespace {

using file_bytes = std::vector<char>;

unsigned writes_seen = 0;
void count_writes(const _VRN_file_change& c) {
  if (c.kind == _VRN_FILE_CHANGE_WRITE || c.kind == _VRN_FILE_CHANGE_TRUNCATE) ++writes_seen;
}

template <class T>
void put(file_bytes& bytes, size_t at, T value) {
  std::memcpy(bytes.data() + at, &value, sizeof value);
}

// Offsets of the entries in a log, in order.
std::vector<size_t> entries_of(const file_bytes& log) {
  std::vector<size_t> at;
  size_t pos = sizeof(_DB_log_header);
  while (pos + sizeof(_DB_log_entry) <= log.size()) {
    _DB_log_entry e;
    std::memcpy(&e, log.data() + pos, sizeof e);
    at.push_back(pos);
    if (!e.is_valid() || e.kind == log_end) break;
    pos += sizeof e + (e.kind == log_page_image ? static_cast<size_t>(e.page_size) : 0);
  }
  return at;
}

size_t first_image(const file_bytes& log) {
  for (size_t at : entries_of(log)) {
    _DB_log_entry e;
    std::memcpy(&e, log.data() + at, sizeof e);
    if (e.kind == log_page_image && e.offset != 0) return at;
  }
  ADD_FAILURE() << "no page image in the log";
  return sizeof(_DB_log_header);
}

struct hostile_row {
  const char* name;
  std::function<void(file_bytes& log, file_bytes& db)> damage;
  // The inner report, from the log path, the database path and the
  // database's stamp.
  std::function<std::string(const std::string& log, const std::string& db, dv4u stamp)> inner;
};

std::string not_a_log(const std::string& log, const std::string&, dv4u) {
  return "dv_err_database_recovery - The file \"" + log + "\" is not a valid database Log.";
}
std::string corrupted(const std::string&, const std::string&, dv4u) {
  return "dv_err_database_recovery - The Log file is corrupted. Tag is invalid.";
}

const hostile_row rows[] = {
    {"bad cookie", [](file_bytes& log, file_bytes&) { log[offsetof(_DB_log_header, cookie)] ^= 0x20; }, not_a_log},
    {"bad header: page size",
     [](file_bytes& log, file_bytes&) { put<dv4s>(log, offsetof(_DB_log_header, page_size), 8192); }, not_a_log},
    {"bad header: version",
     [](file_bytes& log, file_bytes&) { put<dv2u>(log, offsetof(_DB_log_header, version_2), 7); }, not_a_log},
    {"not even a header", [](file_bytes& log, file_bytes&) { log.resize(100); }, not_a_log},
    {"still in progress",
     [](file_bytes& log, file_bytes&) {
       std::memcpy(log.data() + offsetof(_DB_log_header, state), "BAD", 4);
       put<dv4s>(log, offsetof(_DB_log_header, in_progress), 1);
     },
     [](const std::string& log, const std::string&, dv4u) {
       return "dv_err_database_recovery - The file \"" + log + "\" is a database Log, but it is as begin in progress.";
     }},
    {"another database's name",
     [](file_bytes& log, file_bytes&) {
       std::memcpy(log.data() + offsetof(_DB_log_header, db_name), "other.db", 9);
     },
     [](const std::string& log, const std::string& db, dv4u) {
       return "dv_err_database_recovery - The logfile \"" + log + "\" can not be used to recover the database \"" +
              db + "\": database \"other.db\" is expected.";
     }},
    {"stamp mismatch",
     [](file_bytes& log, file_bytes&) {
       dv4s stamp;
       std::memcpy(&stamp, log.data() + offsetof(_DB_log_header, timestamp), sizeof stamp);
       put<dv4s>(log, offsetof(_DB_log_header, timestamp), stamp + 1);
     },
     [](const std::string& log, const std::string& db, dv4u stamp) {
       return "dv_err_database_recovery - The logfile \"" + log + "\" can not be used to recover the database \"" +
              db + "\": database timestamp " + std::to_string(static_cast<int>(stamp)) + " expected, found " +
              std::to_string(static_cast<int>(stamp + 1));
     }},
    {"bad tag",
     [](file_bytes& log, file_bytes&) { log[first_image(log) + offsetof(_DB_log_entry, tag)] = 'X'; }, corrupted},
    {"bad kind",
     [](file_bytes& log, file_bytes&) { put<dv4s>(log, first_image(log) + offsetof(_DB_log_entry, kind), 9); },
     corrupted},
    {"truncated tail: no end entry",
     [](file_bytes& log, file_bytes&) { log.resize(entries_of(log).back()); }, corrupted},
    {"truncated tail: inside a page image",
     [](file_bytes& log, file_bytes&) { log.resize(first_image(log) + sizeof(_DB_log_entry) + 1000); },
     corrupted},
    {"bad offset: not a page boundary",
     [](file_bytes& log, file_bytes&) {
       put<dv4s>(log, first_image(log) + offsetof(_DB_log_entry, offset), 4096 + 12);
     },
     corrupted},
    {"bad offset: negative",
     [](file_bytes& log, file_bytes&) { put<dv4s>(log, first_image(log) + offsetof(_DB_log_entry, offset), -4096); },
     corrupted},
    {"bad offset: far past the database",
     [](file_bytes& log, file_bytes&) {
       put<dv4s>(log, first_image(log) + offsetof(_DB_log_entry, offset), 0x40000000);
     },
     corrupted},
};

class HostileLog : public db_test {
 protected:
  void SetUp() override { dv_transaction::initialize(); }
  void TearDown() override { _VRN_set_file_change_recorder(nullptr); }
};

TEST_F(HostileLog, EveryDamagedOrForeignLogIsRefusedWithoutAWrite) {
  const std::string db_path = path("crash.db");
  const std::string log_path = db_path + ".log";
  crash_model::prepare(db_path);
  const long size_before = file_size(db_path);

  // A commit cut short between its pages and the clean mark.
  ASSERT_TRUE(crash_model::interrupt_commit(db_path));
  const file_bytes genuine_db = read_file(db_path);
  const file_bytes genuine_log = read_file(log_path);
  const dv4u stamp = stored_super(db_path).timestamp;

  for (const hostile_row& row : rows) {
    SCOPED_TRACE(row.name);
    file_bytes log = genuine_log, image = genuine_db;
    row.damage(log, image);
    write_file(db_path, image.data(), image.size());
    write_file(log_path, log.data(), log.size());

    writes_seen = 0;
    _VRN_set_file_change_recorder(count_writes);
    expect_error<dv_err_database_recovery>(
        [&] { dv_database::recover(db_path.c_str()); },
        "dv_err_database_recovery - Error during recovery of database " + db_path + ": " +
            row.inner(log_path, db_path, stamp) + ".");
    _VRN_set_file_change_recorder(nullptr);
    EXPECT_EQ(writes_seen, 0u) << "nothing written";
    EXPECT_TRUE(read_file(db_path) == image) << "the database is unchanged";
    EXPECT_TRUE(read_file(log_path) == log) << "the log is in place";
    EXPECT_EQ(dv_database::needs_recovery(db_path.c_str()), 1);
  }

  write_file(db_path, genuine_db.data(), genuine_db.size());
  write_file(log_path, genuine_log.data(), genuine_log.size());
  std::string why;
  EXPECT_EQ(crash_model::state_of(db_path, size_before, -1, why), state::before) << why;
  EXPECT_EQ(file_size(log_path), -1) << "the log is gone";
}

}  // namespace
