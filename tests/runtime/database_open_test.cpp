// Guards creating, opening, closing, destroying and looking up databases:
// the file a new database leaves, the address ranges given by the as_size
// and as_factor rules, placement at the stored start or elsewhere, the path
// and usability checks with their exact messages, closed handles refused
// without being used, and unsaved changes lost at close.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "db_super.h"
#include "db_test_support.h"
#include "dv_database.h"
#include "dvdb.h"
#include "runtime_state.h"

using namespace dv_qem;
using namespace dv_test;

namespace {

class DatabaseOpen : public db_test {};

TEST_F(DatabaseOpen, CreateLeavesOnePageWithAValidHeader) {
  std::string file = path("new.db");
  dv_database* db = dv_database::create(file.c_str(), 0644, 0, 0);
  DVDB* d = internal(db);
  EXPECT_EQ(d->space_start(), _DV_int::get_region_start()) << "the first database takes the region start";
  EXPECT_EQ(db->as_size(), 8 * kMiB);
  EXPECT_EQ(db->size(), kPage);
  EXPECT_TRUE(dv_database::is_open(db));
  EXPECT_TRUE(db->is_writable());
  EXPECT_FALSE(db->is_open_readonly());
  EXPECT_FALSE(db->is_modified());
  EXPECT_EQ(file_size(file), static_cast<long>(kPage));

  _DB_header_super s = stored_super(file);
  EXPECT_EQ(_DB_validate_super(s), super_valid);
  EXPECT_STREQ(s.magic, DB_MAGIC);
  EXPECT_EQ(s.recovery_word, 0u);
  EXPECT_EQ(s.timestamp, 0u);
  EXPECT_EQ(s.as_start, word(d->space_start()));
  EXPECT_EQ(s.db_size, kPage);
  EXPECT_EQ(s.page_size, kPage);
  EXPECT_EQ(s.major_version, 1);
  EXPECT_EQ(s.minor_version, 2);

  unsigned none, read, write;
  db->get_page_stats(none, read, write);
  EXPECT_EQ(none + read + write, 1u);
  EXPECT_EQ(read, 1u) << "page 0 is read-locked after creation";
  char* name = db->get_pathname();
  EXPECT_EQ(std::string(name), file);
  std::free(name);
  db->self_check();
  db->close();
  EXPECT_FALSE(dv_database::is_open(db));
}

TEST_F(DatabaseOpen, AddressRangeRules) {
  struct row {
    unsigned as_size_mb;
    unsigned expected;
  } rows[] = {{0, 8 * kMiB}, {1, kMiB}, {2, 2 * kMiB}, {12, 12 * kMiB}};
  for (const row& r : rows) {
    std::string file = path("range.db");
    dv_database* db = dv_database::create(file.c_str(), 0644, 1, r.as_size_mb);
    EXPECT_EQ(db->as_size(), r.expected) << r.as_size_mb;
    db->destroy();
  }
}

TEST_F(DatabaseOpen, SecondDatabaseFollowsTheFirst) {
  dv_database* a = dv_database::create(path("a.db").c_str(), 0644, 0, 0);
  dv_database* b = dv_database::create(path("b.db").c_str(), 0644, 0, 0);
  EXPECT_EQ(internal(b)->space_start(), internal(a)->space_start() + 8 * kMiB);
  EXPECT_EQ(dv_database::of(internal(b)->space_start() + 5), b);
  EXPECT_EQ(dv_database::of(internal(a)->space_start() + 8 * kMiB - 1), a);
  a->close();
  b->close();
}

TEST_F(DatabaseOpen, OpenOfAMissingFile) {
  std::string file = path("missing.db");
  expect_error<dv_err_database_not_found>([&] { dv_database::open(file.c_str(), 0, 0, 0); },
                                          "dv_err_database_not_found - Database " + file + " could not be found.");
  expect_error<dv_err_write_permission_denied>(
      [&] { dv_database::open(file.c_str(), 1, 0644, 0); },
      "dv_err_write_permission_denied - A database can not be created read-only (" + file + ")");
  EXPECT_EQ(file_size(file), -1);

  dv_database* db = dv_database::open(file.c_str(), 0, 0644, 5);
  EXPECT_EQ(db->as_size(), 8 * kMiB) << "a database created by open gets 8 MiB whatever the factor";
  EXPECT_EQ(file_size(file), static_cast<long>(kPage));
  db->close();
}

// The range rule over image sizes, on images whose size is only claimed by
// their header (the file is extended without writing it). A 10 MiB image:
// read-only it gets exactly its size; read-write with factor 0 the rule
// 2 x (size rounded down to 4 MiB) + 8 MiB; with factor 3, 3 x size.
TEST_F(DatabaseOpen, RangeRuleOverImageSizes) {
  std::string file = path("rule.db");
  dv_database::create(file.c_str(), 0644, 0, 0)->close();
  std::vector<char> page0 = read_file(file);
  page0.resize(kPage);
  struct row {
    unsigned pages;
    int read_only;
    unsigned factor;
    unsigned expected;
  } rows[] = {
      {2560, 1, 0, 10 * kMiB},             // read-only: the size
      {2560, 1, 3, 10 * kMiB},
      {2560, 0, 0, 24 * kMiB},             // 4 MiB to 64 MiB: 2 x (size down to 4 MiB) + 8 MiB
      {2560, 0, 3, 30 * kMiB},             // a factor: factor x size
      {2560, 0, 1, 10 * kMiB},
      {1, 0, 0, 8 * kMiB},                 // below 4 MiB: 8 MiB
      {1023, 0, 0, 8 * kMiB},
      {1024, 0, 0, 16 * kMiB},
      {16383, 0, 0, 2 * 60 * kMiB + 8 * kMiB},
      {16384, 0, 0, 64 * kMiB + 8 * kMiB},  // from 64 MiB: size + 8 MiB
      {16384, 1, 0, 64 * kMiB},
  };
  for (const row& r : rows) {
    reinterpret_cast<_DB_header_super*>(page0.data())->db_size = r.pages * kPage;
    write_file(file, page0.data(), page0.size());
    ASSERT_EQ(::truncate(file.c_str(), static_cast<off_t>(r.pages) * kPage), 0);
    dv_database* db = dv_database::open(file.c_str(), r.read_only, 0, r.factor);
    EXPECT_EQ(db->as_size(), r.expected) << r.pages << " pages, read-only " << r.read_only << ", factor " << r.factor;
    EXPECT_EQ(db->is_open_readonly(), r.read_only);
    db->close();
  }
}

TEST_F(DatabaseOpen, ReopenedAtTheStoredStartWhenItIsFree) {
  std::string file = path("home.db");
  dv_database* other = dv_database::create(path("other.db").c_str(), 0644, 0, 0);
  dv_database* db = dv_database::create(file.c_str(), 0644, 0, 0);
  char* home = internal(db)->space_start();
  db->close();
  other->close();
  dv_database* again = dv_database::open(file.c_str(), 0, 0, 0);
  EXPECT_EQ(internal(again)->space_start(), home) << "the stored range is free: no relocation";
  again->close();
}

// A database opened elsewhere than its stored start is relocated: its
// stored pointers follow it.
TEST_F(DatabaseOpen, RelocatedWhenTheStoredRangeIsTaken) {
  std::string file = path("moved.db");
  dv_database* db = dv_database::create(file.c_str(), 0644, 0, 0);
  char* home = internal(db)->space_start();
  slots data(db, 1);
  auto** links = static_cast<char**>(::operator new(2 * sizeof(char*), db, dv_typespec::get_pointer(), 2));
  links[0] = data.object(db, 0);
  const unsigned links_offset = static_cast<unsigned>(reinterpret_cast<char*>(links) - home);
  db->save();
  db->close();

  dv_database* squatter = dv_database::create(path("squatter.db").c_str(), 0644, 0, 0);
  ASSERT_EQ(internal(squatter)->space_start(), home);
  dv_database* again = dv_database::open(file.c_str(), 0, 0, 0);
  DVDB* d = internal(again);
  EXPECT_NE(d->space_start(), home);
  EXPECT_EQ(d->super()->as_start, word(d->space_start())) << "the header names the new start";
  auto** moved = reinterpret_cast<char**>(d->space_start() + links_offset);
  EXPECT_EQ(moved[0], data.object(again, 0));
  EXPECT_EQ(moved[1], nullptr);
  EXPECT_TRUE(data.holds(again, 0, 1));
  again->self_check();
  again->close();
  EXPECT_EQ(stored_super(file).as_start, word(home)) << "the file keeps its start until page 0 is written";
  squatter->close();
}

TEST_F(DatabaseOpen, PathChecks) {
  expect_error<dv_err_invalid_pathname>([] { dv_database::create(nullptr, 0644, 0, 0); },
                                        "dv_err_invalid_pathname - The pathname is empty.");
  expect_error<dv_err_invalid_pathname>([] { dv_database::open(nullptr, 0, 0, 0); },
                                        "dv_err_invalid_pathname - The pathname is empty.");
  std::string long_path(600, 'x');
  expect_error<dv_err_invalid_pathname>([&] { dv_database::create(long_path.c_str(), 0644, 0, 0); },
                                        "dv_err_invalid_pathname - The pathname \"" + long_path + "\" is too long.");

  std::string file = path("used.db");
  dv_database* db = dv_database::create(file.c_str(), 0644, 0, 0);
  expect_error<dv_err_database_in_use>([&] { dv_database::open(file.c_str(), 0, 0, 0); },
                                       "dv_err_database_in_use - The database " + file +
                                           " exists, and is already in use.");
  // A relative path names the same file once made absolute.
  std::string cwd = dir_.path();
  ASSERT_EQ(::chdir(cwd.c_str()), 0);
  expect_error<dv_err_database_in_use>([&] { dv_database::open("./used.db", 0, 0, 0); },
                                       "dv_err_database_in_use - The database " + file +
                                           " exists, and is already in use.");
  expect_error<dv_err_database_in_use>([&] { dv_database::create(path("used.db").c_str(), 0644, 0, 0); },
                                       "dv_err_database_in_use - The database " + file +
                                           " exists, and is already in use.");
  db->close();
  expect_error<dv_err_database_exists>(
      [&] { dv_database::create(file.c_str(), 0644, 0, 0); },
      "dv_err_database_exists - The database " + file + " exists, and overwrite option is not specified.");
  dv_database* fresh = dv_database::create(file.c_str(), 0644, 1, 0);
  EXPECT_EQ(file_size(file), static_cast<long>(kPage));
  fresh->close();
}

TEST_F(DatabaseOpen, FileOpenErrors) {
  write_file(path("plain"), "x", 1);
  ASSERT_EQ(::mkdir(path("dir.db").c_str(), 0755), 0);
  const std::string missing = path("no/such/dir.db");
  const std::string under_file = path("plain/x.db");
  const std::string directory = path("dir.db");
  expect_error<dv_err_database_not_found>([&] { dv_database::create(missing.c_str(), 0644, 0, 0); },
                                          "dv_err_database_not_found - The database \"" + missing +
                                              "\" could not be found.");
  expect_error<dv_err_invalid_pathname>([&] { dv_database::create(under_file.c_str(), 0644, 0, 0); },
                                        "dv_err_invalid_pathname - The pathname \"" + under_file +
                                            "\" is invalid ((20) Not a directory).");
  expect_error<dv_err_file>([&] { dv_database::open(directory.c_str(), 0, 0, 0); },
                            "dv_err_file - Database open/create error: \"(21) Is a directory\"");
  EXPECT_EQ(_DV_int::get_first_DVDB(), nullptr) << "a failed create or open leaves no database behind";
  EXPECT_EQ(file_size(missing), -1);
}

TEST_F(DatabaseOpen, ClosedHandlesAreRefusedWithoutBeingUsed) {
  dv_database* db = dv_database::create(path("closed.db").c_str(), 0644, 0, 0);
  db->close();
  std::string text = format(
      "dv_err_database_is_deleted - Trying to access a database which is not no longer valid. It might have "
      "been closed (0x%x).",
      word(db));
  expect_error<dv_err_database_is_deleted>([&] { db->close(); }, text);
  expect_error<dv_err_database_is_deleted>([&] { db->save(); }, text);
  expect_error<dv_err_database_is_deleted>([&] { db->size(); }, text);
  expect_error<dv_err_database_is_deleted>([&] { db->get_pathname(); }, text);
  expect_error<dv_err_database_is_deleted>([&] { db->self_check(); }, text);
  expect_error<dv_err_database_is_deleted>([&] { db->copy(path("c.db").c_str(), 0644, 0); }, text);
  EXPECT_FALSE(dv_database::is_open(db));

  // A later database never reuses a closed handle.
  dv_database* next = dv_database::create(path("next.db").c_str(), 0644, 0, 0);
  EXPECT_NE(next, db);
  expect_error<dv_err_database_is_deleted>([&] { db->as_start(); }, text);
  next->close();
}

TEST_F(DatabaseOpen, ANeverOpenedObjectIsNotInUse) {
  DVDB stand_in("/nowhere/x.db", 0);
  expect_error<dv_err_database_not_open>([&] { stand_in.check_usable(); },
                                         "dv_err_database_not_open - Trying to access a database which is not in use "
                                         "(/nowhere/x.db).");
}

TEST_F(DatabaseOpen, DestroyDeletesTheFile) {
  std::string file = path("doomed.db");
  dv_database* db = dv_database::create(file.c_str(), 0644, 0, 0);
  db->destroy();
  EXPECT_EQ(file_size(file), -1);
  EXPECT_FALSE(dv_database::is_open(db));

  dv_database* saved = dv_database::create(file.c_str(), 0644, 0, 0);
  saved->close();
  dv_database* ro = dv_database::open(file.c_str(), 1, 0, 0);
  expect_error<dv_err_write_permission_denied>(
      [&] { ro->destroy(); }, "dv_err_write_permission_denied - Attempt to destroy a read-only database (" + file + ")");
  ro->close();
  EXPECT_EQ(file_size(file), static_cast<long>(kPage));
}

TEST_F(DatabaseOpen, LookupHandsBackTheClosedHandle) {
  std::string file = path("looked.db");
  expect_error<dv_err_database_not_found>([&] { dv_database::lookup(file.c_str(), 0); },
                                          "dv_err_database_not_found - Database " + file + " could not be found.");
  dv_database* db = dv_database::lookup(file.c_str(), 0644);
  ASSERT_NE(db, nullptr);
  EXPECT_FALSE(dv_database::is_open(db));
  EXPECT_THROW(db->size(), dv_err_database_is_deleted);
  EXPECT_EQ(file_size(file), static_cast<long>(kPage)) << "created by the lookup";
  EXPECT_EQ(_DV_int::get_first_DVDB(), nullptr);
  dv_database* found = dv_database::lookup(file.c_str(), 0);
  EXPECT_NE(found, nullptr);
}

TEST_F(DatabaseOpen, CloseWithoutSaveLosesChanges) {
  std::string file = path("lost.db");
  dv_database* db = dv_database::create(file.c_str(), 0644, 0, 0);
  slots data(db, 1, 1);
  db->save();
  const unsigned saved_size = db->size();
  data.fill(db, 0, 2);
  slots more(db, 2);
  EXPECT_GT(db->size(), saved_size);
  EXPECT_TRUE(db->is_modified());
  db->close();

  dv_database* again = dv_database::open(file.c_str(), 1, 0, 0);
  EXPECT_EQ(again->size(), saved_size);
  EXPECT_TRUE(data.holds(again, 0, 1));
  again->self_check();
  again->close();
}

TEST_F(DatabaseOpen, TransientDatabaseRefusesDatabaseOperations) {
  dv_database* t = dv_database::get_transient_database();
  const std::string text = "dv_err_database_transient - Illegal operation on transient database";
  expect_error<dv_err_database_transient>([&] { t->close(); }, text);
  expect_error<dv_err_database_transient>([&] { t->save(); }, text);
  expect_error<dv_err_database_transient>([&] { t->size(); }, text);
  expect_error<dv_err_database_transient>([&] { t->return_all_pages(); }, text);
  expect_error<dv_err_database_transient>([&] { dv_database::is_open(t); }, text);
  expect_error<dv_err_database_transient>([&] { t->save_as(path("t.db").c_str(), 0644, 0); }, text);
  EXPECT_EQ(dv_database::is_open(nullptr), 0);
}

}  // namespace
