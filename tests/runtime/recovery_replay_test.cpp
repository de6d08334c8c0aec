// Guards recovery from the log: a write interrupted after the log was
// completed is undone (pages, size, clean header, log gone); every kind of
// damaged or foreign log is refused with its exact error and changes neither
// the database file nor the log; the replay flushes the pages before page 0
// is cleaned and deletes the log last; a failed replay can be run again; the
// trace of each entry read; and a seeded model of transactions and crashes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "db_log.h"
#include "db_log_recover.h"
#include "dv_err.h"
#include "dv_platform.h"
#include "dv_scratch_dir.h"
#include "dv_test_process.h"
#include "file_fault_hook.h"
#include "log_format.h"
#include "log_test_support.h"
#include "runtime_state.h"

using namespace dv_qem;
using dv_test::bytes;
using dv_test::kPage;
using dv_test::put_at;

namespace {

constexpr dv4u kStamp = 0x5eed;
constexpr size_t kHeader = sizeof(_DB_log_header);
constexpr size_t kEntry = sizeof(_DB_log_entry);

// One write of a database: the pages changed (logged at their first change,
// in this order; page 0 changes only behind its super-block) and the pages
// appended, each growth logged with the size before it.
struct commit_plan {
  std::vector<unsigned> changed;
  unsigned grown = 0;
  dv4u stamp = kStamp;
  bool completed = true;  // false: the process dies before the log is completed
};

// Logs the write through the log as a commit does and returns the database
// image it produces.
bytes log_commit(_DB_log* log, const bytes& before, const commit_plan& plan, unsigned seed) {
  bytes after = before;
  for (unsigned page : plan.changed) {
    log->log_page(page * kPage, before.data() + page * kPage, kPage);
    for (unsigned i = page == 0 ? sizeof(_DB_header_super) : 0; i < kPage; ++i)
      after[page * kPage + i] = static_cast<unsigned char>(after[page * kPage + i] + 1 + seed);
  }
  for (unsigned i = 0; i < plan.grown; ++i) {
    log->log_growth(static_cast<dv4u>(after.size()));
    after.resize(after.size() + kPage);
    dv_test::fill_page(after, static_cast<unsigned>(after.size() / kPage) - 1, seed);
  }
  dv_test::super_of(after).db_size = static_cast<dv4u>(after.size());
  if (plan.completed) log->complete(plan.stamp);
  return after;
}

// The database file as a crash leaves it: page 0 of the new image marked as
// being written with stamp, then the listed pages of the new image.
bytes crashed_file(const bytes& before, const bytes& after, const std::vector<unsigned>& written,
                   dv4u stamp) {
  bytes file = before;
  auto put_page = [&](unsigned page) {
    if (file.size() < (page + 1) * kPage) file.resize((page + 1) * kPage);
    std::copy_n(after.begin() + page * kPage, kPage, file.begin() + page * kPage);
  };
  put_page(0);
  dv_test::super_of(file).recovery_word = 1;
  dv_test::super_of(file).timestamp = stamp;
  for (unsigned page : written) put_page(page);
  return file;
}

class RecoveryReplay : public ::testing::Test {
 protected:
  void TearDown() override { _VRN_reset_file_event_hook(); }

  std::string db_path() const { return dir_ / "store.db"; }
  std::string log_path() const { return db_path() + ".log"; }

  // Ends the log as a crash would: the file keeps what was written.
  void die_with(_DB_log* log) {
    bytes left = dv_test::read_bytes(log_path());
    log->close(false);
    dv_test::write_bytes(log_path(), left);
  }

  // Runs recovery on the database file as the database's recovery does
  // (without its check of the recovered database), then deletes the log.
  void recover() {
    char text[320];
    _Storage file;
    if (file.open(db_path().c_str(), _VRN_O_RDWR, 0, text, sizeof text) != _VRN_FILE_OK) throw dv_err_file("%s", text);
    try {
      _DB_log_recover(db_path().c_str(), file);
    } catch (...) {
      file.close();
      throw;
    }
    file.close();
    _DB_log_remove(db_path().c_str());
  }

  // Recovery's error report, or "" when it succeeded.
  std::string recover_error() {
    try {
      recover();
    } catch (const dv_err& e) {
      return e.get_report();
    }
    return "";
  }

  // The standard crash: a 4-page database whose pages 0, 1 and 3 changed
  // and which grew by 2 pages; page 0 (marked) and pages 1 and 4 reached the
  // file. Leaves the file and the complete log on disk; returns the image
  // before the write.
  bytes standard_crash() {
    bytes before = dv_test::make_database_image(4, 1);
    dv_test::write_bytes(db_path(), before);
    _DB_log* log = _DB_log::open_for_update(db_path().c_str(), false);
    bytes after = log_commit(log, before, {{0, 1, 3}, 2}, 2);
    die_with(log);
    dv_test::write_bytes(db_path(), crashed_file(before, after, {1, 4}, kStamp));
    return before;
  }

  dv_test::scratch_dir dir_;
};

// Positions in the standard crash's log: three page images, two growth
// entries, the end entry.
constexpr size_t image_entry(unsigned i) { return kHeader + i * (kEntry + kPage); }
constexpr size_t growth_entry(unsigned i) { return image_entry(3) + i * kEntry; }
constexpr size_t end_entry = growth_entry(2);
constexpr size_t log_length = end_entry + kEntry;

TEST_F(RecoveryReplay, UndoesAnInterruptedWrite) {
  bytes before = standard_crash();
  ASSERT_EQ(dv_test::read_bytes(log_path()).size(), log_length);
  ASSERT_EQ(recover_error(), "");
  bytes after = dv_test::read_bytes(db_path());
  EXPECT_EQ(after.size(), before.size()) << "the grown pages are cut off";
  EXPECT_TRUE(after == before) << "pages, size in the header and the clean marks are back";
  EXPECT_FALSE(dv_test::file_exists(log_path()));
}

TEST_F(RecoveryReplay, WithoutAPage0ImageTheHeaderIsCleanedInPlace) {
  bytes before = dv_test::make_database_image(3, 4);
  dv_test::write_bytes(db_path(), before);
  _DB_log* log = _DB_log::open_for_update(db_path().c_str(), false);
  bytes after = log_commit(log, before, {{2}, 1}, 5);
  die_with(log);
  dv_test::write_bytes(db_path(), crashed_file(before, after, {2, 3}, kStamp));

  ASSERT_EQ(recover_error(), "");
  bytes result = dv_test::read_bytes(db_path());
  ASSERT_EQ(result.size(), before.size());
  const _DB_header_super& super = dv_test::super_of(result);
  EXPECT_EQ(super.recovery_word, 0u);
  EXPECT_EQ(super.timestamp, 0u);
  EXPECT_EQ(super.db_size, 3 * kPage) << "the size before growth";
  EXPECT_TRUE(std::equal(result.begin() + kPage, result.end(), before.begin() + kPage));
}

// Child: with the runtime trace level set, recovery prints each entry it
// reads, with the word of its kind.
using RecoveryReplayChild = RecoveryReplay;
TEST_F(RecoveryReplayChild, TracesEachEntry) {
  if (!dv_test::is_child()) GTEST_SKIP() << "run by RecoveryReplay.TracesEachEntryWithATraceLevel";
  _DV_int::initialize();
  ASSERT_NE(_DV_int::get_trace_level(), 0);
  standard_crash();
  testing::internal::CaptureStdout();
  std::string error = recover_error();
  std::fflush(stdout);
  std::string printed = testing::internal::GetCapturedStdout();
  ASSERT_EQ(error, "");
  // An image entry's old_sz is its page's number + 1.
  EXPECT_EQ(printed,
            "TAG rw: offset 0, old_sz 1 \n"
            "TAG rw: offset 4096, old_sz 2 \n"
            "TAG rw: offset 12288, old_sz 4 \n"
            "TAG new: offset 0, old_sz 16384 \n"
            "TAG new: offset 0, old_sz 20480 \n"
            "TAG end: offset 0, old_sz 0 \n");
}

TEST(RecoveryReplayTrace, TracesEachEntryWithATraceLevel) {
  EXPECT_EQ(dv_test::run_child("RecoveryReplayChild.TracesEachEntry", {{"_DV_TRACE_MEMORY", "1"}}), 0);
}

TEST_F(RecoveryReplay, TheFirstGrowthEntryGivesTheSize) {
  bytes before = dv_test::make_database_image(2, 7);
  dv_test::write_bytes(db_path(), before);
  _DB_log* log = _DB_log::open_for_update(db_path().c_str(), false);
  bytes after = log_commit(log, before, {{}, 3}, 8);  // growth entries 2, 3 and 4 pages
  die_with(log);
  dv_test::write_bytes(db_path(), crashed_file(before, after, {2, 3, 4}, kStamp));

  ASSERT_EQ(recover_error(), "");
  bytes result = dv_test::read_bytes(db_path());
  EXPECT_EQ(result.size(), 2 * kPage);
  EXPECT_EQ(dv_test::super_of(result).db_size, 2 * kPage);
  EXPECT_TRUE(result == before);
}

// A page is imaged a second time only after an undo took it back to its
// state before the write: both images hold the same bytes, and the page is
// restored. Two differing images of one page are a damaged log: refused,
// nothing written.
TEST_F(RecoveryReplay, ASecondImageOfAPageMustRepeatTheFirst) {
  struct Row {
    const char* name;
    bool second_differs;
  } rows[] = {{"the same image again", false}, {"another image", true}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    bytes before = dv_test::make_database_image(3, 9);
    dv_test::write_bytes(db_path(), before);
    _DB_log* log = _DB_log::open_for_update(db_path().c_str(), false);
    bytes middle = before;
    for (unsigned i = 0; i < kPage; ++i) middle[kPage + i] ^= 0x5a;
    log->log_page(kPage, before.data() + kPage, kPage);
    log->log_page(kPage, (row.second_differs ? middle : before).data() + kPage, kPage);
    log->complete(kStamp);
    die_with(log);
    const bytes crashed = crashed_file(before, middle, {1}, kStamp);
    dv_test::write_bytes(db_path(), crashed);
    const bytes log_bytes = dv_test::read_bytes(log_path());

    if (row.second_differs) {
      EXPECT_EQ(recover_error(), "dv_err_database_recovery - The Log file is corrupted. Tag is invalid.");
      EXPECT_TRUE(dv_test::read_bytes(db_path()) == crashed);
      EXPECT_TRUE(dv_test::read_bytes(log_path()) == log_bytes);
    } else {
      ASSERT_EQ(recover_error(), "");
      EXPECT_TRUE(dv_test::read_bytes(db_path()) == before);
    }
  }
}

// A page the interrupted write added has no image from before the write: an
// image of one (an image entry whose offset was damaged into grown space) is
// refused, whether the new pages reached the file or only the header (with
// the new size) did, and nothing is written.
TEST_F(RecoveryReplay, ImagesInGrownSpaceAreRefused) {
  struct Row {
    const char* name;
    std::vector<unsigned> written;
  } rows[] = {{"grown pages written", {4, 5}}, {"only the header written", {}}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    bytes before = dv_test::make_database_image(4, 3);
    dv_test::write_bytes(db_path(), before);
    _DB_log* log = _DB_log::open_for_update(db_path().c_str(), false);
    log->log_growth(4 * kPage);
    bytes zeros(kPage);
    log->log_page(5 * kPage, zeros.data(), kPage);
    bytes after = before;
    after.resize(6 * kPage);
    dv_test::super_of(after).db_size = 6 * kPage;
    log->complete(kStamp);
    die_with(log);
    const bytes crashed = crashed_file(before, after, row.written, kStamp);
    dv_test::write_bytes(db_path(), crashed);
    const bytes log_bytes = dv_test::read_bytes(log_path());

    EXPECT_EQ(recover_error(), "dv_err_database_recovery - The Log file is corrupted. Tag is invalid.");
    EXPECT_TRUE(dv_test::read_bytes(db_path()) == crashed);
    EXPECT_TRUE(dv_test::read_bytes(log_path()) == log_bytes);
  }
}

// A damaged or foreign log, or a database that does not match it.
struct HostileRow {
  const char* name;
  std::function<void(bytes& log, bytes& db)> damage;
  // The expected report from the log path and the database path.
  std::function<std::string(const std::string& log, const std::string& db)> report;
  bool whole_report = true;  // false: the report only begins with it
};

std::string not_a_log(const std::string& log, const std::string&) {
  return "dv_err_database_recovery - The file \"" + log + "\" is not a valid database Log.";
}
std::string in_progress(const std::string& log, const std::string&) {
  return "dv_err_database_recovery - The file \"" + log +
         "\" is a database Log, but it is as begin in progress.";
}
std::string corrupted(const std::string&, const std::string&) {
  return "dv_err_database_recovery - The Log file is corrupted. Tag is invalid.";
}
void set_state(bytes& log, const char* state, dv4s in_progress_word) {
  std::memcpy(log.data() + offsetof(_DB_log_header, state), state, 4);
  put_at<dv4s>(log, offsetof(_DB_log_header, in_progress), in_progress_word);
}
void put_entry_field(bytes& log, size_t entry, size_t field, dv4s value) {
  put_at<dv4s>(log, entry + field, value);
}

const HostileRow hostile_rows[] = {
    {"bad cookie", [](bytes& log, bytes&) { log[offsetof(_DB_log_header, cookie) + 3] = 'x'; },
     not_a_log},
    {"header page size",
     [](bytes& log, bytes&) { put_at<dv4s>(log, offsetof(_DB_log_header, page_size), 8192); },
     not_a_log},
    {"first version word",
     [](bytes& log, bytes&) { put_at<dv2u>(log, offsetof(_DB_log_header, version_1), 2); },
     not_a_log},
    {"second version word",
     [](bytes& log, bytes&) { put_at<dv2u>(log, offsetof(_DB_log_header, version_2), 3); },
     not_a_log},
    {"shorter than a header", [](bytes& log, bytes&) { log.resize(300); }, not_a_log},
    {"complete without a stamp",
     [](bytes& log, bytes& db) {
       put_at<dv4s>(log, offsetof(_DB_log_header, timestamp), 0);
       dv_test::super_of(db).timestamp = 0;
     },
     not_a_log},
    {"in progress", [](bytes& log, bytes&) { set_state(log, "BAD", 1); }, in_progress},
    {"state complete, word in progress", [](bytes& log, bytes&) { set_state(log, "-OK", 1); },
     in_progress},
    {"word complete, state in progress", [](bytes& log, bytes&) { set_state(log, "BAD", 0); },
     in_progress},
    {"another database's log",
     [](bytes& log, bytes&) {
       std::memcpy(log.data() + offsetof(_DB_log_header, db_name), "other.db", 9);
     },
     [](const std::string& log, const std::string& db) {
       return "dv_err_database_recovery - The logfile \"" + log +
              "\" can not be used to recover the database \"" + db +
              "\": database \"other.db\" is expected.";
     }},
    {"another write's stamp",
     [](bytes& log, bytes&) {
       put_at<dv4s>(log, offsetof(_DB_log_header, timestamp), static_cast<dv4s>(kStamp + 1));
     },
     [](const std::string& log, const std::string& db) {
       return "dv_err_database_recovery - The logfile \"" + log +
              "\" can not be used to recover the database \"" + db +
              "\": database timestamp " + std::to_string(kStamp) + " expected, found " +
              std::to_string(kStamp + 1);
     }},
    {"database page 0 not a database", [](bytes&, bytes& db) { db[2] = 'x'; },
     [](const std::string&, const std::string&) {
       return std::string(
           "dv_err_internal - Assertion \"db_hdr->validate_header() == "
           "_DB_header_super::valid\" failed");
     },
     false},
    {"bad tag", [](bytes& log, bytes&) { log[image_entry(1) + offsetof(_DB_log_entry, tag)] = 't'; },
     corrupted},
    {"unknown kind",
     [](bytes& log, bytes&) { put_entry_field(log, growth_entry(0), offsetof(_DB_log_entry, kind), 4); },
     corrupted},
    {"kind 0",
     [](bytes& log, bytes&) { put_entry_field(log, end_entry, offsetof(_DB_log_entry, kind), 0); },
     corrupted},
    {"cut inside an image", [](bytes& log, bytes&) { log.resize(image_entry(2) + kEntry + 100); },
     corrupted},
    {"cut inside an entry", [](bytes& log, bytes&) { log.resize(end_entry + 20); }, corrupted},
    {"no end entry", [](bytes& log, bytes&) { log.resize(end_entry); }, corrupted},
    {"negative offset",
     [](bytes& log, bytes&) {
       put_entry_field(log, image_entry(1), offsetof(_DB_log_entry, offset), -4096);
     },
     corrupted},
    {"unaligned offset",
     [](bytes& log, bytes&) {
       put_entry_field(log, image_entry(1), offsetof(_DB_log_entry, offset), 4096 + 8);
     },
     corrupted},
    {"offset past the database",
     [](bytes& log, bytes&) {
       put_entry_field(log, image_entry(1), offsetof(_DB_log_entry, offset), 6 * 4096);
     },
     corrupted},
    {"offset far past the database",
     [](bytes& log, bytes&) {
       put_entry_field(log, image_entry(2), offsetof(_DB_log_entry, offset), 0x7ffff000);
     },
     corrupted},
    {"entry page size",
     [](bytes& log, bytes&) {
       put_entry_field(log, image_entry(1), offsetof(_DB_log_entry, page_size), 2048);
     },
     corrupted},
    {"growth from size 0",
     [](bytes& log, bytes&) {
       put_entry_field(log, growth_entry(0), offsetof(_DB_log_entry, old_size), 0);
     },
     corrupted},
    {"growth from an unaligned size",
     [](bytes& log, bytes&) {
       put_entry_field(log, growth_entry(1), offsetof(_DB_log_entry, old_size), 4096 * 5 + 1);
     },
     corrupted},
    {"growth from a negative size",
     [](bytes& log, bytes&) {
       put_entry_field(log, growth_entry(0), offsetof(_DB_log_entry, old_size), -4096);
     },
     corrupted},
    {"growth from past the database",
     [](bytes& log, bytes&) {
       put_entry_field(log, growth_entry(0), offsetof(_DB_log_entry, old_size), 7 * 4096);
     },
     corrupted},
    {"page 0 image not a database header",
     [](bytes& log, bytes&) { log[image_entry(0) + kEntry + 1] = 'x'; }, corrupted},
};

TEST_F(RecoveryReplay, HostileLogsAreRefusedAndChangeNothing) {
  for (const HostileRow& row : hostile_rows) {
    SCOPED_TRACE(row.name);
    standard_crash();
    bytes log = dv_test::read_bytes(log_path());
    bytes db = dv_test::read_bytes(db_path());
    row.damage(log, db);
    dv_test::write_bytes(log_path(), log);
    dv_test::write_bytes(db_path(), db);

    std::string report = recover_error();
    std::string want = row.report(log_path(), db_path());
    if (row.whole_report)
      EXPECT_EQ(report, want);
    else
      EXPECT_EQ(report.substr(0, want.size()), want);
    EXPECT_TRUE(dv_test::read_bytes(db_path()) == db) << "the database file is unchanged";
    EXPECT_TRUE(dv_test::read_bytes(log_path()) == log) << "the log is in place";
  }
}

TEST_F(RecoveryReplay, AMissingLogIsALogError) {
  standard_crash();
  std::remove(log_path().c_str());
  bytes db = dv_test::read_bytes(db_path());
  char text[320];
  _VRN_system_error_text(ENOENT, text, sizeof text);
  EXPECT_EQ(recover_error(), "dv_err_database_log - Database Log \"" + log_path() +
                                 "\" open/create error: \"" + text + "\"");
  EXPECT_TRUE(dv_test::read_bytes(db_path()) == db);
}

// ---- order of the replay's writes and flushes ----------------------------

struct replay_event {
  int kind;
  bool log_exists;
  size_t db_size;
  dv4u recovery_word_in_file;
};
std::vector<replay_event> replay_events;
std::string watched_db, watched_log;

void record_replay_event(unsigned, int kind) {
  bytes db = dv_test::read_bytes(watched_db);
  replay_events.push_back(
      {kind, dv_test::file_exists(watched_log), db.size(), dv_test::super_of(db).recovery_word});
}

TEST_F(RecoveryReplay, PagesAndTheCutAreFlushedBeforePage0IsCleanedAndTheLogGoesLast) {
  bytes before = standard_crash();
  watched_db = db_path();
  watched_log = log_path();
  replay_events.clear();
  _VRN_reset_file_event_hook();
  _VRN_set_file_event_hook(record_replay_event, 0);
  ASSERT_EQ(recover_error(), "");
  _VRN_reset_file_event_hook();

  // Pages 1 and 3 written back, flush, page 0, flush.
  const int W = _VRN_FILE_EVENT_WRITE, F = _VRN_FILE_EVENT_FLUSH;
  std::vector<int> kinds;
  for (const replay_event& e : replay_events) kinds.push_back(e.kind);
  ASSERT_EQ(kinds, (std::vector<int>{W, W, F, W, F}));
  for (const replay_event& e : replay_events) EXPECT_TRUE(e.log_exists);
  EXPECT_EQ(replay_events[2].db_size, before.size()) << "cut before the first flush";
  EXPECT_EQ(replay_events[3].recovery_word_in_file, 1u) << "page 0 still marked until written";
  EXPECT_EQ(replay_events[4].recovery_word_in_file, 0u);
  EXPECT_FALSE(dv_test::file_exists(log_path()));
}

void fail_event(unsigned, int) { throw dv_err_cant_write_to_file("injected failure"); }

TEST_F(RecoveryReplay, AnInterruptedReplayLeavesTheFileMarkedAndCanRunAgain) {
  // Events: page 1, page 3, flush, page 0, flush.
  for (unsigned failing_event = 1; failing_event <= 4; ++failing_event) {
    SCOPED_TRACE("failing event " + std::to_string(failing_event));
    bytes before = standard_crash();
    _VRN_reset_file_event_hook();
    _VRN_set_file_event_hook(fail_event, failing_event);
    EXPECT_EQ(recover_error(), "dv_err_cant_write_to_file - injected failure");
    _VRN_reset_file_event_hook();
    EXPECT_EQ(dv_test::super_of(dv_test::read_bytes(db_path())).recovery_word, 1u);
    EXPECT_TRUE(dv_test::file_exists(log_path()));

    ASSERT_EQ(recover_error(), "");
    EXPECT_TRUE(dv_test::read_bytes(db_path()) == before);
    EXPECT_FALSE(dv_test::file_exists(log_path()));
  }
}

TEST_F(RecoveryReplay, AFailedLastFlushKeepsTheLog) {
  bytes before = standard_crash();
  _VRN_reset_file_event_hook();
  _VRN_set_file_event_hook(fail_event, 5);
  EXPECT_EQ(recover_error(), "dv_err_cant_write_to_file - injected failure");
  _VRN_reset_file_event_hook();
  EXPECT_TRUE(dv_test::read_bytes(db_path()) == before) << "written, durability unknown";
  EXPECT_TRUE(dv_test::file_exists(log_path()));
}

// ---- model: transactions through one log, the last one cut by a crash -----

TEST_F(RecoveryReplay, ModelOfTransactionsAndCrashes) {
  for (unsigned seed = 1; seed <= 40; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 rng(seed);
    auto below = [&](unsigned n) { return static_cast<unsigned>(rng() % n); };

    bytes model = dv_test::make_database_image(1 + below(5), seed);
    dv_test::write_bytes(db_path(), model);
    _DB_log* log = _DB_log::open_for_update(db_path().c_str(), false);
    const unsigned transactions = 1 + below(3);
    bool completed = true;
    for (unsigned t = 0; t < transactions; ++t) {
      const unsigned pages = static_cast<unsigned>(model.size() / kPage);
      commit_plan plan;
      for (unsigned page = 0; page < pages; ++page)
        if (below(2)) plan.changed.push_back(page);
      std::shuffle(plan.changed.begin(), plan.changed.end(), rng);
      plan.grown = below(3);
      plan.stamp = (rng() & 0x7fffffff) | 1;
      const bool last = t + 1 == transactions;
      plan.completed = !last || below(4) != 0;
      bytes after = log_commit(log, model, plan, seed * 8 + t);
      if (!last) {
        dv_test::write_bytes(db_path(), after);  // a good write, then the log starts over
        log->reset();
        model = after;
        continue;
      }
      completed = plan.completed;
      if (!completed) break;  // the file was not touched yet
      std::vector<unsigned> written;
      for (unsigned page = 1; page < after.size() / kPage; ++page)
        if (below(2)) written.push_back(page);
      dv_test::write_bytes(db_path(), crashed_file(model, after, written, plan.stamp));
    }
    die_with(log);

    std::string report = recover_error();
    if (completed) {
      ASSERT_EQ(report, "");
      EXPECT_FALSE(dv_test::file_exists(log_path()));
    } else {
      ASSERT_EQ(report, in_progress(log_path(), db_path()));
    }
    ASSERT_TRUE(dv_test::read_bytes(db_path()) == model);
    std::remove(log_path().c_str());
  }
}

}  // namespace
