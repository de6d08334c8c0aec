// Guards the runtime's public surface: placement questions (of, is_persistent,
// with, hashes, DSCO), the argument checks of persistent new in their order,
// the transient database standing for the ordinary heap, free_memory never
// handing a persistent address to the C heap, arrays made without the
// compiler's array bookkeeping, the storage of a throwing constructor freed,
// the fault-guard requirement, and the release facts and switches.
#include <gtest/gtest.h>
#include <sys/mman.h>

#include <cstdlib>
#include <string>
#include <typeinfo>
#include <vector>

#include "db_test_support.h"
#include "durnavel.h"
#include "dv_test_process.h"
#include "dvdb.h"
#include "runtime_state.h"

using namespace dv_qem;
using namespace dv_test;

namespace {

// Counts what the transient delete function is handed (and frees it).
std::vector<void*> transient_frees;
void counting_delete(void* p) {
  transient_frees.push_back(p);
  std::free(p);
}

struct transient_delete_scope {
  transient_delete_scope() {
    transient_frees.clear();
    transient_frees.reserve(64);
    durnavel::set_transient_delete_function(counting_delete);
  }
  ~transient_delete_scope() { durnavel::set_transient_delete_function(nullptr); }
  bool freed(const void* p) const {
    for (void* q : transient_frees)
      if (q == p) return true;
    return false;
  }
};

class Facade : public db_test {
 protected:
  void SetUp() override { durnavel::initialize(); }
};

TEST_F(Facade, TransientAddressesBelongToTheTransientDatabase) {
  int on_stack = 0;
  int* on_heap = new int(1);
  dv_database* transient = dv_database::get_transient_database();
  EXPECT_EQ(dv_database::of(&on_stack), transient);
  EXPECT_EQ(dv_database::of(on_heap), transient);
  EXPECT_EQ(dv_database::of(nullptr), transient);
  EXPECT_EQ(dv_segment::of(on_heap), transient);
  EXPECT_EQ(dv_cluster::get_transient_cluster(), transient);
  EXPECT_EQ(dv_segment::get_transient_segment(), transient);
  EXPECT_EQ(durnavel::is_persistent(&on_stack), 0);
  EXPECT_EQ(durnavel::is_persistent(on_heap), 0);
  char* region = _DV_int::get_region_start();
  EXPECT_EQ(durnavel::is_persistent(region), 1);
  EXPECT_EQ(durnavel::is_persistent(region + _DV_int::get_region_size() - 1), 1);
  EXPECT_EQ(durnavel::is_persistent(region + _DV_int::get_region_size()), 0);
  delete on_heap;
}

TEST_F(Facade, ClusterWithIsTheAddressItself) {
  int x = 0;
  EXPECT_EQ(dv_cluster::with(&x), &x);
  EXPECT_EQ(dv_cluster::with(nullptr), nullptr);
  dv_database* db = dv_database::create(path("c.db").c_str(), 0644, 0, 0);
  EXPECT_EQ(db->create_cluster(), db);
  EXPECT_EQ(dv_cluster::of(internal(db)->space_start()), db);
  db->close();
}

TEST_F(Facade, PointerHashesDoNotDependOnWhereTheDatabaseIsMapped) {
  std::string file = path("h.db");
  dv_database* db = dv_database::create(file.c_str(), 0644, 0, 0);
  slots data(db, 1);
  db->save();
  char* first_start = internal(db)->space_start();
  unsigned first = durnavel::compute_ptr_hash(first_start + kPage + 24);
  EXPECT_EQ(first, (kPage + 24) * 9987001u);
  db->close();
  dv_database* squatter = dv_database::create(path("s.db").c_str(), 0644, 0, 0);
  dv_database* again = dv_database::open(file.c_str(), 0, 0, 0);
  ASSERT_NE(internal(again)->space_start(), first_start);
  EXPECT_EQ(durnavel::compute_ptr_hash(internal(again)->space_start() + kPage + 24), first);
  int x;
  EXPECT_EQ(durnavel::compute_ptr_hash(&x), word(&x) * 9987001u);
  again->close();
  squatter->close();
}

TEST_F(Facade, ConvertAddressToDSCO) {
  dv_database* db = dv_database::create(path("d.db").c_str(), 0644, 0, 0);
  dv_database* found = nullptr;
  unsigned segment = 9, cluster = 9, offset = 0;
  durnavel::convert_address_to_DSCO(internal(db)->space_start() + 100, found, segment, cluster, offset);
  EXPECT_EQ(found, db);
  EXPECT_EQ(segment, 0u);
  EXPECT_EQ(cluster, 0u);
  EXPECT_EQ(offset, 100u);
  int x;
  expect_error<dv_err_illegal_pointer>(
      [&] { durnavel::convert_address_to_DSCO(&x, found, segment, cluster, offset); },
      format("dv_err_illegal_pointer - Can not convert transient address 0x%x to DSCO.", word(&x)));
  db->close();
}

TEST_F(Facade, PersistentNewChecksItsArgumentsInOrder) {
  dv_database* db = dv_database::create(path("n.db").c_str(), 0644, 0, 0);
  dv_typespec* ts = dv_typespec::get_int();
  const char* hint = internal(db)->space_start() + 64;
  expect_error<dv_err_operator_new_args>([&] { ::operator new(4, static_cast<dv_database*>(nullptr), ts); },
                                         "dv_err_operator_new_args - new(db) requires non-null dv_database argument.");
  expect_error<dv_err_operator_new_args>([&] { ::operator new(4, static_cast<dv_database*>(nullptr), ts, 0u); },
                                         "dv_err_operator_new_args - new(db) requires non-null dv_database argument.");
  expect_error<dv_err_operator_new_args>(
      [&] { ::operator new(4, db, static_cast<dv_typespec*>(nullptr)); },
      "dv_err_operator_new_args - persistent new requires non-null dv_typespec argument.");
  expect_error<dv_err_operator_new_args>(
      [&] { ::operator new(4, db, static_cast<dv_typespec*>(nullptr), 0u); },
      "dv_err_operator_new_args - persistent new requires non-null dv_typespec argument.");
  expect_error<dv_err_operator_new_args>([&] { ::operator new(4, db, ts, 0u); },
                                         "dv_err_operator_new_args - persistent new requires non-null array count.");
  expect_error<dv_err_operator_new_args>(
      [&] { ::operator new(4, static_cast<const void*>(nullptr), ts); },
      "dv_err_operator_new_args - persistent new(void*) requires a non-null address hint");
  expect_error<dv_err_operator_new_args>(
      [&] { ::operator new(4, static_cast<const void*>(hint), static_cast<dv_typespec*>(nullptr)); },
      "dv_err_operator_new_args - persistent new requires non-null dv_typespec argument.");
  expect_error<dv_err_operator_new_args>([&] { ::operator new(4, static_cast<const void*>(hint), ts, 0u); },
                                         "dv_err_operator_new_args - new(db) requires non-null array count.");
  db->close();
  expect_error<dv_err_database_is_deleted>(
      [&] { ::operator new(4, db, ts); },
      format("dv_err_database_is_deleted - Trying to access a database which is not no longer valid. It might "
             "have been closed (0x%x).",
             word(db)));
}

// The transient database is the ordinary heap: no typespec or count checks.
TEST_F(Facade, TransientNewUsesTheOrdinaryHeap) {
  transient_delete_scope frees;
  dv_database* transient = dv_database::get_transient_database();
  int* one = new (transient, static_cast<dv_typespec*>(nullptr)) int(5);
  EXPECT_EQ(*one, 5);
  EXPECT_FALSE(durnavel::is_persistent(one));
  delete one;
  EXPECT_TRUE(frees.freed(one));

  int on_stack = 0;
  auto* near = static_cast<unsigned char*>(
      ::operator new(32, static_cast<const void*>(&on_stack), static_cast<dv_typespec*>(nullptr), 0u));
  for (int i = 0; i < 32; ++i) EXPECT_EQ(near[i], 0) << "zeroed";
  durnavel::free_memory(near);
  EXPECT_TRUE(frees.freed(near));
  void* counted = ::operator new(12, transient, static_cast<dv_typespec*>(nullptr), 0u);
  durnavel::free_memory(counted);
  EXPECT_TRUE(frees.freed(counted));
}

struct thrower {
  static inline void* storage = nullptr;
  thrower() {
    storage = this;
    throw dv_err_misc("constructor failed");
  }
};

TEST_F(Facade, AThrowingConstructorFreesItsStorage) {
  transient_delete_scope frees;
  EXPECT_THROW((void)new (dv_database::get_transient_database(), dv_typespec::get_int()) thrower(), dv_err_misc);
  EXPECT_TRUE(frees.freed(thrower::storage)) << "the placement delete freed the storage";
  int on_stack = 0;
  EXPECT_THROW((void)new (dv_cluster::with(&on_stack), dv_typespec::get_int()) thrower(), dv_err_misc);
  EXPECT_TRUE(frees.freed(thrower::storage));
}

struct counted {
  static inline std::vector<int> destroyed;
  static inline int next_id = 0;
  static inline int fail_at = -1;
  static inline counted* first = nullptr;
  int id;
  counted() : id(next_id++) {
    if (id == 0) first = this;
    if (id == fail_at) throw dv_err_misc("element failed");
  }
  ~counted() { destroyed.push_back(id); }
};

// Arrays carry their own count in front of the elements when the elements
// have a destructor; the compiler's array cookie plays no part.
TEST_F(Facade, ArraysAreMadeAndDestroyedWithoutTheCompilersBookkeeping) {
  transient_delete_scope frees;
  dv_database* transient = dv_database::get_transient_database();
  counted::next_id = 0;
  counted::destroyed.clear();
  counted* elements = dv_new_array<counted>(transient, dv_typespec::get_int(), 5);
  EXPECT_EQ(reinterpret_cast<unsigned*>(elements)[-1], 5u);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(elements[i].id, i);
  dv_delete_array(elements);
  EXPECT_EQ(counted::destroyed, (std::vector<int>{4, 3, 2, 1, 0}));
  EXPECT_TRUE(frees.freed(reinterpret_cast<char*>(elements) - 4));

  // An element that fails: the ones made are destroyed, the block freed.
  counted::next_id = 0;
  counted::destroyed.clear();
  counted::fail_at = 3;
  counted::destroyed.reserve(8);
  EXPECT_THROW(dv_new_array<counted>(transient, dv_typespec::get_int(), 5), dv_err_misc);
  EXPECT_EQ(counted::destroyed, (std::vector<int>{2, 1, 0}));
  EXPECT_TRUE(frees.freed(reinterpret_cast<char*>(counted::first) - 4));
  counted::fail_at = -1;

  int* plain = dv_new_array<int>(transient, dv_typespec::get_int(), 4);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(plain[i], 0);
  dv_delete_array(plain);
  EXPECT_TRUE(frees.freed(plain)) << "no header for elements without a destructor";
  dv_delete_array(static_cast<int*>(nullptr));
}

// A persistent address is never handed to the C heap, also when no open
// database holds it.
TEST_F(Facade, FreeMemoryOfAPersistentAddressOutsideEveryDatabase) {
  transient_delete_scope frees;
  dv_database* db = dv_database::create(path("f.db").c_str(), 0644, 0, 0);
  char* beyond = internal(db)->space_start() + db->as_size() + 64;
  db->close();
  durnavel::free_memory(beyond);
  durnavel::free_memory(internal(db)->space_start() + 64);
  operator delete(beyond);
  EXPECT_FALSE(frees.freed(beyond));
  durnavel::free_memory(nullptr);
}

TEST(FacadeGuard, CreateAndOpenNeedAFaultGuard) {
  scratch_dir dir;
  std::string file = dir / "g.db";
  const char* text = "dv_err_misc - Missing Durnavel/QEM fault handler - use DV_QEM_ESTABLISH_FAULT_HANDLER.";
  for (int open : {0, 1}) {
    testing::internal::CaptureStderr();
    bool thrown = false;
    try {
      if (open)
        dv_database::open(file.c_str(), 0, 0644, 0);
      else
        dv_database::create(file.c_str(), 0644, 0, 0);
    } catch (const dv_err& e) {
      thrown = true;
      EXPECT_TRUE(typeid(e) == typeid(dv_err)) << "thrown as a plain dv_err";
      EXPECT_STREQ(e.get_report(), text);
    }
    std::string printed = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(thrown);
    EXPECT_EQ(printed, std::string("Durnavel unhandled exception:\n  ") + text + "\n");
  }
  EXPECT_EQ(file_size(file), -1);
  DV_QEM_ESTABLISH_FAULT_HANDLER
  EXPECT_EQ(_VRN_fault_guard_depth(), 1);
  dv_database::create(file.c_str(), 0644, 0, 0)->close();
  DV_QEM_END_FAULT_HANDLER
  EXPECT_EQ(_VRN_fault_guard_depth(), 0);
}

TEST_F(Facade, SelfCheckWantsNamedTypespecs) {
  dv_database* db = dv_database::create(path("sc.db").c_str(), 0644, 0, 0);
  durnavel::self_check();
  {
    dv_basic_typespec nameless("", 4, {}, {}, nullptr);
    expect_error_starting<dv_err_internal>(
        [] { durnavel::self_check(); }, "dv_err_internal - Assertion \"ts->get_name() && *ts->get_name()\" failed");
  }
  durnavel::self_check();
  db->close();
}

TEST_F(Facade, SwitchesAndFacts) {
  EXPECT_EQ(durnavel::disable_logging(), 1);
  EXPECT_EQ(durnavel::disable_logging(), 0);
  EXPECT_EQ(durnavel::set_thread_locking_during_relocation(0), 1);
  EXPECT_TRUE(_DV_int::is_thread_locking_disabled());
  durnavel::set_thread_locking_during_relocation(1);
  EXPECT_FALSE(_DV_int::is_thread_locking_disabled());
  EXPECT_EQ(durnavel::set_check_illegal_pointers(1), 1);
  EXPECT_TRUE(_DV_int::get_check_illegal_pointers());
  durnavel::set_check_illegal_pointers(0);
  EXPECT_EQ(durnavel::get_transient_delete_function(), nullptr);

  EXPECT_EQ(durnavel::get_page_size(), kPage);
  EXPECT_EQ(durnavel::relocate_pointer(nullptr, 8), nullptr);
  int x[4];
  EXPECT_EQ(durnavel::relocate_pointer(&x[0], 8), &x[2]);
  EXPECT_EQ(durnavel::which_product(), 1);
  EXPECT_EQ(durnavel::release_major(), 3);
  EXPECT_EQ(durnavel::release_minor(), 0);
  EXPECT_EQ(durnavel::release_maintenance(), 2);
  EXPECT_STREQ(durnavel::release_name(), "3.0.2");
  EXPECT_STREQ(durnavel::product_name(), "QEM Pro for C++ 3.0.2");
  EXPECT_STREQ(durnavel::storage_system_name(), "QEM Pro for C++ 3.0.2");
  EXPECT_EQ(durnavel::language_interface_name(), nullptr);
  EXPECT_EQ(durnavel::language_interface_release_major(), 0);
  EXPECT_EQ(durnavel::language_interface_release_minor(), 0);
  EXPECT_EQ(durnavel::read_counter("anything"), 0);
  EXPECT_EQ(durnavel::get_address_space_generation_number(), 0u);
  EXPECT_EQ(dv_transaction::get_current(), nullptr);

  dv_reference ref(&x[1]);
  EXPECT_EQ(ref.resolve(), &x[1]);
  EXPECT_EQ(static_cast<void*>(ref), &x[1]);
  EXPECT_EQ(dv_reference().resolve(), nullptr);
  EXPECT_EQ(dv_reference::get_dv_typespec(), dv_typespec::get_pointer());
  EXPECT_EQ(tix_handler::get_current(), nullptr);
}

TEST_F(Facade, UndoBeforeTheFirstMarker) {
  dv_database* db = dv_database::create(path("u.db").c_str(), 0644, 0, 0);
  EXPECT_EQ(db->is_undoable(), 0);
  EXPECT_EQ(db->is_redoable(), 0);
  db->undo(1);
  db->redo(1);
  db->set_undo_marker();
  EXPECT_EQ(db->is_undoable(), 1);
  db->record_new_object_location(internal(db)->space_start() + 8, internal(db)->space_start() + 16);
  db->close();
}

// The unload clean-up closes every open database without saving it.
TEST_F(Facade, CleanUpClosesEveryDatabase) {
  std::string file = path("left-open.db");
  dv_database* db = dv_database::create(file.c_str(), 0644, 0, 0);
  const unsigned created = db->size();
  slots data(db, 1);
  durnavel::_cleanup();
  EXPECT_FALSE(dv_database::is_open(db));
  EXPECT_EQ(_DV_int::get_first_DVDB(), nullptr);
  EXPECT_THROW(db->size(), dv_err_database_is_deleted);
  EXPECT_EQ(file_size(file), static_cast<long>(created));
  EXPECT_EQ(stored_super(file).db_size, created);
  dv_database* again = dv_database::open(file.c_str(), 0, 0, 0);  // the runtime starts again
  again->close();
}

TEST(FacadeEnvironment, TransactionsRequestedByTheEnvironment) {
  EXPECT_EQ(run_child("FacadeChild.UseTxnInitialisesTransactions", {{"DV_QEM_USE_TXN", ""}}), 0);
}

TEST(FacadeChild, UseTxnInitialisesTransactions) {
  if (!is_child()) GTEST_SKIP() << "runs in a child process";
  durnavel::initialize();
  EXPECT_TRUE(_DV_int::is_initialized()) << "the runtime itself started";
  dv_transaction* t = dv_transaction::begin(dv_transaction::read_only);
  EXPECT_EQ(dv_transaction::get_current(), t);
  dv_transaction::commit();
}

}  // namespace
