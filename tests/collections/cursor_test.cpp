// Guards cursors: default cursors walking the live collection (empty
// collections, both directions, updates and removal under the cursor),
// snapshot cursors (insensitive to later changes, refusing updates, sorted by
// address, rank function or type name, holding nulls), cursor errors with
// their catalogue texts, rebinding, copies that walk on their own, saved
// positions, the one retry after the address space ran out, snapshots of
// persistent collections, and no snapshot left behind by a walk that fails.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "coll_db_test.h"
#include "dv_coll_err.h"
#include "dv_cursor.h"
#include "dv_new.h"
#include "dv_object_cursor.h"
#include "dv_reference.h"
#include "dv_thrown_by.h"
#include "vector_rep.h"

using namespace dv_qem;
using dv_test::vector_rep;

namespace {

int e[8];
void* el(int i) { return &e[i]; }

using dv_test::thrown_by;

// A list holding the given elements in order.
struct list_of : vector_rep {
  list_of(std::initializer_list<void*> elements) : vector_rep(0x1a) {
    for (void* p : elements) items.push_back(p);
  }
};

// Every element of a walk from first to the end.
std::vector<void*> walk(dv_cursor& c) {
  std::vector<void*> seen;
  void* x = nullptr;
  for (int more = c.first(x); more; more = c.next(x)) seen.push_back(x);
  return seen;
}

const std::string kIllegalUpdate =
    "dv_err_coll_illegal_update - <err-0024-0825>cannot update const collection through cursor";

}  // namespace

TEST(Cursor, EmptyCollection) {
  list_of empty{};
  for (int options : {0, dv_cursor::update_insensitive, dv_cursor::sort_by_addrs}) {
    dv_cursor c(empty, options);
    EXPECT_EQ(c.more(), 0) << options;
    EXPECT_EQ(c.null(), 1);
    void* x = el(0);
    EXPECT_EQ(c.first(x), 0);
    EXPECT_EQ(c.first(), nullptr);
    EXPECT_EQ(c.last(), nullptr);
    EXPECT_EQ(c.next(), nullptr);
    EXPECT_EQ(c.previous(), nullptr);
  }
  dv_cursor live(empty);
  EXPECT_EQ(thrown_by([&] { live.retrieve(); }),
            "dv_err_coll_null_cursor - <err-0024-1215>retrieve() invoked with a null cursor");
}

TEST(Cursor, DefaultCursorWalksBothWays) {
  list_of c{el(0), el(1), el(2)};
  dv_cursor cur(c);
  EXPECT_TRUE(cur.default_cursor());
  EXPECT_EQ(cur.more(), 1);  // stands on the first element after binding
  EXPECT_EQ(cur.retrieve(), el(0));
  EXPECT_EQ(walk(cur), (std::vector<void*>{el(0), el(1), el(2)}));
  EXPECT_EQ(cur.more(), 0);
  std::vector<void*> back;
  for (void* x = cur.last(); cur.more(); x = cur.previous()) back.push_back(x);
  EXPECT_EQ(back, (std::vector<void*>{el(2), el(1), el(0)}));
  EXPECT_EQ(cur.owner(), &c);
}

TEST(Cursor, RemovalAndInsertionUnderADefaultCursor) {
  list_of c{el(0), el(1), el(2)};
  dv_cursor cur(c);
  EXPECT_EQ(cur.next(), el(1));
  cur.remove_at();
  EXPECT_EQ(cur.valid(), 0);
  EXPECT_EQ(thrown_by([&] { cur.retrieve(); }),
            "dv_err_coll_illegal_cursor - <err-0024-1220>retrieve() invoked with the cursor positioned at a deletd "
            "element");
  EXPECT_EQ(thrown_by([&] { cur.remove_at(); }),
            "dv_err_coll_illegal_cursor - <err-0024-1960>remove_at() invoked with the cursor positioned at a deleted "
            "element");
  EXPECT_EQ(cur.next(), el(2));
  EXPECT_EQ(cur.valid(), 1);
  cur.insert_before(el(5));
  cur.insert_after(el(6));
  EXPECT_EQ(c.items, (std::vector<const void*>{el(0), el(5), el(2), el(6)}));
  EXPECT_EQ(cur.retrieve(), el(2));
  EXPECT_EQ(cur.next(), el(6));
  EXPECT_EQ(cur.next(), nullptr);
  EXPECT_EQ(thrown_by([&] { cur.remove_at(); }),
            "dv_err_coll_null_cursor - <err-0024-1955>remove_at() invoked with a null cursor");
}

TEST(Cursor, SnapshotIgnoresLaterChangesAndRefusesUpdates) {
  list_of c{el(0), el(1)};
  dv_cursor cur(c, dv_cursor::update_insensitive);
  EXPECT_TRUE(cur.array_cursor());
  EXPECT_FALSE(cur.exceeds_addr_space());
  c.items.clear();
  EXPECT_EQ(walk(cur), (std::vector<void*>{el(0), el(1)}));
  EXPECT_EQ(thrown_by([&] { cur.remove_at(); }), kIllegalUpdate);
  EXPECT_EQ(thrown_by([&] { cur.insert_after(el(3)); }), kIllegalUpdate);
  EXPECT_EQ(thrown_by([&] { cur.insert_before(el(3)); }), kIllegalUpdate);
}

TEST(Cursor, SnapshotEnds) {
  list_of c{el(0), el(1), el(2)};
  dv_cursor cur(c, dv_cursor::update_insensitive);
  EXPECT_EQ(cur.last(), el(2));
  EXPECT_EQ(cur.next(), nullptr);
  EXPECT_EQ(cur.current_index(), cur.count());
  EXPECT_EQ(cur.retrieve(), nullptr);
  EXPECT_EQ(cur.next(), nullptr);
  EXPECT_EQ(cur.current_index(), 3u);
  EXPECT_EQ(cur.previous(), el(2));
  EXPECT_EQ(cur.first(), el(0));
  EXPECT_EQ(cur.previous(), nullptr);
  EXPECT_EQ(cur.current_index(), 0u);
}

TEST(Cursor, SnapshotOfACollectionHoldingNulls) {
  list_of c{el(0), nullptr, el(1), nullptr};
  dv_cursor cur(c, dv_cursor::update_insensitive);
  EXPECT_EQ(cur.count(), 4u);
  EXPECT_EQ(walk(cur), (std::vector<void*>{el(0), nullptr, el(1), nullptr}));
}

namespace {

int by_value_descending(const void* a, const void* b) {
  int x = *static_cast<const int*>(a), y = *static_cast<const int*>(b);
  return y - x;
}
int by_value_ascending(const void* a, const void* b) { return -by_value_descending(a, b); }

}  // namespace

TEST(Cursor, SortedCursors) {
  auto at = [](std::uintptr_t a) { return reinterpret_cast<void*>(a); };
  list_of addresses{at(300), at(100), at(200)};
  dv_cursor by_address(addresses, dv_cursor::sort_by_addrs);
  EXPECT_EQ(walk(by_address), (std::vector<void*>{at(100), at(200), at(300)}));

  int values[3] = {3, 1, 2};
  list_of numbers{&values[0], &values[1], &values[2]};
  dv_cursor by_rank(numbers, by_value_descending);
  EXPECT_EQ(walk(by_rank), (std::vector<void*>{&values[0], &values[2], &values[1]}));
  by_rank.rebind(numbers, by_value_ascending);
  EXPECT_EQ(walk(by_rank), (std::vector<void*>{&values[1], &values[2], &values[0]}));

  dv_cursor by_type(numbers, "int");
  EXPECT_EQ(walk(by_type), (std::vector<void*>{&values[1], &values[2], &values[0]}));
  dv_cursor by_type_copy(by_type);
  EXPECT_NE(by_type_copy.state_b(), by_type.state_b());  // its own copy of the type name
  by_type_copy.rebind(numbers);
  EXPECT_EQ(walk(by_type_copy), (std::vector<void*>{&values[1], &values[2], &values[0]}));
}

TEST(Cursor, Errors) {
  list_of c{el(0)};
  dv_cursor plain(c);
  EXPECT_EQ(thrown_by([&] { plain.rebind(c, by_value_ascending); }),
            "dv_err_coll_illegal_arg - <err-0024-0029>Illegal rebind for a non-rank function cursor");
  dv_collection* none = nullptr;
  EXPECT_EQ(thrown_by([&] { dv_cursor bad(*none); }),
            "dv_err_null_pointer - <err-0024-0835>dv_collection at address 0 passed to a cursor constructor");
  dv_cursor unbound;
  EXPECT_EQ(unbound.null(), 1);
  EXPECT_EQ(thrown_by([&] { unbound.first(); }),
            "dv_err_cursor - <err-0024-3640> Invalid cursor type found during cursor iteration");
  EXPECT_EQ(thrown_by([&] { unbound.retrieve(); }),
            "dv_err_cursor - <err-0024-3640> Invalid cursor type found during cursor iteration");
  EXPECT_EQ(thrown_by([&] { unbound.remove_at(); }), kIllegalUpdate);
  EXPECT_EQ(unbound.get_range(), nullptr);
  // Range and index-path cursors are not supported and stay unbound.
  alignas(4) char nothing[64] = {};
  dv_cursor ranged(*reinterpret_cast<dv_dictionary*>(nothing), *reinterpret_cast<dv_coll_range*>(nothing), 0);
  dv_cursor indexed(c, *reinterpret_cast<dv_index_path*>(nothing), 0);
  for (dv_cursor* cur : {&ranged, &indexed}) {
    EXPECT_EQ(cur->flags(), 0u);
    EXPECT_EQ(cur->owner(), nullptr);
    EXPECT_EQ(thrown_by([&] { cur->next(); }),
              "dv_err_cursor - <err-0024-3640> Invalid cursor type found during cursor iteration");
  }
  EXPECT_EQ(unbound.get_index(), nullptr);
}

TEST(Cursor, RebindingTakesANewSnapshot) {
  list_of first{el(0)}, second{el(1), el(2)};
  dv_cursor cur(first, dv_cursor::update_insensitive);
  cur.rebind(second);
  EXPECT_TRUE(cur.update_insensitive_cursor());
  EXPECT_EQ(cur.owner(), &second);
  EXPECT_EQ(walk(cur), (std::vector<void*>{el(1), el(2)}));
  dv_cursor live(first);
  live.rebind(second);
  EXPECT_TRUE(live.default_cursor());
  EXPECT_EQ(live.retrieve(), el(1));
}

TEST(Cursor, CopiesWalkOnTheirOwn) {
  list_of c{el(0), el(1), el(2)};
  dv_cursor snapshot(c, dv_cursor::update_insensitive);
  snapshot.next();
  dv_cursor snapshot_copy(snapshot);
  EXPECT_NE(snapshot_copy.get_array(), snapshot.get_array());
  EXPECT_EQ(snapshot_copy.retrieve(), el(1));
  snapshot_copy.next();
  EXPECT_EQ(snapshot.retrieve(), el(1));
  EXPECT_EQ(snapshot_copy.retrieve(), el(2));

  dv_cursor live(c);
  dv_cursor live_copy(live);
  live_copy.next();
  EXPECT_EQ(live.retrieve(), el(0));
  EXPECT_EQ(live_copy.retrieve(), el(1));
  live = live_copy;
  EXPECT_EQ(live.retrieve(), el(1));
  snapshot = live;  // a snapshot cursor becomes a default one
  EXPECT_TRUE(snapshot.default_cursor());
  EXPECT_EQ(snapshot.retrieve(), el(1));
}

TEST(Cursor, RememberAndRestore) {
  list_of c{el(0), el(1), el(2)};
  dv_cursor cur(c);
  cur.next();
  cur.set_state_word(77);
  _dv_cursor_holder saved;
  cur.remember(saved);
  cur.next();
  cur.set_state_word(5);
  _dv_cursor_holder copy(saved);
  saved.nested();  // a nested holder of its own
  _dv_cursor_holder copy2(saved);
  cur.restore(copy);
  EXPECT_EQ(cur.retrieve(), el(1));
  EXPECT_EQ(cur.current_index(), 1u);
  EXPECT_EQ(cur.state_word(), 77u);
  EXPECT_NE(copy2.nested_if_any(), saved.nested_if_any());
}

TEST(Cursor, TheAddressSpaceMarkerRetriesOnce) {
  // The runtime's error when it finds no room, and the collections' own.
  struct row {
    std::function<void()> fail;
    std::string report;
  } rows[] = {
      {[] { throw dv_err_address_space_exhausted("%s", "test: no room"); },
       "dv_err_address_space_exhausted - test: no room"},
      {[] { throw dv_err_address_space_full("%s", "test: full"); }, "dv_err_address_space_full - test: full"},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(r.report);
    list_of c{el(0), el(1), el(2)};
    dv_cursor cur(c);
    dv_address_space_marker marker;
    int failures = 1;
    vector_rep::before_step = [&] {
      if (failures > 0) {
        --failures;
        r.fail();
      }
    };
    EXPECT_EQ(cur.next(marker), el(1));  // failed once, retried
    failures = 2;
    EXPECT_EQ(thrown_by([&] { cur.next(marker); }), r.report);
    EXPECT_EQ(cur.retrieve(), el(1));  // put back where it was before the failed step
    vector_rep::before_step = nullptr;
    EXPECT_EQ(cur.next(marker), el(2));
  }
}

class CursorDb : public dv_test::coll_db_test {};

TEST_F(CursorDb, SnapshotOfAPersistentCollection) {
  dv_database* db = dv_database::create(path("cursor.db").c_str(), 0644, 0, 0);
  dv_collection* rep = vector_rep::make(_Coll_placement::in(db), 0, 0x1a, 0, nullptr);
  for (int i = 0; i < 3; ++i) rep->insert_last(el(i));
  {
    dv_cursor cur(*rep, dv_cursor::update_insensitive);
    EXPECT_TRUE(cur.exceeds_addr_space());
    EXPECT_EQ(walk(cur), (std::vector<void*>{el(0), el(1), el(2)}));
  }
  delete rep;
  db->close();
}

static int user_objects(dv_database* db) {
  dv_object_cursor objects(db);
  int n = 0;
  for (objects.first(); objects.more(); objects.next()) ++n;
  return n;
}

// A cursor whose constructor fails is never destroyed, so the snapshot it had
// begun must go with the failure.
TEST_F(CursorDb, ASnapshotWhoseWalkFailsIsFreed) {
  dv_database* db = dv_database::create(path("cursor.db").c_str(), 0644, 0, 0);
  dv_collection* rep = vector_rep::make(_Coll_placement::in(db), 0, 0x1a, 0, nullptr);
  for (int i = 0; i < 3; ++i) rep->insert_last(el(i));
  const int before = user_objects(db);
  struct step_failure {};
  int steps_left = 0;
  vector_rep::before_step = [&] {
    if (--steps_left == 0) throw step_failure{};
  };
  for (int options : {dv_cursor::update_insensitive, dv_cursor::sort_by_addrs}) {
    SCOPED_TRACE(options);
    steps_left = 2;
    EXPECT_THROW((void)new (db, dv_cursor::get_dv_typespec()) dv_cursor(*rep, options), step_failure);
    EXPECT_EQ(user_objects(db), before);
  }
  vector_rep::before_step = nullptr;
  delete rep;
  db->close();
}
