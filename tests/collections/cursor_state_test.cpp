// Guards what a cursor owns and what a holder saves of it: a B-tree
// cursor's position and its overflow cursor's position put back by the
// holder, no earlier nested position put back into a later one, the objects
// of a dynamic-extent cursor freed once on unbinding and rebinding (none
// when state A is the cursor itself, none shared by a copy), and the
// cardinality of a query result set.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "dv_coll_user_ext_cursor.h"
#include "dv_cursor.h"
#include "dv_dyn_hash.h"
#include "dv_fault_handler.h"
#include "dv_list.h"
#include "dv_pset.h"
#include "dv_rhash_cursor.h"
#include "durnavel.h"
#include "vector_rep.h"

using namespace dv_qem;
using dv_test::vector_rep;

namespace {

int e[8];
void* el(int i) { return &e[i]; }

dv_list& list_of(std::initializer_list<int> elements) {
  dv_list& l = dv_list::create(dv_database::get_transient_database());
  for (int i : elements) l.insert(el(i));
  return l;
}

// A B-tree cursor's position as the holder reads and writes it.
struct btree_cursor_double {
  unsigned null = 0;
  _Coll_btree_node* node = nullptr;
  unsigned index = 0;
  dv_cursor* overflow = nullptr;

  void getCurrentPos(unsigned& n, _Coll_btree_node*& at, unsigned& i) const {
    n = null;
    at = node;
    i = index;
  }
  void setCurrentPos(unsigned n, _Coll_btree_node* at, unsigned i) {
    null = n;
    node = at;
    index = i;
  }
  dv_cursor* get_overflow() const { return overflow; }
};

_Coll_btree_node* node_at(int i) { return reinterpret_cast<_Coll_btree_node*>(&e[i]); }

TEST(CursorHolder, BtreePositionAndItsOverflowCursorComeBack) {
  _VRN_fault_handler guard;
  dv_list& duplicates = list_of({0, 1, 2});
  dv_cursor overflow(duplicates);
  EXPECT_EQ(overflow.next(), el(1));
  btree_cursor_double c{0, node_at(5), 7, &overflow};

  auto* saved = new _dv_cursor_holder;
  saved->remember_osbtree(c);
  c.setCurrentPos(1, node_at(6), 2);
  EXPECT_EQ(overflow.next(), el(2));
  saved->restore_osbtree(c);
  EXPECT_EQ(c.null, 0u);
  EXPECT_EQ(c.node, node_at(5));
  EXPECT_EQ(c.index, 7u);
  EXPECT_EQ(overflow.retrieve(), el(1));

  // A copy keeps the position, nested part included, once the holder it
  // was copied from is gone.
  _dv_cursor_holder copy(*saved);
  delete saved;
  c.setCurrentPos(1, nullptr, 0);
  overflow.last();
  copy.restore_osbtree(c);
  EXPECT_EQ(c.node, node_at(5));
  EXPECT_EQ(c.index, 7u);
  EXPECT_EQ(overflow.retrieve(), el(1));
  dv_collection::destroy(duplicates);
}

// A holder used again for a cursor that walks no overflow collection must
// not put the overflow position it saved before into one made later.
TEST(CursorHolder, NoStaleOverflowPositionForTheBtree) {
  _VRN_fault_handler guard;
  dv_list& duplicates = list_of({0, 1, 2});
  dv_cursor overflow(duplicates);
  btree_cursor_double c{0, node_at(1), 1, &overflow};
  _dv_cursor_holder saved;
  saved.remember_osbtree(c);  // the overflow cursor on element 0

  c.overflow = nullptr;
  saved.remember_osbtree(c);  // now none
  c.overflow = &overflow;
  overflow.last();
  saved.restore_osbtree(c);
  EXPECT_EQ(overflow.retrieve(), el(2));
  dv_collection::destroy(duplicates);
}

TEST(CursorHolder, NoStaleOverflowPositionForTheHash) {
  _VRN_fault_handler guard;
  dv_set set(0);
  dv_list& duplicates = list_of({0, 1, 2});
  _Rhash_cursor c(set, dv_dictionary_cursor::leave_unpositioned);
  auto* overflow = new dv_cursor(duplicates);
  c.set_oflo_current(overflow);
  _dv_cursor_holder saved;
  saved.remember_Rhash(c);  // the overflow cursor on element 0

  c.set_oflo_current(nullptr);
  saved.remember_Rhash(c);  // now none
  c.set_oflo_current(overflow);  // owned by c again
  overflow->last();
  saved.restore_Rhash(c);
  EXPECT_EQ(overflow->retrieve(), el(2));
  c.set_oflo_current(nullptr);
  delete overflow;
  dv_collection::destroy(duplicates);
}

// ---- dynamic-extent cursors ------------------------------------------------------------

// What the transient delete function was handed.
std::vector<void*> freed;
void recording_delete(void* p) {
  freed.push_back(p);
  std::free(p);
}

struct transient_delete_scope {
  transient_delete_scope() {
    durnavel::initialize();  // the runtime calls the function only once it is up
    freed.clear();
    freed.reserve(16);
    durnavel::set_transient_delete_function(recording_delete);
  }
  ~transient_delete_scope() { durnavel::set_transient_delete_function(nullptr); }
};

// A representation that walks a dynamic extent: its first step marks the
// cursor and gives it two objects of its own (or, with self_marker, the
// cursor itself in state A).
class extent_rep : public vector_rep {
 public:
  explicit extent_rep(bool self_marker = false) : vector_rep(0x12), self_marker_(self_marker) {
    items = {el(0), el(1)};
  }
  int _first(dv_cursor& c, void*& out) const override {
    dv_coll_user_ext_cursor& u = c;
    if (!u.dynamic_extent_cursor()) {
      u.flag_dynamic_extent_cursor();
      u.get_void0() = self_marker_ ? static_cast<void*>(&u) : std::malloc(16);
      u.get_void1() = std::malloc(16);
      made.push_back(u.get_void1());
      if (!self_marker_) made.push_back(u.get_void0());
    }
    return vector_rep::_first(c, out);
  }
  mutable std::vector<void*> made;

 private:
  bool self_marker_;
};

int times_freed(const void* p) {
  int times = 0;
  for (void* q : freed) times += q == p;
  return times;
}
bool was_freed(const void* p) { return times_freed(p) == 1; }

TEST(DynamicExtentCursor, UnbindingFreesWhatItHolds) {
  _VRN_fault_handler guard;
  transient_delete_scope deletes;
  extent_rep rep;
  {
    dv_cursor c(rep);
    EXPECT_TRUE(c.dynamic_extent_cursor());
    EXPECT_EQ(c.retrieve(), el(0));
    ASSERT_EQ(rep.made.size(), 2u);
    EXPECT_EQ(times_freed(rep.made[0]) + times_freed(rep.made[1]), 0);
  }
  EXPECT_TRUE(was_freed(rep.made[0]));
  EXPECT_TRUE(was_freed(rep.made[1]));
}

TEST(DynamicExtentCursor, RebindingFreesTheOldObjects) {
  _VRN_fault_handler guard;
  transient_delete_scope deletes;
  extent_rep rep;
  extent_rep other;
  dv_cursor c(rep);
  c.rebind(other);
  EXPECT_TRUE(was_freed(rep.made[0]));
  EXPECT_TRUE(was_freed(rep.made[1]));
  EXPECT_TRUE(c.dynamic_extent_cursor());  // the new binding made its own
  EXPECT_EQ(other.made.size(), 2u);
}

TEST(DynamicExtentCursor, ACursorHoldingItselfFreesNothing) {
  _VRN_fault_handler guard;
  transient_delete_scope deletes;
  extent_rep rep(true);
  std::uintptr_t cursor_address = 0;
  {
    dv_cursor c(rep);
    EXPECT_EQ(c.state_a(), &c);
    cursor_address = reinterpret_cast<std::uintptr_t>(&c);
  }
  EXPECT_EQ(times_freed(reinterpret_cast<void*>(cursor_address)), 0);
  EXPECT_EQ(times_freed(rep.made[0]), 0);
  std::free(rep.made[0]);
}

TEST(DynamicExtentCursor, ACopyHasObjectsOfItsOwn) {
  _VRN_fault_handler guard;
  transient_delete_scope deletes;
  extent_rep rep;
  {
    dv_cursor c(rep);
    c.next();
    dv_cursor copy(c);
    EXPECT_NE(copy.state_a(), c.state_a());
    EXPECT_NE(copy.state_b(), c.state_b());
    EXPECT_EQ(copy.retrieve(), el(0));  // bound afresh
  }
  ASSERT_EQ(rep.made.size(), 4u);
  for (void* p : rep.made) EXPECT_TRUE(was_freed(p));
}

// ---- query result sets -----------------------------------------------------------------

_Pset pset_of(dv4u holds_collection, const void* result) {
  dv4u words[8] = {9, 0, holds_collection, static_cast<dv4u>(reinterpret_cast<std::uintptr_t>(result)), 0, 3, 0, 0};
  _Pset p;
  std::memcpy(static_cast<void*>(&p), words, sizeof words);
  return p;
}

TEST(Pset, Cardinality) {
  _VRN_fault_handler guard;
  dv_list& three = list_of({0, 1, 2});
  EXPECT_EQ(pset_of(1, &three).cardinality(), 3u);
  EXPECT_EQ(pset_of(0, el(4)).cardinality(), 1u);
  EXPECT_EQ(pset_of(0, nullptr).cardinality(), 0u);
  dv_collection::destroy(three);
}

}  // namespace
