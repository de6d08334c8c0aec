// Guards destroying persistent collections while the runtime refuses to let
// them be written: for a set, a bag, a list and an array, each as a
// representation and behind a facade, with transactions in use and none in
// progress, and inside a read-only transaction, dv_collection::destroy raises
// the runtime's transaction error and a delete leaves the collection as it
// was; the process goes on (before the guard it ended in std::terminate).
// Inside an update transaction, and with transactions not in use, both
// destroy and free it. Each case runs in a child process of its own, which
// turns transactions on before it opens its database. Also guards that a
// collection whose constructor throws gives its storage back, from a plain
// and from a persistent new.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "coll_db_test.h"
#include "durnavel.h"
#include "dv_collection.h"
#include "dv_new.h"
#include "dv_outofline_collection.h"
#include "dv_test_process.h"
#include "dv_thrown_by.h"
#include "dv_transaction.h"
#include "vector_rep.h"

using namespace dv_qem;
using dv_test::thrown_by;

namespace {

constexpr unsigned kElements = 21;  // a list of this many spills into blocks

struct Kind {
  const char* name;   // the kind name of a facade
  unsigned behavior;  // the behaviour word that makes the kind
};

const Kind kKinds[] = {{"dv_Set", 0x0}, {"dv_Bag", 0x2}, {"dv_List", 0x12}, {"dv_Array", 0x18}};

struct Case {
  int kind;     // index into kKinds
  bool facade;  // behind a facade, else the representation itself
};

std::string case_name(const Case& c) {
  return std::string(kKinds[c.kind].name) + (c.facade ? "Facade" : "Representation");
}

void PrintTo(const Case& c, std::ostream* out) { *out << case_name(c); }

// A collection of the case's shape in db holding elements.
dv_collection* make(dv_database* db, const Case& c, const std::vector<void*>& elements) {
  const Kind& k = kKinds[c.kind];
  dv_collection* made = c.facade ? static_cast<dv_collection*>(
                                       dv_outofline_collection::generate_facade(k.name, db, 0, k.behavior))
                                 : &dv_collection::create(db, k.behavior, 0);
  for (void* e : elements) made->insert(e);
  return made;
}

std::vector<void*> elements_in(dv_database* db) {
  std::vector<void*> elements;
  for (unsigned i = 0; i < kElements; ++i) elements.push_back(new (db, dv_typespec::get_int()) int(static_cast<int>(i)));
  return elements;
}

// The objects a collection is stored in: itself and, behind a facade, its
// representation.
std::vector<void*> storage_of(dv_collection* c, const Case& shape) {
  std::vector<void*> objects{c};
  if (shape.facade) objects.push_back(static_cast<dv_outofline_collection*>(c)->get_outofline());
  return objects;
}

bool in_use(void* object) {
  unsigned count = 0, offset = 0;
  return dv_typespec::typespec_at(object, count, offset) != nullptr;
}

// The collection still holds exactly elements, and its storage is in use.
void expect_intact(dv_collection* c, const std::vector<void*>& storage, const std::vector<void*>& elements) {
  for (void* object : storage) EXPECT_TRUE(in_use(object)) << object;
  EXPECT_EQ(c->cardinality(), elements.size());
  for (void* e : elements) EXPECT_EQ(c->count(e), 1) << e;
  c->check_rep_invariants();
}

void expect_freed(const std::vector<void*>& storage) {
  for (void* object : storage) EXPECT_FALSE(in_use(object)) << object;
}

std::string refusal(const char* format, const void* address) {
  char text[256];
  std::snprintf(text, sizeof text, format, static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(address)));
  return text;
}

// A collection whose constructor fails once its storage is taken.
class failing_rep : public dv_test::vector_rep {
 public:
  static void* storage;
  failing_rep() : vector_rep(0) {
    storage = this;
    throw 1;
  }
};
void* failing_rep::storage = nullptr;

std::vector<void*>* freed_blocks = nullptr;

void record_and_free(void* block) {
  if (freed_blocks != nullptr) freed_blocks->push_back(block);
  std::free(block);
}

class DestroyGuard : public dv_test::coll_db_test, public ::testing::WithParamInterface<Case> {};

// Runs in a child: the test's case comes in DV_TEST_CASE ("kind facade").
class DestroyGuardChild : public dv_test::coll_db_test {
 protected:
  void SetUp() override {
    if (!dv_test::is_child()) GTEST_SKIP() << "runs in a child process";
    durnavel::initialize();
    const char* text = std::getenv("DV_TEST_CASE");
    int facade = 0;
    ASSERT_TRUE(text != nullptr && std::sscanf(text, "%d %d", &case_.kind, &facade) == 2);
    case_.facade = facade != 0;
  }
  Case case_{};
};

TEST_P(DestroyGuard, ARefusedWriteLeavesTheCollectionAndTheProcessRunning) {
  const Case& c = GetParam();
  const std::string value = std::to_string(c.kind) + " " + (c.facade ? "1" : "0");
  EXPECT_EQ(dv_test::run_child("DestroyGuardChild.RefusedThenDestroyedInAnUpdateTransaction",
                               {{"DV_TEST_CASE", value}, {"DV_TEST_FILE", path("guard.db")}}),
            0);
  EXPECT_EQ(dv_test::run_child("DestroyGuardChild.DestroyedWithoutTransactions",
                               {{"DV_TEST_CASE", value}, {"DV_TEST_FILE", path("plain.db")}}),
            0);
}

TEST(CollectionStorage, AConstructorThatThrowsGivesItsStorageBack) {
  durnavel::initialize();
  dv_database* transient = dv_database::get_transient_database();
  int neighbour = 0;
  const std::function<void()> news[] = {
      [] { (void)new failing_rep; },
      [&] { (void)new (transient, nullptr) failing_rep; },
      [&] { (void)new (static_cast<const void*>(&neighbour), nullptr) failing_rep; },
  };
  const durnavel::transient_delete_fn saved = durnavel::get_transient_delete_function();
  durnavel::set_transient_delete_function(record_and_free);
  for (const auto& make_one : news) {
    std::vector<void*> freed;
    freed_blocks = &freed;
    failing_rep::storage = nullptr;
    EXPECT_THROW(make_one(), int);
    freed_blocks = nullptr;
    EXPECT_NE(failing_rep::storage, nullptr);
    EXPECT_EQ(std::count(freed.begin(), freed.end(), failing_rep::storage), 1);
  }
  durnavel::set_transient_delete_function(saved);
}

INSTANTIATE_TEST_SUITE_P(EveryKind, DestroyGuard,
                         ::testing::Values(Case{0, false}, Case{0, true}, Case{1, false}, Case{1, true},
                                           Case{2, false}, Case{2, true}, Case{3, false}, Case{3, true}),
                         [](const ::testing::TestParamInfo<Case>& info) { return case_name(info.param); });

TEST_F(DestroyGuardChild, RefusedThenDestroyedInAnUpdateTransaction) {
  dv_transaction::initialize();
  dv_database* db = dv_database::create(std::getenv("DV_TEST_FILE"), 0644, 0, 0);
  dv_transaction::begin(dv_transaction::update);
  const std::vector<void*> elements = elements_in(db);
  dv_collection* destroyed = make(db, case_, elements);
  dv_collection* deleted = make(db, case_, elements);
  const std::vector<void*> destroyed_storage = storage_of(destroyed, case_);
  const std::vector<void*> deleted_storage = storage_of(deleted, case_);
  dv_transaction::commit();

  // No transaction in progress.
  EXPECT_EQ(thrown_by([&] { dv_collection::destroy(*destroyed); }),
            refusal("dv_err_trans - Attempt to touch persistent memory (0x%x) with no transaction in progress.",
                    destroyed));
  delete deleted;

  // A read-only transaction.
  dv_transaction::begin(dv_transaction::read_only);
  EXPECT_EQ(thrown_by([&] { dv_collection::destroy(*destroyed); }),
            refusal("dv_err_trans_wrong_type - Attempt to touch persistent memory for write (0x%x) in a non-update "
                    "transaction.",
                    destroyed));
  delete deleted;
  expect_intact(destroyed, destroyed_storage, elements);
  expect_intact(deleted, deleted_storage, elements);
  dv_transaction::commit();

  dv_transaction::begin(dv_transaction::update);
  expect_intact(destroyed, destroyed_storage, elements);
  expect_intact(deleted, deleted_storage, elements);
  dv_collection::destroy(*destroyed);
  delete deleted;
  expect_freed(destroyed_storage);
  expect_freed(deleted_storage);
  db->self_check();
  dv_transaction::commit();
  db->close();
}

TEST_F(DestroyGuardChild, DestroyedWithoutTransactions) {
  dv_database* db = dv_database::create(std::getenv("DV_TEST_FILE"), 0644, 0, 0);
  const std::vector<void*> elements = elements_in(db);
  dv_collection* destroyed = make(db, case_, elements);
  dv_collection* deleted = make(db, case_, elements);
  const std::vector<void*> destroyed_storage = storage_of(destroyed, case_);
  const std::vector<void*> deleted_storage = storage_of(deleted, case_);
  dv_collection::destroy(*destroyed);
  delete deleted;
  expect_freed(destroyed_storage);
  expect_freed(deleted_storage);
  db->self_check();
  db->close();
}

}  // namespace
