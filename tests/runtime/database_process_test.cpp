// Guards databases shared between processes: a database open for writing in
// one process is refused to every other opener as locked, readers share,
// and an image written by one process is read by another process that maps
// it at another address.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "db_test_support.h"
#include "dv_database.h"
#include "dv_test_process.h"
#include "dv_database_root.h"
#include "dv_new.h"
#include "dvdb.h"

using namespace dv_qem;
using namespace dv_test;

namespace {

constexpr unsigned kPages = 24;

// Children learn the file from the environment.
std::string child_file() {
  const char* file = std::getenv("DV_TEST_FILE");
  return file != nullptr ? file : "";
}

class DatabaseProcess : public db_test {};

class DatabaseProcessChild : public db_test {
 protected:
  void SetUp() override {
    if (!is_child()) GTEST_SKIP() << "runs in a child process";
  }
};

TEST_F(DatabaseProcess, AWriterLocksOutEveryOtherOpener) {
  std::string file = path("locked.db");
  dv_database* db = dv_database::create(file.c_str(), 0644, 0, 0);
  EXPECT_EQ(run_child("DatabaseProcessChild.OpenIsRefusedAsLocked", {{"DV_TEST_FILE", file}, {"DV_TEST_RO", "0"}}), 0);
  EXPECT_EQ(run_child("DatabaseProcessChild.OpenIsRefusedAsLocked", {{"DV_TEST_FILE", file}, {"DV_TEST_RO", "1"}}), 0);
  db->close();

  dv_database* reader = dv_database::open(file.c_str(), 1, 0, 0);
  EXPECT_EQ(run_child("DatabaseProcessChild.ReadOnlyOpenIsShared", {{"DV_TEST_FILE", file}}), 0);
  EXPECT_EQ(run_child("DatabaseProcessChild.OpenIsRefusedAsLocked", {{"DV_TEST_FILE", file}, {"DV_TEST_RO", "0"}}), 0)
      << "a reader keeps writers out";
  reader->close();
}

TEST_F(DatabaseProcessChild, OpenIsRefusedAsLocked) {
  std::string file = child_file();
  int read_only = std::atoi(std::getenv("DV_TEST_RO"));
  expect_error<dv_err_database_is_locked>(
      [&] { dv_database::open(file.c_str(), read_only, 0, 0); },
      std::string("dv_err_database_is_locked - ") + (read_only ? "Read" : "Read/write") +
          "-access to the database \"" + file +
          "\" is denied ((11) Resource temporarily unavailable).");
  EXPECT_EQ(_DV_int::get_first_DVDB(), nullptr);
  EXPECT_EQ(file_size(file), static_cast<long>(kPage)) << "a refused open leaves the file alone";
}

TEST_F(DatabaseProcessChild, ReadOnlyOpenIsShared) {
  dv_database* db = dv_database::open(child_file().c_str(), 1, 0, 0);
  EXPECT_TRUE(db->is_open_readonly());
  db->close();
}

// Process A writes objects at 0x20000000: pages of data and a table of
// pointers to them under a root. Process B, whose region starts at
// 0x28000000, opens the database relocated and follows the root and the
// table to every object.
TEST_F(DatabaseProcess, ObjectsWrittenByOneProcessAreReadByAnother) {
  std::string file = path("shared.db");
  ASSERT_EQ(run_child("DatabaseProcessChild.WriteObjects", {{"DV_TEST_FILE", file}, {"DV_QEM_AS_START", "0x20000000"}}),
            0);
  EXPECT_EQ(stored_super(file).as_start, 0x20000000u);
  EXPECT_EQ(run_child("DatabaseProcessChild.ReadObjects", {{"DV_TEST_FILE", file}, {"DV_QEM_AS_START", "0x28000000"}}),
            0);
  EXPECT_EQ(run_child("DatabaseProcessChild.ReadObjects", {{"DV_TEST_FILE", file}, {"DV_QEM_AS_START", "0x20000000"}}),
            0);
}

TEST_F(DatabaseProcessChild, WriteObjects) {
  dv_database* db = dv_database::create(child_file().c_str(), 0644, 0, 0);
  ASSERT_EQ(internal(db)->space_start(), reinterpret_cast<char*>(0x20000000));
  slots data(db, kPages, 11);
  auto** table = static_cast<char**>(::operator new(kPages * sizeof(char*), db, dv_typespec::get_pointer(), kPages));
  for (unsigned i = 0; i < kPages; ++i) table[i] = data.object(db, i);
  db->create_root("table")->set_value(table, dv_typespec::get_pointer());
  db->save();
  db->close();
}

TEST_F(DatabaseProcessChild, ReadObjects) {
  dv_database* db = dv_database::open(child_file().c_str(), 1, 0, 0);
  char* start = internal(db)->space_start();
  EXPECT_EQ(start, _DV_int::get_region_start());
  dv_database_root* root = db->find_root("table");
  ASSERT_NE(root, nullptr);
  auto** table = static_cast<char**>(root->get_value(dv_typespec::get_pointer()));
  ASSERT_EQ(dv_database::of(table), db);
  for (unsigned i = 0; i < kPages; ++i) {
    ASSERT_EQ(dv_database::of(table[i]), db) << i;
    const unsigned* words = reinterpret_cast<const unsigned*>(table[i]);
    bool whole = true;
    for (unsigned w = 0; w < kSlotBytes / 4; ++w) whole = whole && words[w] == pattern_word(i, w, 11);
    EXPECT_TRUE(whole) << i;
  }
  db->self_check();
  db->close();
}

}  // namespace
