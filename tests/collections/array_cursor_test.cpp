// Guards cursors over dv_Array: walks over nulls and duplicates, removal
// under the cursor (first, middle, last element) and what next and previous
// give afterwards, insertion through the cursor following its element across
// growth, a cursor outliving the array's replacement by another operation,
// and the error texts of each cursor operation (missing position checked
// before the deleted mark, the opposite order for retrieve).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dv_array.h"
#include "dv_coll_err.h"
#include "dv_coll_typed.h"
#include "dv_cursor.h"
#include "dv_thrown_by.h"

using namespace dv_qem;

namespace {

int objects[8];
void* el(int i) { return &objects[i]; }

using dv_test::thrown_by;

class ArrayCursor : public ::testing::Test {
 protected:
  ArrayCursor() : a_(dv_Array<void>::create(dv_database::get_transient_database())) {}
  ~ArrayCursor() override { delete &a_; }
  void fill(std::vector<void*> items) {
    for (void* e : items) a_.insert_last(e);
  }
  std::vector<void*> walk() {
    std::vector<void*> out;
    dv_cursor c(a_);
    for (void* e = nullptr; c.more(); c.next(e)) out.push_back(c.retrieve());
    return out;
  }
  dv_Array<void>& a_;
};

TEST_F(ArrayCursor, WalksNullsAndDuplicatesBothWays) {
  std::vector<void*> items{nullptr, el(1), el(1), nullptr, el(2)};
  fill(items);
  EXPECT_EQ(walk(), items);
  dv_cursor c(a_);
  std::vector<void*> back;
  void* e = nullptr;
  for (int found = c.last(e); found; found = c.previous(e)) back.push_back(e);
  EXPECT_EQ(back, (std::vector<void*>{el(2), nullptr, el(1), el(1), nullptr}));
  EXPECT_EQ(c.more(), 0);
  EXPECT_EQ(c.previous(e), 0);
}

TEST_F(ArrayCursor, EmptyArray) {
  dv_cursor c(a_);
  void* e = el(7);
  EXPECT_EQ(c.more(), 0);
  EXPECT_EQ(c.next(e), 0);
  EXPECT_EQ(c.last(e), 0);
  EXPECT_EQ(c.previous(e), 0);
}

TEST_F(ArrayCursor, RemovingTheFirstElement) {
  fill({el(1), nullptr, el(3)});
  dv_cursor c(a_);
  c.remove_at();
  EXPECT_EQ(c.at_deleted_element(), 1);
  EXPECT_EQ(c.valid(), 0);
  void* e = el(7);
  EXPECT_EQ(c.previous(e), 0);  // nothing before the removed first element
  dv_cursor d(a_);
  d.remove_at();
  EXPECT_EQ(d.next(e), 1);
  EXPECT_EQ(e, el(3));  // the new first element
  EXPECT_EQ(walk(), (std::vector<void*>{el(3)}));
  a_.check_rep_invariants();
}

TEST_F(ArrayCursor, RemovingInTheMiddleAndAtTheEnd) {
  fill({el(1), el(2), el(3), el(4)});
  dv_cursor c(a_);
  void* e = nullptr;
  c.next(e);
  c.remove_at();  // el(2)
  EXPECT_EQ(c.next(e), 1);
  EXPECT_EQ(e, el(3));
  c.remove_at();  // el(3)
  EXPECT_EQ(c.previous(e), 1);
  EXPECT_EQ(e, el(1));  // stands on the predecessor
  c.last(e);
  c.remove_at();  // el(4), the last
  EXPECT_EQ(c.next(e), 0);
  EXPECT_EQ(walk(), (std::vector<void*>{el(1)}));
  a_.check_rep_invariants();
}

TEST_F(ArrayCursor, RemovingEveryElementWhileWalking) {
  fill({el(1), nullptr, el(1), el(2), nullptr, el(1), el(3)});
  dv_cursor c(a_);
  int removed = 0;
  for (void* e = nullptr; c.more(); c.next(e)) {
    if (c.retrieve() == el(1) || c.retrieve() == nullptr) {
      c.remove_at();
      ++removed;
    }
  }
  EXPECT_EQ(removed, 5);
  EXPECT_EQ(walk(), (std::vector<void*>{el(2), el(3)}));
  a_.check_rep_invariants();
}

TEST_F(ArrayCursor, InsertionsFollowTheElementAcrossGrowth) {
  fill({el(1), el(2), el(3), el(4), el(5)});  // full: capacity 5
  dv_cursor c(a_);
  void* e = nullptr;
  c.next(e);  // el(2)
  c.insert_before(el(6));  // grows
  EXPECT_EQ(c.retrieve(), el(2));
  for (int i = 0; i < 10; ++i) c.insert_before(nullptr);  // grows again on the way
  EXPECT_EQ(c.retrieve(), el(2));
  c.insert_after(el(7));
  EXPECT_EQ(c.retrieve(), el(2));
  EXPECT_EQ(c.next(e), 1);
  EXPECT_EQ(e, el(7));
  EXPECT_EQ(a_.cardinality(), 17u);
  a_.check_rep_invariants();
}

// A cursor that ran off the end stands again on an element once its position
// holds one; growing through it then keeps it on that element.
TEST_F(ArrayCursor, ACursorBackOnAnElementFollowsItAcrossGrowth) {
  fill({el(1), el(2), el(3), el(4)});
  dv_cursor c(a_);
  void* e = nullptr;
  c.last(e);                 // position 3
  a_.remove_last();          // position 3 is past the end now
  EXPECT_EQ(c.next(e), 0);   // nothing found; the cursor keeps its position
  a_.insert_first(el(5));
  a_.insert_first(nullptr);  // full; position 3 holds el(2)
  EXPECT_EQ(c.retrieve(), el(2));
  c.insert_after(el(6));     // grows through the cursor
  EXPECT_EQ(c.retrieve(), el(2));
  EXPECT_EQ(c.next(e), 1);
  EXPECT_EQ(e, el(6));
  a_.check_rep_invariants();
}

TEST_F(ArrayCursor, KeepsItsPositionWhenAnotherOperationReplacesTheArray) {
  fill({el(1), el(2), el(3), el(4), el(5)});
  dv_cursor c(a_);
  void* e = nullptr;
  c.next(e);
  c.next(e);  // position 2
  for (int i = 0; i < 20; ++i) a_.insert_last(el(6));  // the old array is freed
  EXPECT_EQ(c.retrieve(), el(3));
  EXPECT_EQ(c.next(e), 1);
  EXPECT_EQ(e, el(4));
  a_.clear();
  EXPECT_NE(thrown_by([&] { (void)c.retrieve(); }), "");  // its position holds nothing now
  EXPECT_EQ(c.next(e), 0);
}

TEST_F(ArrayCursor, ErrorTexts) {
  fill({el(1), el(2)});
  dv_cursor past(a_);
  void* e = nullptr;
  past.last(e);
  past.next(e);  // no position
  dv_cursor removed(a_);
  removed.next(e);
  removed.remove_at();  // deleted mark, standing on el(1)
  struct Row {
    const char* name;
    dv_cursor* c;
    void (*op)(dv_Array<void>&, dv_cursor&);
    const char* text;
  } rows[] = {
      {"insert_after null", &past, [](dv_Array<void>& a, dv_cursor& c) { a._insert_after(el(3), c); },
       "dv_err_coll_null_cursor - <err-0024-1935>insert_after() invoked with a null cursor"},
      {"insert_before null", &past, [](dv_Array<void>& a, dv_cursor& c) { a._insert_before(el(3), c); },
       "dv_err_coll_null_cursor - <err-0024-1940>insert_before() invoked with a null cursor"},
      {"remove_at null", &past, [](dv_Array<void>& a, dv_cursor& c) { a._remove_at(c); },
       "dv_err_coll_null_cursor - <err-0024-1955>remove_at() invoked with a null cursor"},
      {"replace_at null", &past, [](dv_Array<void>& a, dv_cursor& c) { (void)a._replace_at(el(3), c); },
       "dv_err_coll_null_cursor - <err-0024-1970>replace_at() invoked with a null cursor"},
      {"retrieve null", &past, [](dv_Array<void>& a, dv_cursor& c) { (void)a._retrieve(c); },
       "dv_err_coll_null_cursor - <err-0024-1995>retrieve() attempted on a null cursor"},
      {"insert_after deleted", &removed, [](dv_Array<void>& a, dv_cursor& c) { a._insert_after(el(3), c); },
       "dv_err_coll_illegal_cursor - <err-0024-0009>insert_after() invoked with an illegal cursor"},
      {"insert_before deleted", &removed, [](dv_Array<void>& a, dv_cursor& c) { a._insert_before(el(3), c); },
       "dv_err_coll_illegal_cursor - <err-0024-0008>insert_before() invoked with an illegal cursor"},
      {"remove_at deleted", &removed, [](dv_Array<void>& a, dv_cursor& c) { a._remove_at(c); },
       "dv_err_coll_illegal_cursor - <err-0024-1960>remove_at() invoked with the cursor positioned at a deleted "
       "element"},
      {"replace_at deleted", &removed, [](dv_Array<void>& a, dv_cursor& c) { (void)a._replace_at(el(3), c); },
       "dv_err_coll_illegal_cursor - <err-0024-1975>replace_at() invoked with the cursor positioned at a deleted "
       "element"},
      {"retrieve deleted", &removed, [](dv_Array<void>& a, dv_cursor& c) { (void)a._retrieve(c); },
       "dv_err_coll_illegal_cursor - <err-0024-1990>retrieve() attempted with cursor positioned at a removed "
       "element"},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(thrown_by([&] { r.op(a_, *r.c); }), r.text) << r.name;
    EXPECT_EQ(walk(), (std::vector<void*>{el(1)})) << r.name;
  }
  // A removed first element leaves no position and the deleted mark: the
  // missing position is reported first, except by retrieve.
  dv_cursor first(a_);
  first.remove_at();
  EXPECT_EQ(thrown_by([&] { a_._remove_at(first); }),
            "dv_err_coll_null_cursor - <err-0024-1955>remove_at() invoked with a null cursor");
  EXPECT_EQ(thrown_by([&] { (void)a_._retrieve(first); }),
            "dv_err_coll_illegal_cursor - <err-0024-1990>retrieve() attempted with cursor positioned at a removed "
            "element");
}

TEST_F(ArrayCursor, ReplaceThroughTheCursor) {
  fill({el(1), el(2)});
  dv_cursor c(a_);
  void* e = nullptr;
  c.next(e);
  EXPECT_EQ(a_._replace_at(nullptr, c), el(2));
  EXPECT_EQ(c.retrieve(), nullptr);
  EXPECT_EQ(walk(), (std::vector<void*>{el(1), nullptr}));
}

}  // namespace
