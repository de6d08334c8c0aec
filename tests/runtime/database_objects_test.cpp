// Guards persistent objects through the public surface: persistent new and
// delete in a database, arrays with their own count, the storage of a
// throwing constructor freed, free_memory routed to the database's
// allocator, named roots, schema paths, the object cursor, type tags, the
// database errors of root and cursor functions handed a null, transient or
// closed database, renaming types by registered names, and pointers
// rewritten after recorded object moves.
#include <gtest/gtest.h>

#include <cstddef>
#include <string>
#include <vector>

#include "db_test_support.h"
#include "durnavel.h"
#include "dvdb.h"

using namespace dv_qem;
using namespace dv_test;

namespace {

struct Node {
  Node* next;
  int value;
};

struct Tracked {
  static inline std::vector<int> destroyed;
  static inline int made = 0;
  int id;
  Tracked() : id(made++) {}
  ~Tracked() { destroyed.push_back(id); }
};

struct Boom {
  static inline void* storage = nullptr;
  int x;
  Boom() {
    storage = this;
    throw dv_err_misc("constructor failed");
  }
};

}  // namespace

DV_DEFINE_TYPESPEC(Node, "ObjectsNode", DV_POINTERS(offsetof(Node, next)), DV_NO_VTABLES);
DV_DEFINE_TYPESPEC(Tracked, "ObjectsTracked", DV_NO_POINTERS, DV_NO_VTABLES);
DV_DEFINE_TYPESPEC(Boom, "ObjectsBoom", DV_NO_POINTERS, DV_NO_VTABLES);

namespace {

dv_typespec* node_ts() { return &dv_ts<Node>::the_instance; }

// The user objects of db, as the object cursor finds them.
int count_objects(dv_database* db) {
  dv_object_cursor cursor(db);
  int n = 0;
  for (cursor.first(); cursor.more(); cursor.next()) ++n;
  return n;
}

class DatabaseObjects : public db_test {
 protected:
  void SetUp() override { db_ = dv_database::create(path("objects.db").c_str(), 0644, 0, 0); }
  void TearDown() override {
    if (dv_database::is_open(db_)) db_->close();
  }
  dv_database* db_ = nullptr;
};

TEST_F(DatabaseObjects, NewAndDeleteInADatabase) {
  Node* a = new (db_, node_ts()) Node;
  Node* b = new (dv_cluster::with(a), node_ts()) Node;
  EXPECT_EQ(dv_database::of(a), db_);
  EXPECT_EQ(dv_database::of(b), db_);
  EXPECT_TRUE(durnavel::is_persistent(a));
  EXPECT_EQ(a->next, nullptr);
  EXPECT_EQ(a->value, 0);
  EXPECT_EQ(DVDB::page_of(a), DVDB::page_of(b)) << "placed near the hint";
  a->next = b;
  EXPECT_EQ(count_objects(db_), 2);
  unsigned count = 9, offset = 9;
  EXPECT_EQ(dv_typespec::typespec_at(&a->value, count, offset), node_ts());
  EXPECT_EQ(offset, offsetof(Node, value));
  EXPECT_GE(node_ts()->get_tag(db_), 24);
  const unsigned b_offset = static_cast<unsigned>(reinterpret_cast<char*>(b) - internal(db_)->space_start());
  delete b;
  EXPECT_EQ(count_objects(db_), 1);
  EXPECT_EQ(dv_typespec::typespec_at(internal(db_)->space_start() + b_offset, count, offset), nullptr);
  durnavel::free_memory(a);
  EXPECT_EQ(count_objects(db_), 0);
  db_->self_check();
}

TEST_F(DatabaseObjects, TheTypespecMustDescribeTheObject) {
  expect_error<dv_err_operator_new_args>(
      [&] { (void)new (db_, dv_typespec::get_int()) Node; },
      "dv_err_operator_new_args - Error detected in object size.  The compiler is trying to allocate 8 bytes, but "
      "the typespec given to persistent new requires 4 bytes.");
  expect_error<dv_err_operator_new_args>(
      [&] { ::operator new(10, db_, dv_typespec::get_int(), 3u); },
      "dv_err_operator_new_args - Error detected in array size.  The compiler is trying to allocate 10 bytes, but "
      "the count/typespec given to persistent new requires 12 bytes.");
  EXPECT_EQ(count_objects(db_), 0);
}

TEST_F(DatabaseObjects, ArraysCarryTheirOwnCount) {
  Tracked::made = 0;
  Tracked::destroyed.clear();
  Tracked* elements = dv_new_array<Tracked>(db_, &dv_ts<Tracked>::the_instance, 3);
  EXPECT_EQ(dv_database::of(elements), db_);
  EXPECT_EQ(reinterpret_cast<unsigned*>(elements)[-1], 3u);
  unsigned count = 0, offset = 0;
  EXPECT_EQ(dv_typespec::typespec_at(&elements[2], count, offset), &dv_ts<Tracked>::the_instance);
  EXPECT_EQ(count, 3u);
  EXPECT_EQ(offset, 2 * sizeof(Tracked));
  void* object = nullptr;
  const dv_typespec* ts = nullptr;
  int n = 0;
  dv_object_cursor cursor(db_);
  cursor.set(&elements[1]);
  ASSERT_EQ(cursor.current(object, ts, n), 1);
  EXPECT_EQ(object, elements) << "the array's address is behind its count";
  EXPECT_EQ(n, 3);
  dv_delete_array(elements);
  EXPECT_EQ(Tracked::destroyed, (std::vector<int>{2, 1, 0}));
  EXPECT_EQ(count_objects(db_), 0);

  int* plain = dv_new_array<int>(db_, dv_typespec::get_int(), 5);
  EXPECT_EQ(dv_typespec::typespec_at(&plain[4], count, offset), dv_typespec::get_int());
  EXPECT_EQ(count, 5u);
  dv_delete_array(plain);
  EXPECT_EQ(count_objects(db_), 0);
  db_->self_check();
}

TEST_F(DatabaseObjects, AThrowingConstructorLeavesNoObject) {
  EXPECT_THROW((void)new (db_, &dv_ts<Boom>::the_instance) Boom, dv_err_misc);
  EXPECT_TRUE(durnavel::is_persistent(Boom::storage));
  EXPECT_EQ(count_objects(db_), 0) << "the placement delete freed the storage";
  Node* near = new (db_, node_ts()) Node;
  EXPECT_THROW((void)new (dv_cluster::with(near), &dv_ts<Boom>::the_instance) Boom, dv_err_misc);
  EXPECT_EQ(count_objects(db_), 1);
  db_->self_check();
}

TEST_F(DatabaseObjects, FreeMemoryRefusesWhatIsNoObject) {
  Node* a = new (db_, node_ts()) Node;
  EXPECT_THROW(durnavel::free_memory(&a->value), dv_err_heap_corruption);
  EXPECT_EQ(count_objects(db_), 1);
  db_->close();
  durnavel::free_memory(a);  // in no open database: nothing to free, and never the C heap
}

TEST_F(DatabaseObjects, NamedRoots) {
  Node* a = new (db_, node_ts()) Node;
  dv_database_root* root = db_->create_root("first");
  EXPECT_STREQ(root->get_name(), "first");
  EXPECT_EQ(root->get_typespec(), nullptr);
  root->set_value(a, node_ts());
  EXPECT_EQ(root->get_value(node_ts()), a);
  EXPECT_EQ(root->get_typespec(), node_ts());
  expect_error<dv_err_root_exists>([&] { db_->create_root("first"); },
                                   "dv_err_root_exists - A root named first already exists");
  db_->create_root("second");
  EXPECT_EQ(db_->get_n_roots(), 2u);
  dv_database_root* all[4] = {};
  unsigned n = 0;
  db_->get_all_roots(4, all, n);
  EXPECT_EQ(n, 2u);
  EXPECT_EQ(db_->find_root("first"), root);
  EXPECT_EQ(dv_database_root::find("second", db_), db_->find_root("second"));
  EXPECT_EQ(db_->find_root("third"), nullptr);
  dv_database_root::destroy(db_->find_root("second"));
  dv_database_root::destroy(nullptr);
  EXPECT_EQ(db_->get_n_roots(), 1u);
  db_->save();
  db_->close();

  dv_database* again = dv_database::open(path("objects.db").c_str(), 1, 0, 0);
  dv_database_root* found = again->find_root("first");
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(dv_database::of(found->get_value(node_ts())), again);
  again->close();
}

TEST_F(DatabaseObjects, FunctionsOfANullTransientOrClosedDatabaseRaiseItsError) {
  dv_database* closed = dv_database::create(path("closed.db").c_str(), 0644, 0, 0);
  dv_database_root* stale = closed->create_root("first");
  closed->close();
  dv_database* transient = dv_database::get_transient_database();
  const std::string transient_text = "dv_err_database_transient - Illegal operation on transient database";
  const std::string closed_text = format(
      "dv_err_database_is_deleted - Trying to access a database which is not no longer valid. It "
      "might have been closed (0x%x).",
      word(closed));
  const std::string null_text =
      "dv_err_database_is_deleted - Trying to access a database which is not no longer valid. It "
      "might have been closed (0x0).";
  struct Row {
    const char* what;
    dv_database* db;
    const std::string& text;
  } rows[] = {{"null", nullptr, null_text}, {"transient", transient, transient_text}, {"closed", closed, closed_text}};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    expect_error<dv_err>([&] { dv_database_root::find("first", r.db); }, r.text);
    expect_error<dv_err>([&] { dv_object_cursor cursor(r.db); }, r.text);
    expect_error<dv_err>([&] { node_ts()->get_tag(r.db); }, r.text);
    if (r.db == nullptr) continue;  // members need an object
    expect_error<dv_err>([&] { r.db->create_root("first"); }, r.text);
    expect_error<dv_err>([&] { r.db->find_root("first"); }, r.text);
    expect_error<dv_err>([&] { r.db->get_n_roots(); }, r.text);
    unsigned n = 0;
    expect_error<dv_err>([&] { r.db->get_all_roots(0, nullptr, n); }, r.text);
  }
  // A root of the closed database lies where no database is any more.
  const std::string stale_text = format(
      "dv_err_illegal_pointer - Attempt to dereference the persistent pointer %#x, but no database is "
      "assigned to that address.",
      word(stale));
  expect_error<dv_err_illegal_pointer>([&] { dv_database_root::destroy(stale); }, stale_text);
  expect_error_starting<dv_err_illegal_pointer>(
      [&] { stale->get_name(); }, "dv_err_illegal_pointer - Attempt to dereference the persistent pointer ");
}

TEST_F(DatabaseObjects, RenamingNeedsRegisteredNames) {
  new (db_, node_ts()) Node{nullptr, 1};
  const std::string text =
      "dv_err_unmarked_type - The type \"NoSuchType\" appears not to have been marked with "
      "DV_MARK_SCHEMA_TYPE";
  expect_error<dv_err_unmarked_type>([&] { db_->rename_type("NoSuchType", "ObjectsTracked"); }, text);
  expect_error<dv_err_unmarked_type>([&] { db_->rename_type("ObjectsNode", "NoSuchType"); }, text);
  EXPECT_GE(node_ts()->get_tag(db_), 24) << "the type keeps its tag";
}

TEST(DatabaseObjectsGuard, RootsAndSchemaPathsNeedAFaultGuard) {
  scratch_dir dir;
  dv_database* db = nullptr;
  {
    _VRN_fault_handler guard;
    db = dv_database::create((dir / "g.db").c_str(), 0644, 0, 0);
  }
  const std::string text = "dv_err_misc - Missing Durnavel/QEM fault handler - use DV_QEM_ESTABLISH_FAULT_HANDLER.";
  testing::internal::CaptureStderr();
  expect_error<dv_err>([&] { db->create_root("r"); }, text);
  expect_error<dv_err>([&] { db->find_root("r"); }, text);
  expect_error<dv_err>([&] { db->get_n_roots(); }, text);
  expect_error<dv_err>([&] { db->add_schema_path("p"); }, text);
  expect_error<dv_err>([&] { db->get_n_schema_paths(); }, text);
  testing::internal::GetCapturedStderr();
  _VRN_fault_handler guard;
  db->close();
}

TEST_F(DatabaseObjects, SchemaPaths) {
  for (int i = 0; i < 9; ++i) db_->add_schema_path(format("/schema/%d", i).c_str());
  EXPECT_EQ(db_->get_n_schema_paths(), 9u);
  expect_error<dv_err_path_exists>(
      [&] { db_->add_schema_path("/schema/3"); },
      "dv_err_path_exists - Trying to set the schema path:The path named /schema/3 already exists");
  char buffers[3][32];
  char* out[3] = {buffers[0], buffers[1], buffers[2]};
  unsigned n = 0;
  db_->get_all_schema_paths(3, out, n);
  EXPECT_EQ(n, 3u);
  EXPECT_STREQ(buffers[2], "/schema/2");
  db_->remove_schema_path("/schema/0");
  expect_error<dv_err_path_does_not_exists>(
      [&] { db_->remove_schema_path("/schema/0"); },
      "dv_err_path_does_not_exists - Trying to remove the schema path:The path named /schema/0 does not exists");
  db_->remove_all_schema_paths(n);
  EXPECT_EQ(n, 8u);
  EXPECT_EQ(db_->get_n_schema_paths(), 0u);
}

TEST_F(DatabaseObjects, ObjectCursor) {
  std::vector<Node*> nodes;
  for (int i = 0; i < 5; ++i) nodes.push_back(new (db_, node_ts()) Node);
  dv_object_cursor cursor(db_);
  std::vector<void*> seen;
  for (cursor.first(); cursor.more(); cursor.next()) {
    void* object = nullptr;
    const dv_typespec* ts = nullptr;
    int count = -1;
    ASSERT_EQ(cursor.current(object, ts, count), 1);
    EXPECT_EQ(ts, node_ts());
    EXPECT_EQ(count, 0);
    seen.push_back(object);
  }
  EXPECT_EQ(seen, (std::vector<void*>(nodes.rbegin(), nodes.rend()))) << "newest first";
  expect_error<dv_err_cursor_at_end>([&] { cursor.next(); }, "dv_err_cursor_at_end - There are no more objects.");
}

// Objects copied to new places: every pointer to an old place, in objects
// and in roots, follows its object.
TEST_F(DatabaseObjects, PointersFollowRecordedMoves) {
  Node* a = new (db_, node_ts()) Node;
  Node* b = new (db_, node_ts()) Node;
  Node* gone = new (db_, node_ts()) Node;
  a->next = b;
  b->next = gone;
  b->value = 7;
  db_->create_root("b")->set_value(b, node_ts());
  Node* b2 = new (db_, node_ts()) Node;
  *b2 = *b;
  db_->record_new_object_location(b, b2);
  db_->record_new_object_location(gone, reinterpret_cast<void*>(-1));
  db_->fix_pointers(0);
  EXPECT_EQ(a->next, b2);
  EXPECT_EQ(b2->next, nullptr) << "a move to nowhere makes the pointer null";
  EXPECT_EQ(db_->find_root("b")->get_value(node_ts()), b2);
  db_->fix_pointers(0);  // nothing recorded any more
  EXPECT_EQ(a->next, b2);
  db_->self_check();
}

TEST_F(DatabaseObjects, MovesWithSavesOnTheWay) {
  std::vector<Node*> nodes;
  Node* target = new (db_, node_ts()) Node;
  for (int i = 0; i < 40; ++i) {
    auto* pages = dv_new_array<char>(db_, dv_typespec::get_char(), kSlotBytes);  // a page between nodes
    (void)pages;
    Node* n = new (db_, node_ts()) Node;
    n->next = target;
    nodes.push_back(n);
  }
  Node* moved = new (db_, node_ts()) Node;
  const unsigned moved_offset = static_cast<unsigned>(reinterpret_cast<char*>(moved) - internal(db_)->space_start());
  db_->record_new_object_location(target, moved);
  db_->fix_pointers(4);
  EXPECT_FALSE(db_->is_modified()) << "saved at the end";
  for (Node* n : nodes) EXPECT_EQ(n->next, moved);
  db_->close();
  dv_database* again = dv_database::open(path("objects.db").c_str(), 1, 0, 0);
  dv_object_cursor cursor(again);
  int pointing = 0;
  for (cursor.first(); cursor.more(); cursor.next()) {
    void* object = nullptr;
    const dv_typespec* ts = nullptr;
    int count = 0;
    cursor.current(object, ts, count);
    if (ts == node_ts() && static_cast<Node*>(object)->next != nullptr) {
      EXPECT_EQ(reinterpret_cast<char*>(static_cast<Node*>(object)->next),
                internal(again)->space_start() + moved_offset);
      ++pointing;
    }
  }
  EXPECT_EQ(pointing, 40);
  again->close();
}

}  // namespace
