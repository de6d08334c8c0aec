// Guards creation and facades: kind names, creation by behaviour word through
// the table of representation makers, the error for a kind without one,
// facades forwarding every operation to their representation (a test
// representation stands in for the real ones), facades owning their
// representation (copies own a new one; destroying destroys it), facades and
// representations placed in a database, the session's collection state and
// its lazily made parts, the session statics, and the not-supported entry
// points.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <type_traits>

#include "coll_db_test.h"
#include "durnavel.h"
#include "dv_coll_err.h"
#include "dv_coll_range.h"
#include "dv_coll_rep_registry.h"
#include "dv_coll_session.h"
#include "dv_coll_typed.h"
#include "dv_new.h"
#include "dv_outofline_collection.h"
#include "dv_thrown_by.h"
#include "vector_rep.h"

using namespace dv_qem;
using dv_test::vector_rep;
using dv_test::vector_rep_kinds;

namespace {

int e[8];  // element addresses
const void* el(int i) { return &e[i]; }

using dv_test::thrown_by;

// Counts vector_rep destructions while in scope.
struct destruction_count {
  int n = 0;
  destruction_count() { vector_rep::destroyed = &n; }
  ~destruction_count() { vector_rep::destroyed = nullptr; }
};

vector_rep& rep_of(dv_outofline_collection& f) { return static_cast<vector_rep&>(*f.get_outofline()); }

}  // namespace

TEST(CollCreation, KindNames) {
  struct Row {
    const char* name;
    _Coll_kind kind;
  } rows[] = {
      {"dv_List", _Coll_kind::list}, {"dv_Array", _Coll_kind::array}, {"dv_Bag", _Coll_kind::bag},
      {"dv_Set", _Coll_kind::set},   {"dv_list", _Coll_kind::set},    {"dv_Collection", _Coll_kind::set},
      {"", _Coll_kind::set},         {nullptr, _Coll_kind::set},
  };
  for (const Row& r : rows) EXPECT_EQ(_Coll_kind_of(r.name), r.kind) << (r.name ? r.name : "(null)");
}

TEST(CollCreation, AKindWithoutARepresentationIsNotSupported) {
  // Kinds whose representation no library of this test program registers.
  for (unsigned behavior : {0x0u, 0x2u, 0x12u, 0x18u}) {
    char kind[16];
    dv_collection::bits_to_rep(kind, behavior);
    if (_Coll_rep_maker_of(_Coll_kind_of(kind)) != nullptr) continue;
    std::string message = thrown_by([&] { dv_collection::create(0, behavior, 4); });
    EXPECT_EQ(message.rfind("dv_err_coll_not_supported - <err-0024-0545>the operation was not supported by the "
                            "collection subtype",
                            0),
              0u)
        << message;
    EXPECT_NE(message.find(kind), std::string::npos) << message;
  }
}

namespace {

_Coll_kind last_kind;
unsigned last_behavior, last_expected;

template <_Coll_kind K>
dv_collection* recording_maker(const _Coll_placement& where, unsigned expected, unsigned behavior,
                               unsigned initial_count, const void* fill) {
  last_kind = K;
  last_behavior = behavior;
  last_expected = expected;
  return vector_rep::make(where, expected, behavior, initial_count, fill);
}

// Registers the recording makers while in scope.
struct recording_kinds {
  _Coll_rep_maker saved[_Coll_kind_count];
  recording_kinds() {
    saved[0] = _Coll_register_rep(_Coll_kind::set, &recording_maker<_Coll_kind::set>);
    saved[1] = _Coll_register_rep(_Coll_kind::bag, &recording_maker<_Coll_kind::bag>);
    saved[2] = _Coll_register_rep(_Coll_kind::list, &recording_maker<_Coll_kind::list>);
    saved[3] = _Coll_register_rep(_Coll_kind::array, &recording_maker<_Coll_kind::array>);
  }
  ~recording_kinds() {
    for (int k = 0; k < _Coll_kind_count; ++k) _Coll_register_rep(static_cast<_Coll_kind>(k), saved[k]);
  }
};

}  // namespace

TEST(CollCreation, TheBehaviourSelectsTheKind) {
  recording_kinds kinds;
  struct Row {
    unsigned behavior;
    _Coll_kind kind;
  } rows[] = {
      {0x0, _Coll_kind::set},     {0x2, _Coll_kind::bag},     {0x12, _Coll_kind::list},
      {0x18, _Coll_kind::array},  {0x1a, _Coll_kind::array},  {0x1, _Coll_kind::set},
  };
  for (const Row& r : rows) {
    dv_collection& c = dv_collection::create(0, r.behavior, 7);
    EXPECT_EQ(last_kind, r.kind) << std::hex << r.behavior;
    EXPECT_EQ(last_behavior, r.behavior);
    EXPECT_EQ(last_expected, 7u);
    EXPECT_EQ(c.get_behavior(), r.behavior);
    dv_collection::destroy(c);
  }
}

TEST(CollCreation, FacadesByKindName) {
  recording_kinds kinds;
  destruction_count destroyed;
  dv_database* transient = dv_database::get_transient_database();
  dv_outofline_collection* wrong_case = dv_outofline_collection::generate_facade("dv_list", transient, 0, 0x12);
  EXPECT_EQ(last_kind, _Coll_kind::set);
  delete wrong_case;

  int fill = 0;
  dv_outofline_collection* array = dv_outofline_collection::generate_facade("dv_Array", transient, 4, 0x18, 10, &fill);
  EXPECT_EQ(last_kind, _Coll_kind::array);
  EXPECT_EQ(array->cardinality(), 10u);
  EXPECT_EQ(array->count(&fill), 10);
  delete array;
  EXPECT_EQ(destroyed.n, 2);
}

TEST(CollCreation, AListIsMadeFromItsExpectedSizeAndBehaviourAlone) {
  int fill = 0;
  dv_database* transient = dv_database::get_transient_database();
  struct Row {
    unsigned behavior, kept;
  } rows[] = {{0x12, 0x12}, {0x10, 0x12}, {0x10014, 0x10014}};
  for (const Row& r : rows) {
    dv_outofline_collection* list =
        dv_outofline_collection::generate_facade("dv_List", transient, 4, r.behavior, 3, &fill);
    EXPECT_STREQ(list->rep_name(), "dv_chained_list");
    EXPECT_EQ(list->cardinality(), 0u) << "the initial count and fill element are for arrays";
    EXPECT_EQ(list->get_behavior(), r.kept);
    delete list;
  }
}

TEST(CollCreation, AMakerWithoutAResultIsAnInternalError) {
  _Coll_rep_maker saved = _Coll_register_rep(
      _Coll_kind::bag, [](const _Coll_placement&, unsigned, unsigned, unsigned, const void*) -> dv_collection* {
        return nullptr;
      });
  std::string message = thrown_by([] { dv_collection::create(0, 0x2, 0); });
  _Coll_register_rep(_Coll_kind::bag, saved);
  EXPECT_EQ(message, "dv_err_coll_internal - the maker of kind dv_Bag returned no representation");
}

TEST(CollFacade, ForwardsToItsRepresentation) {
  vector_rep_kinds kinds{_Coll_kind::list, _Coll_kind::bag};
  dv_outofline_collection& list =
      *dv_outofline_collection::generate_facade("dv_List", dv_database::get_transient_database(), 0, 0x12);
  vector_rep& rep = rep_of(list);
  EXPECT_EQ(list.pick(), nullptr);  // empty: the representation is not asked
  EXPECT_EQ(list.only(), nullptr);
  EXPECT_EQ(list.remove_first(), nullptr);
  EXPECT_EQ(list.retrieve_last(), nullptr);
  list.insert(el(1));
  EXPECT_EQ(list.only(), el(1));
  list.insert_last(el(2));
  list.insert_first(el(0));
  list.insert_after(el(3), 2u);
  list.insert_before(el(4), 0u);
  EXPECT_EQ(rep.items, (std::vector<const void*>{el(4), el(0), el(1), el(2), el(3)}));
  EXPECT_EQ(list.cardinality(), 5u);
  EXPECT_EQ(list.retrieve(2u), el(1));
  EXPECT_EQ(list.retrieve_first(), el(4));
  EXPECT_EQ(list.retrieve_last(), el(3));
  EXPECT_EQ(list.replace_at(el(5), 1u), el(0));
  EXPECT_EQ(list.contains(el(5)), 1);
  EXPECT_EQ(list.contains(el(0)), 0);
  EXPECT_EQ(list.remove_first(), el(4));
  EXPECT_EQ(list.remove_last(), el(3));
  list.remove_at(0u);
  EXPECT_EQ(list.remove(el(1)), 1);
  EXPECT_EQ(list.remove(el(1)), 0);
  EXPECT_EQ(thrown_by([&] {
              list.insert(el(6));
              list.only();
            }),
            "dv_err_coll_not_singleton - <err-0024-0270>dv_collection::only attempted on a collection with more than "
            "one element");
  EXPECT_EQ(std::string(list.rep_name()), "test_vector");
  EXPECT_EQ(list.get_behavior(), 0x12u);
  EXPECT_EQ(list._rep_enum(), 99);
  EXPECT_EQ(list._fast_count(), 1);
  EXPECT_EQ(static_cast<int>(list), 1);
  list.check_rep_invariants();
  list.clear();
  EXPECT_EQ(list.empty(), 1);
  EXPECT_EQ(static_cast<int>(list), 0);

  dv_outofline_collection& bag =
      *dv_outofline_collection::generate_facade("dv_Bag", dv_database::get_transient_database(), 0, 0x2);
  for (int i = 0; i < 3; ++i) bag.insert(el(7));
  bag.insert(el(1));
  EXPECT_EQ(bag.count(el(7)), 3);
  EXPECT_EQ(bag._remove_all(el(7)), 1);
  EXPECT_EQ(bag._remove_all(el(7)), 0);
  EXPECT_EQ(bag.cardinality(), 1u);
  delete &list;
  delete &bag;
}

TEST(CollFacade, CopiesOwnARepresentationOfTheirOwn) {
  vector_rep_kinds kinds{_Coll_kind::list};
  destruction_count destroyed;
  {
    dv_outofline_collection* original =
        dv_outofline_collection::generate_facade("dv_List", dv_database::get_transient_database(), 0, 0x12);
    original->insert_last(el(1));
    original->insert_last(el(2));
    dv_outofline_collection copy(*original);
    ASSERT_NE(copy.get_outofline(), nullptr);
    EXPECT_NE(copy.get_outofline(), original->get_outofline());
    EXPECT_EQ(rep_of(copy).items, rep_of(*original).items);
    copy.insert_last(el(3));
    EXPECT_EQ(original->cardinality(), 2u);

    dv_outofline_collection assigned;  // no representation yet
    assigned = copy;
    EXPECT_NE(assigned.get_outofline(), copy.get_outofline());
    EXPECT_EQ(rep_of(assigned).items, (std::vector<const void*>{el(1), el(2), el(3)}));
    *original = copy;  // replaces the elements, keeps the representation
    EXPECT_EQ(original->cardinality(), 3u);
    delete original;
    EXPECT_EQ(destroyed.n, 1);
  }
  EXPECT_EQ(destroyed.n, 3);
  {
    dv_outofline_collection empty;  // destroying a facade without a representation destroys nothing else
    dv_outofline_collection empty_copy(empty);
    EXPECT_EQ(empty_copy.get_outofline(), nullptr);
  }
  EXPECT_EQ(destroyed.n, 3);
}

TEST(CollFacade, TypedWrappersAreFacades) {
  vector_rep_kinds kinds{_Coll_kind::list};
  int a = 1, b = 2;
  dv_List<int>& list = dv_List<int>::create(dv_database::get_transient_database());
  list.insert_last(&a);
  list.insert_first(&b);
  EXPECT_EQ(list.retrieve(0u), &b);
  EXPECT_EQ(list.retrieve_last(), &a);
  EXPECT_EQ(list.remove_first(), &b);
  EXPECT_EQ(list.only(), &a);
  EXPECT_EQ(list.get_behavior(), 0x12u);
  delete &list;
}

class CollFacadeDb : public dv_test::coll_db_test {};

TEST_F(CollFacadeDb, FacadeAndRepresentationLiveInTheDatabase) {
  vector_rep_kinds kinds{_Coll_kind::list};
  destruction_count destroyed;
  dv_database* db = dv_database::create(path("facade.db").c_str(), 0644, 0, 0);
  int* owner = new (db, dv_typespec::get_int()) int(5);
  dv_outofline_collection* in_db = dv_outofline_collection::generate_facade("dv_List", db, 0, 0x12);
  dv_outofline_collection* near_owner = dv_outofline_collection::generate_facade("dv_List", owner, 0, 0x12);
  for (dv_outofline_collection* f : {in_db, near_owner}) {
    EXPECT_EQ(dv_database::of(f), db);
    EXPECT_EQ(dv_database::of(f->get_outofline()), db);
    EXPECT_EQ(durnavel::is_persistent(f), 1);
    f->insert(owner);
    EXPECT_EQ(f->retrieve_first(), owner);
  }
  dv_typespec* ts = dv_typespec::get_typespec("dv_qem::dv_outofline_collection");
  ASSERT_EQ(ts, dv_outofline_collection::get_dv_typespec());
  EXPECT_EQ(ts->get_size(), 12u);
  EXPECT_EQ(dv_typespec::get_typespec("dv_qem::dv_cursor")->get_size(), 52u);
  EXPECT_EQ(dv_typespec::get_typespec("dv_qem::dv_coll_ptr")->get_size(), 4u);
  EXPECT_EQ(dv_typespec::get_typespec("dv_qem::dv_coll_range")->get_size(), 40u);
  delete in_db;
  delete near_owner;
  EXPECT_EQ(destroyed.n, 2);
  db->self_check();
  db->close();
}

TEST(CollSession, StateInSlotOneAndItsLazyParts) {
  vector_rep_kinds kinds{_Coll_kind::list};
  dv_collection::destroy(dv_collection::create(0, 0x12, 0));
  _Session* session = _Session::get_current(0);
  ASSERT_NE(session, nullptr);
  auto* state = dynamic_cast<_Subsystem_local_coll*>(session->get_local(1));
  ASSERT_NE(state, nullptr);
  EXPECT_EQ(_VRN_get_subsystem_local_coll(session), state);
  EXPECT_EQ(state->query_memory_mode, 1);
  EXPECT_STREQ(state->text_buffers[0], "");
  dv_collection::set_query_memory_mode(3);
  EXPECT_EQ(state->query_memory_mode, 3);

  // The deletion guard's set is made on first use, once.
  EXPECT_EQ(state->deletion_guard_if_made(), nullptr);
  {
    _VRN_session_lock lock;
    dv_collection& guard = state->deletion_guard();
    EXPECT_EQ(&state->deletion_guard(), &guard);
    EXPECT_STREQ(guard.rep_name(), "_RH_dynhash");
    EXPECT_EQ(guard.get_behavior(), 0u);
  }
}

TEST(CollSession, IndexUseHistory) {
  vector_rep_kinds kinds{_Coll_kind::list};
  EXPECT_EQ(dv_collection::_get_index_use_history(), nullptr);
  dv_collection::_record_index_use("ignored");  // no history yet
  dv_collection::_set_record_index_use(1);
  dv_collection* history = dv_collection::_get_index_use_history();
  ASSERT_NE(history, nullptr);
  dv_collection::_record_index_use("by_name");
  EXPECT_EQ(history->cardinality(), 1u);
  dv_collection::_clear_index_use_history();
  EXPECT_EQ(history->cardinality(), 0u);
}

// Session state is never shared between two owners.
static_assert(!std::is_copy_constructible_v<_Subsystem_local_coll>);
static_assert(!std::is_copy_assignable_v<_Subsystem_local_coll>);
// Typed collections are facades: nothing of their own.
static_assert(sizeof(dv_Bag<int>) == sizeof(dv_outofline_collection));
static_assert(sizeof(dv_Array<int>) == sizeof(dv_outofline_collection));

TEST(CollSession, TheStateDestroysWhatItOwns) {
  vector_rep_kinds kinds{_Coll_kind::list, _Coll_kind::set};
  destruction_count destroyed;
  auto* state = new _Subsystem_local_coll;
  state->index_use_history = vector_rep::make(_Coll_placement::in(dv_database::get_transient_database()), 0, 0x12, 0,
                                              nullptr);
  state->deletion_guard();
  delete state;
  EXPECT_EQ(destroyed.n, 2);
}

TEST(CollCreation, PresortForLargeCollections) {
  vector_rep small(0), large(0);
  small.items.assign(499, nullptr);
  large.items.assign(500, nullptr);
  EXPECT_EQ(dv_collection::_presort_if_appropriate(small), 0);
  EXPECT_EQ(dv_collection::_presort_if_appropriate(large), 0x40000);
}

TEST(CollCreation, QueryAndIndexEntryPointsAreNotSupported) {
  vector_rep c(0);
  alignas(4) char no_path[4] = {};  // the path is never looked at
  dv_index_path& path = *reinterpret_cast<dv_index_path*>(no_path);
  struct Row {
    std::function<void()> call;
    const char* name;
  } rows[] = {
      {[&] { c.query_pick(nullptr); }, "dv_collection::query_pick"},
      {[&] { c.query(nullptr); }, "dv_collection::query"},
      {[&] { c.maintain_index_insert(nullptr); }, "dv_collection::maintain_index_insert"},
      {[&] { c.maintain_index_remove_for_sure(nullptr); }, "maintain_index_remove_for_sure"},
      {[&] { c._add_index(path, 0, nullptr, nullptr); },
       "dv_collection::_add_index"},
      {[] { dv_coll_range r(0, 5); }, "dv_coll_range::dv_coll_range()"},
      {[] { dv_coll_range r(-2, static_cast<const void*>(nullptr), 2, nullptr); }, "dv_coll_range::dv_coll_range()"},
  };
  for (const Row& r : rows) EXPECT_EQ(thrown_by(r.call), std::string("dv_err_not_supported - ") + r.name);
}
