// Guards writing databases: save writes exactly the modified pages behind a
// completed log and a dirty header, and makes them durable before the header
// is marked clean again; a save cut short leaves the file marked, and the
// log puts it back; copy writes the current contents (saved or not) as a
// whole number of pages and never reads memory it cannot access; save_as
// continues on the new file.
#include <gtest/gtest.h>

#include <algorithm>

#include <cstring>
#include <string>
#include <vector>

#include "db_super.h"
#include "db_test_support.h"
#include "durnavel.h"
#include "dv_database.h"
#include "dvdb.h"
#include "file_fault_hook.h"
#include "page.h"

using namespace dv_qem;
using namespace dv_test;

namespace {

std::string events;

void record_event(unsigned, int kind) { events += kind == _VRN_FILE_EVENT_WRITE ? 'W' : 'F'; }

class DatabaseSave : public db_test {
 protected:
  // A test may switch logging off; the next one starts with it as it was.
  void SetUp() override { logging_disabled_ = _DV_int::is_logging_disabled(); }
  void TearDown() override {
    _VRN_reset_file_event_hook();
    _DV_int::set_logging_disabled(logging_disabled_);
  }

  // A saved database at name with n slots of seed 1.
  dv_database* make(const std::string& name, unsigned n) {
    dv_database* db = dv_database::create(path(name).c_str(), 0644, 1, 0);
    data_ = slots(db, n, 1);
    db->save();
    return db;
  }

  void record_file_events() {
    events.clear();
    _VRN_reset_file_event_hook();
    _VRN_set_file_event_hook(record_event, 0);
  }

  // Slot i of the file at name holds its pattern of seed.
  bool file_holds(const std::string& name, unsigned i, unsigned seed) {
    std::vector<char> bytes = read_file(path(name));
    return bytes.size() >= data_.offset(i) + kSlotBytes && data_.holds_at(bytes.data(), i, seed);
  }

  int write_locked(dv_database* db) {
    unsigned none, read, write;
    db->get_page_stats(none, read, write);
    return static_cast<int>(write);
  }

  slots data_;
  int logging_disabled_ = 0;
};

TEST_F(DatabaseSave, SaveWritesTheModifiedPagesAndReadLocksThem) {
  dv_database* db = make("s.db", 3);
  data_.fill(db, 1, 2);
  EXPECT_EQ(write_locked(db), 1);
  EXPECT_TRUE(db->is_modified());
  db->save();
  EXPECT_EQ(write_locked(db), 0);
  EXPECT_FALSE(db->is_modified());
  EXPECT_TRUE(file_holds("s.db", 0, 1));
  EXPECT_TRUE(file_holds("s.db", 1, 2));
  EXPECT_TRUE(file_holds("s.db", 2, 1));
  _DB_header_super s = stored_super(path("s.db"));
  EXPECT_EQ(s.recovery_word, 0u);
  EXPECT_EQ(s.timestamp, 0u);
  EXPECT_EQ(s.db_size, db->size());
  EXPECT_EQ(file_size(path("s.db")), static_cast<long>(db->size()));
  EXPECT_TRUE(log_entries(path("s.db")).empty()) << "the log starts afresh after a save";
  db->self_check();
  db->close();
}

TEST_F(DatabaseSave, SaveWithNothingModifiedWritesNothing) {
  dv_database* db = make("idle.db", 2);
  std::vector<char> before = read_file(path("idle.db"));
  record_file_events();
  db->save();
  EXPECT_EQ(events, "");
  EXPECT_EQ(read_file(path("idle.db")), before);
  db->close();
}

// The dirty header is durable before any page is written, and every page is
// durable before the clean header is written. (Logging off: only the
// database file is written.)
TEST_F(DatabaseSave, SaveMakesThePagesDurableBeforeTheCleanHeader) {
  durnavel::disable_logging();
  dv_database* db = make("order.db", 3);
  data_.fill(db, 0, 5);
  data_.fill(db, 2, 5);
  record_file_events();
  db->save();
  //        dirty page 0   two pages   clean page 0
  EXPECT_EQ(events, std::string("WF") + "WWF" + "WF");
  db->close();
}

// The log is completed, with the write's stamp, before the header is marked.
TEST_F(DatabaseSave, TheLogIsCompleteBeforeTheFileIsMarked) {
  dv_database* db = make("logged.db", 3);
  data_.fill(db, 1, 3);
  EXPECT_EQ(logged_images(path("logged.db")), 1);
  _VRN_let_it_die(internal(db), _DVDB_DIE_IN_SAVE);
  EXPECT_THROW(db->save(), dv_err_internal);
  _DB_header_super s = stored_super(path("logged.db"));
  _DB_log_header log = log_header(path("logged.db"));
  EXPECT_EQ(s.recovery_word, 1u);
  EXPECT_NE(s.timestamp, 0u);
  EXPECT_TRUE(log.is_complete());
  EXPECT_EQ(static_cast<dv4u>(log.timestamp), s.timestamp);
  db->close();
}

// A save cut short between the pages and the clean mark leaves the file and
// the open handle marked; recovery from the log puts the file back as it was
// before the save.
TEST_F(DatabaseSave, SaveCutShortIsRecovered) {
  dv_database* db = make("cut.db", 3);
  const dv4u saved_size = db->size();
  data_.fill(db, 2, 9);
  slots grown(db, 2, 4);
  _VRN_let_it_die(internal(db), _DVDB_DIE_IN_SAVE);
  expect_error_starting<dv_err_internal>(
      [&] { db->save(); }, "dv_err_internal - Assertion \"!(_kill_flags & _DVDB_DIE_IN_SAVE)\" failed at line ");
  EXPECT_EQ(stored_super(path("cut.db")).recovery_word, 1u);
  EXPECT_TRUE(file_holds("cut.db", 2, 9)) << "the pages were written";
  expect_error<dv_err_database_needs_recovery>(
      [&] { db->save(); },
      "dv_err_database_needs_recovery - Trying to access a database which needs recovery (" + path("cut.db") + ").");
  EXPECT_EQ(db->needs_recovery(), 1);
  db->close();
  EXPECT_EQ(dv_database::needs_recovery(path("cut.db").c_str()), 1);
  expect_error<dv_err_database_needs_recovery>(
      [&] { dv_database::open(path("cut.db").c_str(), 0, 0, 0); },
      "dv_err_database_needs_recovery - The database " + path("cut.db") + " needs to be recovered.");

  dv_database::recover(path("cut.db").c_str());
  EXPECT_EQ(dv_database::needs_recovery(path("cut.db").c_str()), 0);
  EXPECT_EQ(file_size(path("cut.db") + ".log"), -1) << "the log is gone";
  dv_database* again = dv_database::open(path("cut.db").c_str(), 1, 0, 0);
  EXPECT_EQ(again->size(), saved_size);
  for (unsigned i = 0; i < 3; ++i) EXPECT_TRUE(data_.holds(again, i, 1)) << i;
  again->self_check();
  again->close();
}

TEST_F(DatabaseSave, SaveOfAReadOnlyDatabase) {
  dv_database* db = make("ro.db", 1);
  db->close();
  dv_database* ro = dv_database::open(path("ro.db").c_str(), 1, 0, 0);
  expect_error<dv_err_write_permission_denied>(
      [&] { ro->save(); },
      "dv_err_write_permission_denied - Attempt to save a readonly database (" + path("ro.db") + ").\n");
  EXPECT_EQ(file_size(path("ro.db") + ".log"), -1) << "a read-only database has no log";
  ro->close();
}

TEST_F(DatabaseSave, CopyWritesTheCurrentContentsAsWholePages) {
  dv_database* db = make("src.db", 2);
  data_.fill(db, 0, 4);  // modified, not saved
  slots grown(db, 1, 4);  // grown, not saved
  std::vector<char> source_before = read_file(path("src.db"));
  db->copy(path("copy.db").c_str(), 0644, 0);

  EXPECT_EQ(read_file(path("src.db")), source_before) << "the source file is left alone";
  EXPECT_TRUE(db->is_modified()) << "the source keeps its changes unsaved";
  EXPECT_EQ(file_size(path("copy.db")), static_cast<long>(db->size())) << "a whole number of pages";
  _DB_header_super s = stored_super(path("copy.db"));
  EXPECT_EQ(s.recovery_word, 0u);
  EXPECT_EQ(s.db_size, db->size());
  EXPECT_TRUE(file_holds("copy.db", 0, 4));
  EXPECT_TRUE(file_holds("copy.db", 1, 1));
  db->close();

  dv_database* copy = dv_database::open(path("copy.db").c_str(), 1, 0, 0);
  EXPECT_TRUE(data_.holds(copy, 0, 4));
  EXPECT_TRUE(data_.holds(copy, 1, 1));
  EXPECT_TRUE(grown.holds(copy, 0, 4));
  copy->self_check();
  copy->close();
}

TEST_F(DatabaseSave, CopyOfANewDatabaseIsWholePages) {
  dv_database* db = dv_database::create(path("one.db").c_str(), 0644, 0, 0);
  db->copy(path("one-copy.db").c_str(), 0644, 0);
  EXPECT_EQ(file_size(path("one-copy.db")), static_cast<long>(db->size()));
  EXPECT_EQ(file_size(path("one-copy.db")) % kPage, 0);
  db->close();
  dv_database* copy = dv_database::open(path("one-copy.db").c_str(), 0, 0, 0);
  copy->self_check();
  copy->close();
}

// Pages that are not in memory, and pages left without access (as after an
// abort), are taken from the source file.
TEST_F(DatabaseSave, CopyReadsPagesWithoutAccessFromTheFile) {
  dv_database* db = make("src.db", 3);
  db->return_all_pages();                      // slots 1 and 2 not in memory
  data_.fill(db, 0, 6);                        // modified in memory ...
  _Page* page = internal(db)->find_page(data_.page(db, 0));
  ASSERT_NE(page, nullptr);
  page->downgrade();                           // ... then left without access
  db->copy(path("copy.db").c_str(), 0644, 0);
  EXPECT_TRUE(file_holds("copy.db", 0, 1)) << "the file's page, not the inaccessible memory";
  EXPECT_TRUE(file_holds("copy.db", 1, 1));
  EXPECT_TRUE(file_holds("copy.db", 2, 1));
  db->close();
}

TEST_F(DatabaseSave, CopyRefusals) {
  dv_database* db = make("src.db", 1);
  dv_database* other = dv_database::create(path("other.db").c_str(), 0644, 0, 0);
  expect_error<dv_err_database_in_use>([&] { db->copy(path("other.db").c_str(), 0644, 1); },
                                       "dv_err_database_in_use - The database " + path("other.db") +
                                           " exists, and is already in use.");
  expect_error<dv_err_database_in_use>([&] { db->copy(path("src.db").c_str(), 0644, 1); },
                                       "dv_err_database_in_use - The database " + path("src.db") +
                                           " exists, and is already in use.");
  write_file(path("taken.db"), "x", 1);
  expect_error<dv_err_database_exists>([&] { db->copy(path("taken.db").c_str(), 0644, 0); },
                                       "dv_err_database_exists - The target database " + path("taken.db") +
                                           " exists, and overwrite option is not specified.");
  db->copy(path("taken.db").c_str(), 0644, 1);
  EXPECT_EQ(file_size(path("taken.db")), static_cast<long>(db->size()));
  other->close();
  db->close();
}

// A copy cut short before its final page 0 leaves a target that says it
// needs recovery; the source goes on.
TEST_F(DatabaseSave, CopyCutShortLeavesATargetNeedingRecovery) {
  dv_database* db = make("src.db", 2);
  _VRN_let_it_die(internal(db), _DVDB_DIE_IN_COPY);
  EXPECT_THROW(db->copy(path("half.db").c_str(), 0644, 0), dv_err_internal);
  EXPECT_EQ(dv_database::needs_recovery(path("half.db").c_str()), 1);
  _VRN_let_it_die(internal(db), 0);
  db->self_check();
  db->close();
}

TEST_F(DatabaseSave, SaveAsOntoItsOwnPathIsSave) {
  dv_database* db = make("self.db", 1);
  data_.fill(db, 0, 3);
  db->save_as(path("self.db").c_str(), 0644, 0);
  EXPECT_FALSE(db->is_modified());
  EXPECT_TRUE(file_holds("self.db", 0, 3));
  data_.fill(db, 0, 4);
  db->save_as(nullptr, 0644, 0);
  EXPECT_TRUE(file_holds("self.db", 0, 4));
  db->close();
}

TEST_F(DatabaseSave, SaveAsContinuesOnTheNewFile) {
  dv_database* db = make("old.db", 2);
  std::vector<char> old_before = read_file(path("old.db"));
  data_.fill(db, 1, 7);
  db->save_as(path("new.db").c_str(), 0644, 0);
  EXPECT_EQ(file_size(path("old.db") + ".log"), -1) << "the old log is gone";
  EXPECT_NE(file_size(path("new.db") + ".log"), -1) << "a new log beside the new file";
  EXPECT_EQ(read_file(path("old.db")), old_before);
  EXPECT_TRUE(file_holds("new.db", 1, 7));
  EXPECT_FALSE(db->is_modified());
  char* name = db->get_pathname();
  EXPECT_EQ(std::string(name), path("new.db"));
  std::free(name);

  // The database goes on in the new file; the old one is free again.
  data_.fill(db, 0, 8);
  db->save();
  EXPECT_TRUE(file_holds("new.db", 0, 8));
  dv_database* old = dv_database::open(path("old.db").c_str(), 0, 0, 0);
  EXPECT_TRUE(data_.holds(old, 0, 1));
  EXPECT_TRUE(data_.holds(old, 1, 1));
  old->close();
  db->close();
  EXPECT_EQ(stored_super(path("new.db")).recovery_word, 0u);
}

TEST_F(DatabaseSave, SaveAsRefusals) {
  dv_database* db = make("a.db", 1);
  dv_database* other = dv_database::create(path("b.db").c_str(), 0644, 0, 0);
  expect_error<dv_err_database_in_use>([&] { db->save_as(path("b.db").c_str(), 0644, 1); },
                                       "dv_err_database_in_use - The database " + path("b.db") +
                                           " exists, and is already in use.");
  write_file(path("c.db"), "x", 1);
  expect_error<dv_err_database_exists>([&] { db->save_as(path("c.db").c_str(), 0644, 0); },
                                       "dv_err_database_exists - The database " + path("c.db") +
                                           " exists, and overwrite option is not specified.");
  other->close();
  db->close();
  dv_database* ro = dv_database::open(path("a.db").c_str(), 1, 0, 0);
  expect_error<dv_err_write_permission_denied>([&] { ro->save_as(path("d.db").c_str(), 0644, 0); },
                                               "dv_err_write_permission_denied - Attempt to save_as(" + path("d.db") +
                                                   ") a readonly database (" + path("a.db") + ").");
  ro->close();
}

// A save turns the written pages read-only in runs of adjacent pages: every
// one of them, inside a run or at either end, faults again at its next
// write and is logged again.
TEST_F(DatabaseSave, EveryPageASaveWroteIsLoggedAgainAtItsNextWrite) {
  const unsigned n = 24;
  dv_database* db = make("again.db", n);
  for (unsigned i = 0; i < n; ++i) data_.fill(db, i, 2);
  db->save();
  EXPECT_EQ(write_locked(db), 0);
  for (unsigned i = 0; i < n; ++i) data_.fill(db, i, 3);
  std::vector<unsigned> logged;
  for (const log_entry& e : log_entries(path("again.db")))
    if (e.kind == log_page_image) logged.push_back(e.value);
  for (unsigned i = 0; i < n; ++i)
    EXPECT_EQ(std::count(logged.begin(), logged.end(), data_.offset(i) / kPage * kPage), 1) << "slot " << i;
  db->save();
  db->close();
}

void fail_write(unsigned, int) { throw dv_err_cant_write_to_file("Failed to write %d bytes to file.", 56); }

// Pages grown together are logged with one write before any of them is
// handed out: when that write fails, none of them joins the image, and the
// same allocation succeeds once writes do.
TEST_F(DatabaseSave, AFailedGrowthLogWriteLeavesTheImageAsItWas) {
  dv_database* db = make("g.db", 3);
  auto new_chars = [&](unsigned n) { return ::operator new(n, db, dv_typespec::get_char(), n); };
  new_chars(3 * kPage);  // page 0 and the allocator's pages are logged now
  const unsigned size = db->size();
  const int locked = write_locked(db);
  record_file_events();
  _VRN_set_file_event_hook(fail_write, _VRN_file_event_count() + 1);
  EXPECT_THROW(new_chars(5 * kPage), dv_err_cant_write_to_file);
  _VRN_reset_file_event_hook();
  EXPECT_EQ(db->size(), size);
  EXPECT_EQ(write_locked(db), locked);
  db->self_check();
  EXPECT_NE(new_chars(5 * kPage), nullptr);
  EXPECT_EQ(db->size(), size + 6 * kPage);
  db->self_check();
  db->close();
}

// Growth past the reserved range widens it; every page, old and new, is
// written and read back, and each growth is logged with the size before it.
TEST_F(DatabaseSave, GrowthBeyondTheReservedRange) {
  dv_database* db = dv_database::create(path("grow.db").c_str(), 0644, 0, 1);
  const unsigned n = 2 * kMiB / kPage;
  slots data(db, n, 3);
  EXPECT_GT(db->size(), 2 * kMiB);
  EXPECT_GE(db->as_size(), db->size());
  std::vector<log_entry> log = log_entries(path("grow.db"));
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log.front().kind, log_db_grew);
  EXPECT_EQ(log.front().value, kPage) << "the first growth notes the size before it";
  // Pages grown together are logged one entry a page, in order.
  unsigned grown = 0;
  for (const log_entry& e : log) {
    if (e.kind == log_db_grew) {
      EXPECT_EQ(e.value, (1 + grown) * kPage) << "growth entry " << grown;
      ++grown;
    }
  }
  EXPECT_EQ(grown * kPage, db->size() - kPage) << "one growth entry for every page after page 0";
  db->save();
  db->self_check();
  const unsigned size = db->size();
  db->close();
  dv_database* again = dv_database::open(path("grow.db").c_str(), 1, 0, 0);
  EXPECT_EQ(again->size(), size);
  for (unsigned i = 0; i < n; i += 37) EXPECT_TRUE(data.holds(again, i, 3)) << i;
  EXPECT_TRUE(data.holds(again, n - 1, 3));
  again->close();
}

}  // namespace
