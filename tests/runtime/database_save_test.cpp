// Guards writing databases: save writes exactly the modified pages behind a
// dirty header and makes them durable before the header is marked clean
// again; a save cut short leaves the file marked as needing recovery; copy
// writes the current contents (saved or not) as a whole number of pages and
// never reads memory it cannot access; save_as continues on the new file.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "db_super.h"
#include "db_test_support.h"
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
  void SetUp() override { counting_log::install(); }
  void TearDown() override {
    _VRN_reset_file_event_hook();
    counting_log::uninstall();
  }

  // A saved database of n_pages, page i > 0 filled with seed 1.
  dv_database* make(const std::string& name, unsigned n_pages) {
    dv_database* db = dv_database::create(path(name).c_str(), 0644, 1, 0);
    grow_raw_pages(db, n_pages - 1);
    for (unsigned i = 1; i < n_pages; ++i) fill_page(db, i, 1);
    db->save();
    return db;
  }

  void record_file_events() {
    events.clear();
    _VRN_reset_file_event_hook();
    _VRN_set_file_event_hook(record_event, 0);
  }

  // Page i of the file at name holds its pattern of seed.
  bool file_page_holds(const std::string& name, unsigned i, unsigned seed) {
    std::vector<char> bytes = read_file(path(name));
    return bytes.size() >= (i + 1) * kPage && page_holds(bytes.data(), i, seed);
  }
};

TEST_F(DatabaseSave, SaveWritesTheModifiedPagesAndReadLocksThem) {
  dv_database* db = make("s.db", 4);
  fill_page(db, 2, 2);
  unsigned none, read, write;
  db->get_page_stats(none, read, write);
  EXPECT_EQ(write, 1u);
  EXPECT_TRUE(db->is_modified());
  db->save();
  db->get_page_stats(none, read, write);
  EXPECT_EQ(write, 0u);
  EXPECT_EQ(read, 4u);
  EXPECT_FALSE(db->is_modified());
  EXPECT_TRUE(file_page_holds("s.db", 1, 1));
  EXPECT_TRUE(file_page_holds("s.db", 2, 2));
  EXPECT_TRUE(file_page_holds("s.db", 3, 1));
  _DB_header_super s = stored_super(path("s.db"));
  EXPECT_EQ(s.recovery_word, 0u);
  EXPECT_EQ(s.timestamp, 0u);
  EXPECT_EQ(s.db_size, 4 * kPage);
  db->close();
}

TEST_F(DatabaseSave, SaveWithNothingModifiedWritesNothing) {
  dv_database* db = make("idle.db", 3);
  std::vector<char> before = read_file(path("idle.db"));
  int begun = counting_log::writes_begun;
  record_file_events();
  db->save();
  EXPECT_EQ(events, "");
  EXPECT_EQ(read_file(path("idle.db")), before);
  EXPECT_EQ(counting_log::writes_begun, begun);
  db->close();
}

// The dirty header is durable before any page is written, and every page is
// durable before the clean header is written.
TEST_F(DatabaseSave, SaveMakesThePagesDurableBeforeTheCleanHeader) {
  dv_database* db = make("order.db", 4);
  fill_page(db, 1, 5);
  fill_page(db, 3, 5);
  record_file_events();
  db->save();
  //        dirty page 0   pages 1, 3   clean page 0
  EXPECT_EQ(events, std::string("WF") + "WWF" + "WF");
  EXPECT_EQ(counting_log::writes_begun, 2);
  EXPECT_EQ(counting_log::writes_ended, 2);
  db->close();
}

// A save cut short between the pages and the clean mark leaves the file and
// the open handle marked with the write's stamp.
TEST_F(DatabaseSave, SaveCutShortLeavesTheFileNeedingRecovery) {
  dv_database* db = make("cut.db", 3);
  fill_page(db, 2, 9);
  _VRN_let_it_die(internal(db), _DVDB_DIE_IN_SAVE);
  expect_error_starting<dv_err_internal>(
      [&] { db->save(); }, "dv_err_internal - Assertion \"!(_kill_flags & _DVDB_DIE_IN_SAVE)\" failed at line ");
  _DB_header_super s = stored_super(path("cut.db"));
  EXPECT_EQ(s.recovery_word, 1u);
  EXPECT_EQ(s.timestamp, counting_log::last_stamp);
  EXPECT_NE(s.timestamp, 0u);
  EXPECT_TRUE(file_page_holds("cut.db", 2, 9)) << "the pages were written";
  expect_error<dv_err_database_needs_recovery>(
      [&] { db->save(); },
      "dv_err_database_needs_recovery - Trying to access a database which needs recovery (" + path("cut.db") + ").");
  EXPECT_EQ(db->needs_recovery(), 1);
  db->close();
  EXPECT_EQ(dv_database::needs_recovery(path("cut.db").c_str()), 1);
}

TEST_F(DatabaseSave, SaveOfAReadOnlyDatabase) {
  dv_database* db = make("ro.db", 2);
  db->close();
  dv_database* ro = dv_database::open(path("ro.db").c_str(), 1, 0, 0);
  expect_error<dv_err_write_permission_denied>(
      [&] { ro->save(); },
      "dv_err_write_permission_denied - Attempt to save a readonly database (" + path("ro.db") + ").\n");
  ro->close();
}

TEST_F(DatabaseSave, CopyWritesTheCurrentContentsAsWholePages) {
  dv_database* db = make("src.db", 3);
  fill_page(db, 1, 4);        // modified, not saved
  grow_raw_pages(db, 1);      // grown, not saved
  fill_page(db, 3, 4);
  std::vector<char> source_before = read_file(path("src.db"));
  db->copy(path("copy.db").c_str(), 0644, 0);

  EXPECT_EQ(read_file(path("src.db")), source_before) << "the source file is left alone";
  EXPECT_TRUE(db->is_modified()) << "the source keeps its changes unsaved";
  EXPECT_EQ(file_size(path("copy.db")), static_cast<long>(4 * kPage)) << "a whole number of pages";
  _DB_header_super s = stored_super(path("copy.db"));
  EXPECT_EQ(s.recovery_word, 0u);
  EXPECT_EQ(s.db_size, 4 * kPage);
  EXPECT_TRUE(file_page_holds("copy.db", 1, 4));
  EXPECT_TRUE(file_page_holds("copy.db", 2, 1));
  EXPECT_TRUE(file_page_holds("copy.db", 3, 4));
  db->close();

  dv_database* copy = dv_database::open(path("copy.db").c_str(), 1, 0, 0);
  EXPECT_TRUE(page_holds(internal(copy)->as_start, 1, 4));
  EXPECT_TRUE(page_holds(internal(copy)->as_start, 3, 4));
  copy->close();
}

TEST_F(DatabaseSave, CopyOfAOnePageDatabaseIsOnePage) {
  dv_database* db = dv_database::create(path("one.db").c_str(), 0644, 0, 0);
  db->copy(path("one-copy.db").c_str(), 0644, 0);
  EXPECT_EQ(file_size(path("one-copy.db")), static_cast<long>(kPage));
  db->close();
  dv_database* copy = dv_database::open(path("one-copy.db").c_str(), 0, 0, 0);
  copy->self_check();
  copy->close();
}

// Pages that are not in memory, and pages left without access (as after an
// abort), are taken from the source file.
TEST_F(DatabaseSave, CopyReadsPagesWithoutAccessFromTheFile) {
  dv_database* db = make("src.db", 4);
  db->return_all_pages();                      // page 2 and 3 not in memory
  fill_page(db, 1, 6);                         // modified in memory ...
  _Page* page1 = internal(db)->find_page(internal(db)->as_start + kPage);
  ASSERT_NE(page1, nullptr);
  page1->downgrade();                          // ... then left without access
  db->copy(path("copy.db").c_str(), 0644, 0);
  EXPECT_TRUE(file_page_holds("copy.db", 1, 1)) << "the file's page, not the inaccessible memory";
  EXPECT_TRUE(file_page_holds("copy.db", 2, 1));
  EXPECT_TRUE(file_page_holds("copy.db", 3, 1));
  db->close();
}

TEST_F(DatabaseSave, CopyRefusals) {
  dv_database* db = make("src.db", 2);
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
  EXPECT_EQ(file_size(path("taken.db")), static_cast<long>(2 * kPage));
  other->close();
  db->close();
}

// A copy cut short before its final page 0 leaves a target that says it
// needs recovery; the source goes on.
TEST_F(DatabaseSave, CopyCutShortLeavesATargetNeedingRecovery) {
  dv_database* db = make("src.db", 3);
  _VRN_let_it_die(internal(db), _DVDB_DIE_IN_COPY);
  EXPECT_THROW(db->copy(path("half.db").c_str(), 0644, 0), dv_err_internal);
  EXPECT_EQ(dv_database::needs_recovery(path("half.db").c_str()), 1);
  _VRN_let_it_die(internal(db), 0);
  db->self_check();
  db->close();
}

TEST_F(DatabaseSave, SaveAsOntoItsOwnPathIsSave) {
  dv_database* db = make("self.db", 2);
  fill_page(db, 1, 3);
  db->save_as(path("self.db").c_str(), 0644, 0);
  EXPECT_FALSE(db->is_modified());
  EXPECT_TRUE(file_page_holds("self.db", 1, 3));
  fill_page(db, 1, 4);
  db->save_as(nullptr, 0644, 0);
  EXPECT_TRUE(file_page_holds("self.db", 1, 4));
  db->close();
}

TEST_F(DatabaseSave, SaveAsContinuesOnTheNewFile) {
  dv_database* db = make("old.db", 3);
  std::vector<char> old_before = read_file(path("old.db"));
  fill_page(db, 2, 7);
  int logs_closed = counting_log::closed;
  db->save_as(path("new.db").c_str(), 0644, 0);
  EXPECT_EQ(counting_log::closed, logs_closed + 1) << "the old log is closed, a new one made";
  EXPECT_EQ(read_file(path("old.db")), old_before);
  EXPECT_TRUE(file_page_holds("new.db", 2, 7));
  EXPECT_FALSE(db->is_modified());
  char* name = db->get_pathname();
  EXPECT_EQ(std::string(name), path("new.db"));
  std::free(name);

  // The database goes on in the new file; the old one is free again.
  fill_page(db, 1, 8);
  db->save();
  EXPECT_TRUE(file_page_holds("new.db", 1, 8));
  dv_database* old = dv_database::open(path("old.db").c_str(), 0, 0, 0);
  EXPECT_TRUE(page_holds(internal(old)->as_start, 1, 1));
  EXPECT_TRUE(page_holds(internal(old)->as_start, 2, 1));
  old->close();
  db->close();
  EXPECT_EQ(stored_super(path("new.db")).recovery_word, 0u);
}

TEST_F(DatabaseSave, SaveAsRefusals) {
  dv_database* db = make("a.db", 2);
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

// Growth past the reserved range widens it; every page, old and new, is
// written and read back.
TEST_F(DatabaseSave, GrowthBeyondTheReservedRange) {
  dv_database* db = dv_database::create(path("grow.db").c_str(), 0644, 0, 1);
  const unsigned pages = 2 * kMiB / kPage;
  grow_raw_pages(db, pages - 1);
  EXPECT_GE(db->as_size(), 2 * kMiB);
  for (unsigned i = 1; i < pages; i += 37) fill_page(db, i, 3);
  EXPECT_EQ(counting_log::pages_grown, static_cast<int>(pages - 1));
  db->save();
  db->self_check();
  db->close();
  dv_database* again = dv_database::open(path("grow.db").c_str(), 1, 0, 0);
  EXPECT_EQ(again->size(), 2 * kMiB);
  for (unsigned i = 1; i < pages; i += 37) EXPECT_TRUE(page_holds(internal(again)->as_start, i, 3)) << i;
  again->close();
}

}  // namespace
