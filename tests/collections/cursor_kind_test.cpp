// Guards which cursors an operation through a cursor takes as a position:
// for every representation (chained list, packed list, hash set and bag,
// keyed hash table, and the facades around them) and every positional
// operation, a snapshot, sorted or foreign cursor (one bound to another
// collection) is refused with the catalogue error before any field of it is
// read, and neither collection changes; a cursor of the collection itself,
// or of its facade, still works. Also guards the conversions to the
// representations' views.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "dv_array.h"
#include "dv_coll_user_ext_cursor.h"
#include "dv_cursor.h"
#include "dv_cursor_views.h"
#include "dv_dyn_hash.h"
#include "dv_fault_handler.h"
#include "dv_list.h"
#include "dv_outofline_collection.h"
#include "dv_rhash.h"
#include "dv_thrown_by.h"

using namespace dv_qem;
using dv_test::thrown_by;

namespace {

int e[8];
void* el(int i) { return &e[i]; }

const std::string kNotAPosition =
    "dv_err_coll_not_implemented_yet - <err-0024-0845>collection cursor operations with ordered and order by "
    "address cursors are not supported";
const std::string kNotBySets = "dv_err_coll_not_supported - Operation not supported by sets and bags";

enum class Rep { list, array, set, bag, keyed_hash, list_facade, array_facade, set_facade };
enum class Kind { snapshot, sorted_by_address, sorted_by_rank, another_of_its_kind, another_of_other_kind };
enum class Op { retrieve, insert_after, insert_before, remove_at, replace_at };

const char* name_of(Rep r) {
  static const char* const names[] = {"List", "Array", "Set", "Bag", "KeyedHash", "ListFacade", "ArrayFacade",
                                      "SetFacade"};
  return names[static_cast<int>(r)];
}
const char* name_of(Kind k) {
  static const char* const names[] = {"Snapshot", "SortedByAddress", "SortedByRank", "AnotherOfItsKind",
                                      "AnotherOfOtherKind"};
  return names[static_cast<int>(k)];
}
const char* name_of(Op o) {
  static const char* const names[] = {"Retrieve", "InsertAfter", "InsertBefore", "RemoveAt", "ReplaceAt"};
  return names[static_cast<int>(o)];
}

void PrintTo(Rep r, std::ostream* os) { *os << name_of(r); }
void PrintTo(Kind k, std::ostream* os) { *os << name_of(k); }
void PrintTo(Op o, std::ostream* os) { *os << name_of(o); }

// A transient collection of the representation holding the elements given
// (the keyed hash stores element i under the key i).
dv_collection* make(Rep r, std::initializer_list<int> elements) {
  dv_database* transient = dv_database::get_transient_database();
  static int hint = 0;
  dv_collection* c = nullptr;
  switch (r) {
    case Rep::list: c = &dv_list::create(transient); break;
    case Rep::array: c = &dv_array::create(transient); break;
    case Rep::set: c = &dv_set::create(transient); break;
    case Rep::bag: c = &dv_bag::create(transient); break;
    case Rep::list_facade: c = dv_outofline_collection::generate_facade("dv_List", transient, 0, 0x12); break;
    case Rep::array_facade: c = dv_outofline_collection::generate_facade("dv_Array", transient, 0, 0x18); break;
    case Rep::set_facade: c = dv_outofline_collection::generate_facade("dv_Set", transient, 0, 0); break;
    case Rep::keyed_hash: {
      _Rhash* h = _Rhash::create(&hint, _Coll_cluster_default, "int", 4, 1, 0, 0, nullptr);
      static const int keys[8] = {0, 1, 2, 3, 4, 5, 6, 7};
      for (int i : elements) {
        int found = 0;
        h->__insert(el(i), &keys[i], nullptr, nullptr, found);
      }
      return h;
    }
  }
  for (int i : elements) c->insert(el(i));
  return c;
}

// The collection of another representation for a cursor of the wrong kind.
Rep other_kind(Rep r) { return r == Rep::list || r == Rep::list_facade ? Rep::array : Rep::list; }

std::vector<void*> walk(const dv_collection& c) {
  std::vector<void*> seen;
  dv_cursor cursor(c);
  void* x = nullptr;
  for (int more = cursor.first(x); more; more = cursor.next(x)) seen.push_back(x);
  return seen;
}

int rank_by_address(const void* a, const void* b) { return a < b ? -1 : (a > b ? 1 : 0); }

// What the operation raises with a cursor that is no position in r: the
// kind error, unless r refuses the operation whatever the cursor.
std::string refusal(Rep r, Op o) {
  const bool hashed = r == Rep::set || r == Rep::bag || r == Rep::set_facade;
  if (o == Op::retrieve) return kNotAPosition;
  if (hashed) return o == Op::remove_at ? kNotAPosition : kNotBySets;
  if (r != Rep::keyed_hash) return kNotAPosition;
  switch (o) {
    case Op::insert_after: return "dv_err_coll_not_supported - <err-0024-0285>insert_after() not supported by _Rhash";
    case Op::insert_before:
      return "dv_err_coll_not_supported - <err-0024-0290>insert_before() not supported by _Rhash";
    case Op::remove_at:
      return "dv_err_coll_not_supported - <err-0024-0315>_Rhash::remove_at() attempted on an unordered collection";
    default:
      return "dv_err_coll_not_supported - <err-0024-0320>_Rhash::replace_at() attempted on an unordered collection";
  }
}

void run(Op o, dv_collection& c, const dv_cursor& cursor) {
  switch (o) {
    case Op::retrieve: (void)c.retrieve(cursor); break;
    case Op::insert_after: c.insert_after(el(7), cursor); break;
    case Op::insert_before: c.insert_before(el(7), cursor); break;
    case Op::remove_at: c.remove_at(cursor); break;
    case Op::replace_at: (void)c.replace_at(el(7), cursor); break;
  }
}

// Destroys the collections of a test on every path.
struct owned {
  std::vector<dv_collection*> all;
  dv_collection& add(dv_collection* c) {
    all.push_back(c);
    return *c;
  }
  ~owned() {
    for (dv_collection* c : all) dv_collection::destroy(*c);
  }
};

using kind_case = std::tuple<Rep, Kind, Op>;

class CursorKinds : public ::testing::TestWithParam<kind_case> {
 protected:
  _VRN_fault_handler guard_;
};

TEST_P(CursorKinds, RefusedBeforeTheCursorIsRead) {
  auto [rep, kind, op] = GetParam();
  owned keep;
  dv_collection& c = keep.add(make(rep, {0, 1, 2}));
  dv_collection* other = nullptr;
  if (kind == Kind::another_of_its_kind) other = &keep.add(make(rep, {3, 4}));
  if (kind == Kind::another_of_other_kind) other = &keep.add(make(other_kind(rep), {3, 4}));

  std::function<dv_cursor*()> cursor_of;
  switch (kind) {
    case Kind::snapshot: cursor_of = [&] { return new dv_cursor(c, dv_cursor::update_insensitive); }; break;
    case Kind::sorted_by_address: cursor_of = [&] { return new dv_cursor(c, dv_cursor::sort_by_addrs); }; break;
    case Kind::sorted_by_rank: cursor_of = [&] { return new dv_cursor(c, rank_by_address); }; break;
    default: cursor_of = [&] { return new dv_cursor(*other); }; break;
  }
  std::unique_ptr<dv_cursor> cursor(cursor_of());
  ASSERT_EQ(cursor->more(), 1);
  const std::vector<void*> before = walk(c);
  const std::vector<void*> other_before = other != nullptr ? walk(*other) : std::vector<void*>{};

  EXPECT_EQ(thrown_by([&] { run(op, c, *cursor); }), refusal(rep, op));
  EXPECT_EQ(walk(c), before);
  if (other != nullptr) {
    EXPECT_EQ(walk(*other), other_before);
  }
  EXPECT_NO_THROW(c.check_rep_invariants());
}

INSTANTIATE_TEST_SUITE_P(
    EveryRepresentation, CursorKinds,
    ::testing::Combine(::testing::Values(Rep::list, Rep::array, Rep::set, Rep::bag, Rep::keyed_hash, Rep::list_facade,
                                         Rep::array_facade, Rep::set_facade),
                       ::testing::Values(Kind::snapshot, Kind::sorted_by_address, Kind::sorted_by_rank,
                                         Kind::another_of_its_kind, Kind::another_of_other_kind),
                       ::testing::Values(Op::retrieve, Op::insert_after, Op::insert_before, Op::remove_at,
                                         Op::replace_at)),
    [](const ::testing::TestParamInfo<kind_case>& info) {
      return std::string(name_of(std::get<0>(info.param))) + "_" + name_of(std::get<1>(info.param)) + "_" +
             name_of(std::get<2>(info.param));
    });

// A cursor of the collection itself, and one of the facade around it, are
// positions in it: retrieve gives the element under the cursor, remove_at
// takes it out.
class OwnCursors : public ::testing::TestWithParam<Rep> {
 protected:
  _VRN_fault_handler guard_;
};

TEST_P(OwnCursors, AreAPosition) {
  const Rep rep = GetParam();
  owned keep;
  dv_collection& c = keep.add(make(rep, {0, 1, 2}));
  dv_cursor own(c);
  void* first = own.retrieve();
  EXPECT_EQ(c.retrieve(own), first);
  c.remove_at(own);
  EXPECT_EQ(c.cardinality(), 2u);
  EXPECT_EQ(c.contains(first), 0);

  // Seen through its facade and seen directly, a representation is one
  // collection.
  auto* facade = dynamic_cast<dv_outofline_collection*>(&c);
  if (facade == nullptr) return;
  dv_collection& inner = *facade->get_outofline();
  dv_cursor of_facade(c);
  EXPECT_EQ(inner.retrieve(of_facade), of_facade.retrieve());
  dv_cursor of_inner(inner);
  EXPECT_EQ(c.retrieve(of_inner), of_inner.retrieve());
}

INSTANTIATE_TEST_SUITE_P(EveryRepresentation, OwnCursors,
                         ::testing::Values(Rep::list, Rep::array, Rep::set, Rep::bag, Rep::list_facade,
                                           Rep::array_facade, Rep::set_facade),
                         [](const ::testing::TestParamInfo<Rep>& info) { return std::string(name_of(info.param)); });

TEST(CursorKindsKeyedHash, OwnCursorRetrieves) {
  _VRN_fault_handler guard;
  owned keep;
  dv_collection& h = keep.add(make(Rep::keyed_hash, {0, 1, 2}));
  dv_cursor own(h);
  EXPECT_NE(own.retrieve(), nullptr);
  EXPECT_EQ(h.retrieve(own), own.retrieve());
}

// The conversions give the cursor itself, and refuse exactly the snapshot
// and sorted cursors.
TEST(CursorViews, ConversionsCheckTheKind) {
  _VRN_fault_handler guard;
  owned keep;
  dv_collection& list = keep.add(make(Rep::list, {0, 1}));
  dv_cursor live(list);
  EXPECT_EQ(&live.operator _Packed_list_cursor&(), &live);
  EXPECT_EQ(&live.operator _Chained_list_cursor&(), &live);
  EXPECT_EQ(&live.operator _Ixonly_cursor&(), &live);
  EXPECT_EQ(&live.operator _Dictionary_cursor&(), &live);
  dv_coll_user_ext_cursor& user = live;
  EXPECT_EQ(&user, &live);
  EXPECT_NO_THROW(live.check_cast());

  for (int options : {dv_cursor::update_insensitive, dv_cursor::sort_by_addrs}) {
    dv_cursor snapshot(list, options);
    EXPECT_EQ(thrown_by([&] { snapshot.check_cast(); }), kNotAPosition);
    EXPECT_EQ(thrown_by([&] { (void)snapshot.operator _Packed_list_cursor&(); }), kNotAPosition);
    EXPECT_EQ(thrown_by([&] { (void)snapshot.operator _Chained_list_cursor&(); }), kNotAPosition);
    EXPECT_EQ(thrown_by([&] { (void)snapshot.operator _Ixonly_cursor&(); }), kNotAPosition);
    EXPECT_EQ(thrown_by([&] { (void)snapshot.operator _Dictionary_cursor&(); }), kNotAPosition);
    EXPECT_EQ(thrown_by([&] { (void)snapshot.operator dv_coll_user_ext_cursor&(); }), kNotAPosition);
  }
  dv_cursor by_rank(list, rank_by_address);
  EXPECT_EQ(thrown_by([&] { by_rank.check_cast(); }), kNotAPosition);

  // A cursor bound to nothing belongs to no other collection.
  dv_cursor unbound;
  EXPECT_NO_THROW(unbound.check_cast(list));
}

// The chained list's view reads the list's own cursor fields: after the
// first element goes under the cursor it stands at the first-deleted state,
// and past the end it is off the edge.
TEST(CursorViews, ChainedListViewReadsTheListsPosition) {
  _VRN_fault_handler guard;
  owned keep;
  dv_collection& list = keep.add(make(Rep::list, {0, 1, 2, 3, 4, 5}));
  dv_cursor c(list);
  _Chained_list_cursor& view = c;
  EXPECT_EQ(view.coll(), &list);
  EXPECT_EQ(view.subscr_in_block(), 0u);
  EXPECT_EQ(view.current_block(), nullptr);  // the head
  EXPECT_EQ(view.off_the_edge(), 0);

  c.remove_at();
  EXPECT_EQ(view.at_deleted_element_0(), 1);
  EXPECT_EQ(view.off_the_edge(), 0);
  EXPECT_EQ(c.next(), el(1));
  EXPECT_EQ(view.at_deleted_element_0(), 0);

  // Six elements fill the head and reach into a block.
  while (c.next() != el(5)) {
  }
  EXPECT_NE(view.current_block(), nullptr);
  EXPECT_EQ(c.next(), nullptr);
  EXPECT_EQ(view.off_the_edge(), 1);

  // The setters put the cursor into the states the list itself uses.
  c.first();
  view.set_at_deleted_element_0();
  EXPECT_EQ(c.next(), el(1));
  view.set_off_the_edge();
  EXPECT_EQ(c.more(), 0);
  EXPECT_EQ(c.next(), nullptr);
}

}  // namespace
