// Guards soft pointers: null, resolving, comparisons (unsigned order, across
// widths) and dv_coll_ptr; and that soft pointers stored in a database hold
// their targets after the database is reopened at another address.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdlib>
#include <string>

#include "coll_db_test.h"
#include "dv_new.h"
#include "dv_soft_pointer.h"
#include "dv_test_process.h"
#include "durnavel.h"

using namespace dv_qem;

namespace {

void* at(std::uintptr_t address) { return reinterpret_cast<void*>(address); }

}  // namespace

TEST(SoftPointer, NullAndResolve) {
  dv_soft_pointer32<void> p32;
  dv_soft_pointer64<void> p64;
  dv_coll_ptr slot;
  dv_coll_soft_pointer32_void c32;
  EXPECT_EQ(p32.resolve(), nullptr);
  EXPECT_EQ(p64.resolve(), nullptr);
  EXPECT_EQ(slot.resolve(), nullptr);
  EXPECT_EQ(c32.resolve(), nullptr);
  EXPECT_EQ(!p32, 1);
  EXPECT_EQ(!slot, 1);
  int target = 0;
  p32 = &target;
  slot = &target;
  c32 = &target;
  EXPECT_EQ(p32.resolve(), &target);
  EXPECT_EQ(static_cast<void*>(p32), &target);
  EXPECT_EQ(static_cast<void*>(slot), &target);
  EXPECT_EQ(static_cast<void*>(c32), &target);
  EXPECT_EQ(!p32, 0);
  p64 = p32;  // across widths: the word
  EXPECT_EQ(p64.resolve(), &target);
}

TEST(SoftPointer, ComparisonsOrderTheWordsUnsigned) {
  struct Row {
    std::uintptr_t a, b;
    int eq, lt, gt;
  } rows[] = {
      {0x1000, 0x1000, 1, 0, 0},
      {0x1000, 0x2000, 0, 1, 0},
      {0x90000000, 0x10000000, 0, 0, 1},  // the upper half orders above the lower
      {0, 0x10, 0, 1, 0},
  };
  for (const Row& r : rows) {
    dv_soft_pointer32<void> a32(at(r.a));
    dv_soft_pointer64<void> b64(at(r.b));
    dv_soft_pointer32<void> b32(at(r.b));
    SCOPED_TRACE(testing::Message() << std::hex << r.a << " vs " << r.b);
    EXPECT_EQ(a32 == b64, r.eq);
    EXPECT_EQ(a32 != b64, 1 - r.eq);
    EXPECT_EQ(a32 < b64, r.lt);
    EXPECT_EQ(a32 > b64, r.gt);
    EXPECT_EQ(a32 <= b64, 1 - r.gt);
    EXPECT_EQ(a32 >= b64, 1 - r.lt);
    EXPECT_EQ(a32 == at(r.b), r.eq);
    EXPECT_EQ(a32 < b32, r.lt);
    dv_coll_ptr ca(at(r.a)), cb(at(r.b));
    EXPECT_EQ(ca == cb, r.eq);
    EXPECT_EQ(ca < cb, r.lt);
    EXPECT_EQ(ca > cb, r.gt);
    EXPECT_EQ(ca <= cb, 1 - r.gt);
    EXPECT_EQ(ca >= cb, 1 - r.lt);
    EXPECT_EQ(ca == at(r.b), r.eq);
    dv_coll_soft_pointer64_void sa(at(r.a)), sb(at(r.b));
    EXPECT_EQ(sa == sb, r.eq);
    EXPECT_EQ(sa < sb, r.lt);
    EXPECT_EQ(sa >= sb, 1 - r.lt);
  }
}

namespace {

struct Target {
  int value;
};

// A stored record of soft pointers to one target.
struct Holder {
  dv_soft_pointer32<void> p32;
  dv_soft_pointer64<void> p64;
  dv_coll_ptr slot;
  dv_coll_ptr empty;
};

}  // namespace

DV_DEFINE_TYPESPEC(Target, "SoftPointerTest::Target", DV_NO_POINTERS, DV_NO_VTABLES);
DV_DEFINE_TYPESPEC(Holder, "SoftPointerTest::Holder",
                   DV_POINTERS(offsetof(Holder, p32), offsetof(Holder, p64), offsetof(Holder, slot),
                               offsetof(Holder, empty)),
                   DV_NO_VTABLES);

namespace {

class SoftPointerDb : public dv_test::coll_db_test {};
class SoftPointerDbChild : public dv_test::coll_child_test {};

std::string file() { return std::getenv("DV_TEST_FILE"); }

TEST_F(SoftPointerDb, StoredSoftPointersSurviveAReopenElsewhere) {
  std::string db = path("soft.db");
  ASSERT_EQ(dv_test::run_child("SoftPointerDbChild.Create", {{"DV_TEST_FILE", db}, {"DV_QEM_AS_START", "0x20000000"}}),
            0);
  EXPECT_EQ(dv_test::run_child("SoftPointerDbChild.Check", {{"DV_TEST_FILE", db}, {"DV_QEM_AS_START", "0x28000000"}}),
            0);
}

TEST_F(SoftPointerDbChild, Create) {
  dv_database* db = dv_database::create(file().c_str(), 0644, 0, 0);
  Target* target = new (db, &dv_ts<Target>::the_instance) Target{4242};
  Holder* holder = new (dv_cluster::with(target), &dv_ts<Holder>::the_instance) Holder;
  holder->p32 = target;
  holder->p64 = target;
  holder->slot = target;
  db->create_root("holder")->set_value(holder, &dv_ts<Holder>::the_instance);
  db->save();
  db->close();
}

TEST_F(SoftPointerDbChild, Check) {
  dv_database* db = dv_database::open(file().c_str(), 1, 0, 0);
  EXPECT_EQ(db->as_start(), reinterpret_cast<void*>(0x28000000));
  auto* holder = static_cast<Holder*>(db->find_root("holder")->get_value(&dv_ts<Holder>::the_instance));
  auto* target = static_cast<Target*>(holder->p32.resolve());
  ASSERT_EQ(dv_database::of(target), db);
  EXPECT_EQ(target->value, 4242);
  EXPECT_EQ(holder->p64.resolve(), target);
  EXPECT_EQ(holder->slot.resolve(), target);
  EXPECT_EQ(holder->p32 == holder->p64, 1);
  EXPECT_EQ(!holder->empty, 1);
  db->close();
}

}  // namespace
