// Guards deleting persistent objects where the database refuses the change
// (no transaction, a read-only transaction): delete never ends the process;
// the object stays whole and allocated, the refusal is shown with the
// runtime's error report, durnavel::free_memory raises it to its caller, and
// the same object is deleted once an update transaction runs.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>

#include "db_test_support.h"
#include "dv_database.h"
#include "dv_new.h"
#include "dv_transaction.h"
#include "durnavel.h"

using namespace dv_qem;
using namespace dv_test;

namespace {

struct Plain {
  int a;
  int b;
  Plain* next;
};

}  // namespace

DV_DEFINE_TYPESPEC(Plain, "PersistentDeletePlain", DV_POINTERS(offsetof(Plain, next)), DV_NO_VTABLES);

namespace {

class PersistentDelete : public db_test {
 protected:
  void SetUp() override { dv_transaction::initialize(); }
  void TearDown() override {
    while (dv_transaction::get_current() != nullptr) dv_transaction::abort();
  }
};

// A kind of persistent object: how it is made (with the value 41 in its
// first int), and how the program deletes it.
struct kind {
  const char* name;
  std::function<void*(dv_database*)> make;
  std::function<void(void*)> destroy;
};

const kind kKinds[] = {
    {"an int", [](dv_database* db) -> void* { return new (db, dv_typespec::get_int()) int(41); },
     [](void* p) { delete static_cast<int*>(p); }},
    {"a class with a pointer",
     [](dv_database* db) -> void* {
       auto* p = new (db, &dv_ts<Plain>::the_instance) Plain();
       p->a = 41;
       p->next = p;
       return p;
     },
     [](void* p) { delete static_cast<Plain*>(p); }},
    {"a large character array",
     [](dv_database* db) -> void* {
       auto* text = static_cast<int*>(::operator new(9000, db, dv_typespec::get_char(), 9000));
       *text = 41;
       return text;
     },
     [](void* p) { ::operator delete(p); }},
};

TEST_F(PersistentDelete, ARefusedDeleteLeavesTheObjectAndTheProcess) {
  for (const kind& k : kKinds) {
    SCOPED_TRACE(k.name);
    const std::string file = path(std::string("delete-") + std::to_string(&k - kKinds) + ".db");
    dv_database* db = dv_database::create(file.c_str(), 0644, 0, 0);
    dv_transaction::begin(dv_transaction::update);
    void* object = k.make(db);
    dv_transaction::commit();

    // Outside a transaction, then in a read-only one.
    for (bool read_only : {false, true}) {
      if (read_only) dv_transaction::begin(dv_transaction::read_only);
      testing::internal::CaptureStderr();
      k.destroy(object);
      const std::string shown = testing::internal::GetCapturedStderr();
      EXPECT_NE(shown.find("Durnavel unhandled exception"), std::string::npos) << shown;
      EXPECT_NE(shown.find(read_only ? "dv_err_trans_wrong_type" : "dv_err_trans"), std::string::npos) << shown;
      if (read_only) {
        EXPECT_THROW(durnavel::free_memory(object), dv_err_trans_wrong_type);
        dv_transaction::commit();
      } else {
        EXPECT_THROW(durnavel::free_memory(object), dv_err_trans);
      }
    }

    dv_transaction::begin(dv_transaction::read_only);
    EXPECT_EQ(*static_cast<int*>(object), 41) << "the object is whole";
    db->self_check();
    dv_transaction::commit();

    // Still allocated: an update transaction deletes it, once.
    dv_transaction::begin(dv_transaction::update);
    testing::internal::CaptureStderr();
    k.destroy(object);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    db->self_check();
    dv_transaction::commit();
    db->close();
  }
}

}  // namespace
