// Guards pointer fields that hold values outside their database: small
// integers kept in void* slots of a pointer array, a transient address and a
// pointer into another database are carried unchanged when the page is read
// at another address (pointers into the database move with it), and the
// self-check passes them; a wild pointer (one into the database's own
// address range past the end of its image) fails the self-check with
// dv_err_illegal_pointer naming the pointer and its page.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "db_test_support.h"
#include "dv_database.h"
#include "dv_database_root.h"
#include "dv_new.h"
#include "dv_test_process.h"
#include "dvdb.h"

using namespace dv_qem;
using namespace dv_test;

namespace {

constexpr unsigned kSlots = 64;
constexpr std::uintptr_t kTransient = 0xC0001234u;  // outside every region the tests use

struct Mixed {
  void* small;     // a small integer
  void* transient;
  void* foreign;   // an object of another database
  Mixed* self;     // into this database: moves with it
  void** slots;    // the pointer array
};

}  // namespace

DV_DEFINE_TYPESPEC(Mixed, "ForeignPointersMixed",
                   DV_POINTERS(offsetof(Mixed, small), offsetof(Mixed, transient), offsetof(Mixed, foreign),
                               offsetof(Mixed, self), offsetof(Mixed, slots)),
                   DV_NO_VTABLES);

namespace {

std::string child_file() {
  const char* file = std::getenv("DV_TEST_FILE");
  return file != nullptr ? file : "";
}

void* as_pointer(std::uintptr_t v) { return reinterpret_cast<void*>(v); }

// Slot i of the array: a small integer for even i, the address of the
// Mixed object for odd i.
void* slot_value(unsigned i, Mixed* m) { return i % 2 == 0 ? as_pointer(i / 2 + 1) : static_cast<void*>(m); }

class ForeignPointers : public db_test {};

class ForeignPointersChild : public db_test {
 protected:
  void SetUp() override {
    if (!is_child()) GTEST_SKIP() << "runs in a child process";
  }
  // The values the database must hold, wherever it is mapped.
  void check(dv_database* db, std::uintptr_t foreign) {
    auto* m = static_cast<Mixed*>(db->find_root("mixed")->get_value(&dv_ts<Mixed>::the_instance));
    ASSERT_EQ(dv_database::of(m), db);
    EXPECT_EQ(m->small, as_pointer(7));
    EXPECT_EQ(m->transient, as_pointer(kTransient));
    EXPECT_EQ(m->foreign, as_pointer(foreign));
    EXPECT_EQ(m->self, m);
    ASSERT_EQ(dv_database::of(m->slots), db);
    for (unsigned i = 0; i < kSlots; ++i) EXPECT_EQ(m->slots[i], slot_value(i, m)) << "slot " << i;
  }
};

// One process writes at 0x20000000 (with a second database open beside it),
// a second opens the file at 0x24100000, checks, changes a slot and saves,
// and a third reads it back at a third address (pages written at either
// start).
TEST_F(ForeignPointers, ValuesOutsideTheDatabaseAreCarriedToAnotherAddress) {
  const env_list file = {{"DV_TEST_FILE", path("mixed.db")}, {"DV_TEST_OTHER", path("other.db")}};
  auto at = [&](const char* start) {
    env_list env = file;
    env.push_back({"DV_QEM_AS_START", start});
    return env;
  };
  ASSERT_EQ(run_child("ForeignPointersChild.Write", at("0x20000000")), 0);
  EXPECT_EQ(run_child("ForeignPointersChild.ReadElsewhereAndChange", at("0x24100000")), 0);
  EXPECT_EQ(run_child("ForeignPointersChild.ReadBack", at("0x28000000")), 0);
}

TEST_F(ForeignPointersChild, Write) {
  dv_database* db = dv_database::create(child_file().c_str(), 0644, 0, 0);
  ASSERT_EQ(internal(db)->space_start(), reinterpret_cast<char*>(0x20000000));
  dv_database* other = dv_database::create(std::getenv("DV_TEST_OTHER"), 0644, 0, 0);
  int* elsewhere = new (other, dv_typespec::get_int()) int(5);

  auto* m = new (db, &dv_ts<Mixed>::the_instance) Mixed();
  m->small = as_pointer(7);
  m->transient = as_pointer(kTransient);
  m->foreign = elsewhere;
  m->self = m;
  m->slots = static_cast<void**>(::operator new(kSlots * sizeof(void*), db, dv_typespec::get_pointer(), kSlots));
  for (unsigned i = 0; i < kSlots; ++i) m->slots[i] = slot_value(i, m);
  db->create_root("mixed")->set_value(m, &dv_ts<Mixed>::the_instance);
  db->create_root("foreign")->set_value(new (db, dv_typespec::get_unsigned_int()) unsigned(
                                            static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(elsewhere))),
                                        dv_typespec::get_unsigned_int());
  db->self_check();
  db->save();
  db->close();
  other->save();
  other->close();
}

std::uintptr_t foreign_of(dv_database* db) {
  return *static_cast<unsigned*>(db->find_root("foreign")->get_value(dv_typespec::get_unsigned_int()));
}

TEST_F(ForeignPointersChild, ReadElsewhereAndChange) {
  dv_database* db = dv_database::open(child_file().c_str(), 0, 0, 0);
  ASSERT_EQ(internal(db)->space_start(), reinterpret_cast<char*>(0x24100000)) << "the database is relocated";
  ASSERT_NO_FATAL_FAILURE(check(db, foreign_of(db)));
  db->self_check();
  // A write to the relocated page: it is saved with the new base.
  auto* m = static_cast<Mixed*>(db->find_root("mixed")->get_value(&dv_ts<Mixed>::the_instance));
  m->slots[0] = slot_value(0, m);
  m->small = as_pointer(7);
  db->save();
  db->close();
}

TEST_F(ForeignPointersChild, ReadBack) {
  dv_database* db = dv_database::open(child_file().c_str(), 1, 0, 0);
  ASSERT_EQ(internal(db)->space_start(), reinterpret_cast<char*>(0x28000000));
  ASSERT_NO_FATAL_FAILURE(check(db, foreign_of(db)));
  db->self_check();
  db->close();
}

// The self-check's verdict on a pointer field, by the value it holds.
TEST_F(ForeignPointers, TheSelfCheckFailsExactlyOnAWildPointer) {
  dv_database* db = dv_database::create(path("wild.db").c_str(), 0644, 0, 0);
  dv_database* other = dv_database::create(path("beside.db").c_str(), 0644, 0, 0);
  auto* m = new (db, &dv_ts<Mixed>::the_instance) Mixed();
  auto** lone = static_cast<void**>(::operator new(sizeof(void*), db, dv_typespec::get_pointer()));
  char* start = internal(db)->space_start();
  char* image_end = start + db->size();
  ASSERT_LT(db->size() + 64, internal(db)->reserved_size()) << "room past the image in the database's range";
  const unsigned page = static_cast<unsigned>((reinterpret_cast<char*>(m) - start) / DV_PAGE_SIZE);
  const unsigned lone_page = static_cast<unsigned>((reinterpret_cast<char*>(lone) - start) / DV_PAGE_SIZE);

  struct verdict {
    const char* what;
    void* value;
    bool wild;
  } cases[] = {
      {"null", nullptr, false},
      {"a small integer", as_pointer(3), false},
      {"a transient address", as_pointer(kTransient), false},
      {"an object of another database", new (other, dv_typespec::get_int()) int(1), false},
      {"an object of this database", m, false},
      {"the last byte of the image", image_end - 1, false},
      {"the end of the image", image_end, true},
      {"past the end of the image", image_end + 40, true},
  };
  for (const verdict& c : cases) {
    for (bool in_array : {false, true}) {
      void*& field = in_array ? *lone : m->foreign;
      field = c.value;
      char address[32];
      std::snprintf(address, sizeof address, "%#x", static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(c.value)));
      const std::string where = std::string(c.what) + (in_array ? " in a void* object" : " in a Mixed field");
      if (!c.wild) {
        EXPECT_NO_THROW(db->self_check()) << where;
      } else {
        try {
          db->self_check();
          ADD_FAILURE() << where << ": the self-check passed";
        } catch (const dv_err_illegal_pointer& e) {
          const std::string report = e.get_report();
          EXPECT_NE(report.find(std::string("wild pointer ") + address), std::string::npos) << report;
          EXPECT_NE(report.find("on page " + std::to_string(in_array ? lone_page : page)), std::string::npos)
              << report;
        }
      }
      field = nullptr;
    }
  }
  db->self_check();
  other->close();
  db->close();
}

}  // namespace
