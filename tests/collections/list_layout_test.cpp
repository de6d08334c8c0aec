// Guards the chained list's stored form and its single operations: the head
// and block bytes through spills and merges, the typespecs, the behaviour
// words, the errors with their texts, cursor edge cases (removal of the
// current element, walking backwards, at the ends) and _remove_all's answer.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "dv_coll_typed.h"
#include "dv_list.h"
#include "dv_thrown_by.h"

using namespace dv_qem;

namespace {

int pool[64];
void* el(int i) { return &pool[i]; }

dv_list& new_list(unsigned behavior = 0x12) {
  return dv_list::create(dv_database::get_transient_database(), behavior);
}

using dv_test::thrown_by;

// The stored words of an object, by offset.
dv4u word(const void* object, unsigned offset) {
  dv4u w;
  std::memcpy(&w, static_cast<const char*>(object) + offset, 4);
  return w;
}
dv2u half(const void* object, unsigned offset) {
  dv2u h;
  std::memcpy(&h, static_cast<const char*>(object) + offset, 2);
  return h;
}
dv4u addr(const void* p) { return static_cast<dv4u>(reinterpret_cast<std::uintptr_t>(p)); }

std::vector<void*> walk(dv_list& l) {
  std::vector<void*> out;
  dv_cursor c;
  void* e = nullptr;
  for (int more = l._first(c, e); more; more = l._next(c, e)) out.push_back(e);
  return out;
}

std::vector<void*> elements(int from, int to) {
  std::vector<void*> v;
  for (int i = from; i < to; ++i) v.push_back(el(i));
  return v;
}

TEST(ListLayout, TypespecsNameSizesAndPointers) {
  EXPECT_STREQ(dv_list::get_dv_typespec()->get_name(), "dv_qem::dv_list");
  EXPECT_EQ(dv_list::get_dv_typespec()->get_size(), 36u);
  EXPECT_STREQ(dv_chained_list_block_pt<8>::get_dv_typespec()->get_name(), "dv_qem::dv_chained_list_block_pt<8>");
  EXPECT_EQ(dv_chained_list_block_pt<8>::get_dv_typespec()->get_size(), 40u);
}

TEST(ListLayout, FourElementsStayInTheHead) {
  dv_list& l = new_list();
  for (int i = 0; i < 4; ++i) l._insert(el(i));
  EXPECT_EQ(word(&l, 4), 0u);   // no blocks
  EXPECT_EQ(half(&l, 8), 4u);   // head count
  EXPECT_EQ(half(&l, 10), 0u);  // reserved
  EXPECT_EQ(word(&l, 12), 4u);  // cardinality
  EXPECT_EQ(word(&l, 16), 0u);  // no indexes
  for (int i = 0; i < 4; ++i) EXPECT_EQ(word(&l, 20 + 4 * i), addr(el(i)));
  delete &l;
}

TEST(ListLayout, FiveAppendsSpillIntoOneBlock) {
  dv_list& l = new_list();
  for (int i = 0; i < 5; ++i) l._insert(el(i));
  EXPECT_EQ(word(&l, 4), 1u);  // has_blocks
  EXPECT_EQ(half(&l, 8), 3u);
  EXPECT_EQ(word(&l, 12), 5u);
  auto* b = reinterpret_cast<const char*>(static_cast<uintptr_t>(word(&l, 32)));
  ASSERT_EQ(static_cast<const void*>(b), l.next_block());
  EXPECT_EQ(half(b, 0), 2u);       // elements
  EXPECT_EQ(half(b, 2), 0x1u);     // prev_is_root only: neither has_next nor is_last
  EXPECT_EQ(word(b, 4), addr(&l));  // previous: the head
  EXPECT_EQ(word(b, 8), addr(el(3)));
  EXPECT_EQ(word(b, 12), addr(el(4)));
  for (unsigned off = 16; off < 40; off += 4) EXPECT_EQ(word(b, off), 0u) << off;
  EXPECT_EQ(l.next_block(), l.find_last_block());  // get_first of the only block is itself
  EXPECT_EQ(walk(l), elements(0, 5));
  delete &l;
}

TEST(ListLayout, TwelveAppendsMakeARingOfTwoBlocks) {
  dv_list& l = new_list();
  for (int i = 0; i < 11; ++i) l._insert(el(i));
  auto* only = l.next_block();
  EXPECT_EQ(only->local_card(), 8u);  // an only block holds eight
  EXPECT_EQ(only->flags(), 0x1u);
  l._insert(el(11));
  auto* first = reinterpret_cast<const char*>(l.next_block());
  auto* last = reinterpret_cast<const char*>(static_cast<uintptr_t>(word(&l, 32)));
  EXPECT_EQ(static_cast<const void*>(first), only);
  EXPECT_EQ(half(&l, 8), 3u);
  EXPECT_EQ(half(first, 0), 7u);
  EXPECT_EQ(half(first, 2), 0x1u | 0x2u);  // prev_is_root, has_next
  EXPECT_EQ(word(first, 36), addr(last));  // slot 7 links the next block
  EXPECT_EQ(half(last, 0), 2u);
  EXPECT_EQ(half(last, 2), 0x4u);          // is_last
  EXPECT_EQ(word(last, 4), addr(first));   // previous
  EXPECT_EQ(word(last, 8), addr(el(10)));
  EXPECT_EQ(word(last, 12), addr(el(11)));
  EXPECT_EQ(word(last, 36), addr(first));  // the ring closes through the last block
  EXPECT_EQ(walk(l), elements(0, 12));
  l.check_rep_invariants();
  delete &l;
}

TEST(ListLayout, RemovalsDeleteAndMergeBlocks) {
  dv_list& l = new_list();
  for (int i = 0; i < 12; ++i) l._insert(el(i));
  // Down to one element in the last block: below half of 7, but the first
  // block (7 of 7) has no room, so it stays.
  l._remove(el(11));
  EXPECT_EQ(l.find_last_block()->local_card(), 1u);
  EXPECT_NE(l.next_block(), l.find_last_block());
  // Its last element leaves: the block goes and the first block is the only one again.
  l._remove(el(10));
  EXPECT_EQ(l.next_block(), l.find_last_block());
  EXPECT_EQ(l.next_block()->flags(), 0x1u);
  EXPECT_EQ(word(l.next_block(), 36), 0u);
  // Removing from the only block down to 3 (below 8/2) merges it into the
  // head when head and block together fit strictly below its capacity.
  l._remove(el(0));
  l._remove(el(1));
  l._remove(el(2));  // head now empty, block holds 3..9
  EXPECT_EQ(l.local_card(), 0u);
  for (int i = 3; i < 7; ++i) l._remove(el(i));  // block 7..9: 3 < 4, head 0 + 3 < 3 fails
  EXPECT_EQ(l.local_card(), 0u);
  l._remove(el(7));  // block 8, 9: 0 + 2 < 3 merges into the head
  EXPECT_EQ(l.next_block(), nullptr);
  EXPECT_EQ(word(&l, 4), 0u);
  EXPECT_EQ(l.local_card(), 2u);
  EXPECT_EQ(walk(l), (std::vector<void*>{el(8), el(9)}));
  l.check_rep_invariants();
  delete &l;
}

TEST(ListLayout, AnUnderfilledBlockMergesIntoTheNextWhenThePreviousIsFull) {
  dv_list& l = new_list();
  for (int i = 0; i < 27; ++i) l._insert(el(i));  // head 3, blocks 7, 7, 7, 3
  std::vector<unsigned> counts;
  for (auto* b = l.next_block(); b != nullptr; b = b->next_block(l)) counts.push_back(b->local_card());
  EXPECT_EQ(counts, (std::vector<unsigned>{7, 7, 7, 3}));
  // Thin the second block to 2 (below 7/2): the first block is full, so it
  // goes into the third block only if that one has room; make room there first.
  for (int i = 17; i < 21; ++i) l._remove(el(i));  // third block: 3
  for (int i = 10; i < 15; ++i) l._remove(el(i));  // second block: 2 -> merged
  counts.clear();
  for (auto* b = l.next_block(); b != nullptr; b = b->next_block(l)) counts.push_back(b->local_card());
  EXPECT_EQ(counts, (std::vector<unsigned>{7, 5, 3}));
  std::vector<void*> expected = elements(0, 10);
  for (int i : {15, 16, 21, 22, 23, 24, 25, 26}) expected.push_back(el(i));
  EXPECT_EQ(walk(l), expected);
  l.check_rep_invariants();
  delete &l;
}

TEST(ListBehavior, BehaviourWordsAndDuplicates) {
  struct Row {
    unsigned behavior, reported;
    int second_insert_kept;
    bool raises;
  } rows[] = {{0x12, 0x12, 1, false}, {0x10010, 0x10010, 0, false}, {0x10014, 0x10014, 0, true}};
  for (const Row& r : rows) {
    dv_list& l = new_list(r.behavior);
    EXPECT_EQ(l.get_behavior(), r.reported);
    l._insert(el(1));
    std::string msg = thrown_by([&] { l._insert(el(1)); });
    if (r.raises)
      EXPECT_NE(msg.find("<err-0024-0365>insertion of"), std::string::npos) << msg;
    else
      EXPECT_EQ(msg, "");
    EXPECT_EQ(l.cardinality(), 1u + r.second_insert_kept) << r.behavior;
    if (!r.raises) {
      EXPECT_EQ(l._replace_at(el(1), 0u), r.second_insert_kept ? el(1) : nullptr);
    }
    delete &l;
  }
}

TEST(ListErrors, RangeAndNullChecksLeaveTheListAlone) {
  dv_list& l = new_list();
  struct Row {
    const char* text;
    std::function<void()> op;
  } rows[] = {
      {"dv_err_coll_nulls - <err-0024-1910>an attempt was made to insert a null element", [&] { l._insert(nullptr); }},
      {"<err-0024-1950>subscript 0 out of range in insert_after (cardinality = 0)", [&] { l._insert_after(el(0), 0u); }},
      {"<err-0024-1945>subscript 0 out of range in insert_before (cardinality = 0)", [&] { l._insert_before(el(0), 0u); }},
      {"<err-0024-1965>subscript 0 out of range in remove_at (cardinality = 0)", [&] { l._remove_at(0u); }},
      {"<err-0024-1980>subscript 0 out of range in replace_at (cardinality = 0)", [&] { l._replace_at(el(0), 0u); }},
      {"<err-0024-1985>subscript 3 out of range in retrieve (cardinality = 0)", [&] { l._retrieve(3u); }},
  };
  for (const Row& r : rows) {
    std::string msg = thrown_by(r.op);
    EXPECT_NE(msg.find(r.text), std::string::npos) << msg;
    EXPECT_EQ(l.cardinality(), 0u);
  }
  EXPECT_EQ(l._pick(), nullptr);
  EXPECT_EQ(l._only(), nullptr);
  const void* out = el(5);
  EXPECT_EQ(l._retrieve_first(out), 0);
  EXPECT_EQ(out, el(5));
  EXPECT_EQ(l._remove_last(out), 0);
  EXPECT_EQ(out, nullptr);
  l._insert(el(0));
  l._insert_before(el(1), 1u);  // position = cardinality appends
  EXPECT_EQ(walk(l), (std::vector<void*>{el(0), el(1)}));
  delete &l;
}

TEST(ListErrors, BrokenStorageFailsTheSelfCheck) {
  dv_list& l = new_list();
  for (int i = 0; i < 6; ++i) l._insert(el(i));
  dv_chained_list_block* b = l.next_block();
  void* saved = b->previous();
  b->set_previous(el(9));
  EXPECT_NE(thrown_by([&] { l._check_rep_invariants(); }).find("<maint-0024-0003>Bad previous pointer in block"),
            std::string::npos);
  b->set_previous(saved);
  b->set_local_card(b->local_card() + 1);
  EXPECT_NE(thrown_by([&] { l._check_rep_invariants(); }).find("<maint-0024-0007>stored cardinality is incorrect"),
            std::string::npos);
  b->set_local_card(b->local_card() - 1);
  l._check_rep_invariants();
  delete &l;
}

TEST(ListCursor, RemovingTheFirstElementLeavesTheFirstDeletedState) {
  dv_list& l = new_list();
  for (int i = 0; i < 3; ++i) l._insert(el(i));
  dv_cursor c;
  void* e = nullptr;
  ASSERT_EQ(l._first(c, e), 1);
  l._remove_at(c);
  EXPECT_TRUE(c.at_deleted_element());
  EXPECT_NE(thrown_by([&] { l._retrieve(c); }).find("<err-0024-1990>"), std::string::npos);
  EXPECT_NE(thrown_by([&] { l._remove_at(c); }).find("<err-0024-1960>"), std::string::npos);
  EXPECT_NE(thrown_by([&] { l._replace_at(el(7), c); }).find("<err-0024-1975>"), std::string::npos);
  EXPECT_NE(thrown_by([&] { l._insert_after(el(7), c); }).find("<err-0024-0009>"), std::string::npos);
  EXPECT_NE(thrown_by([&] { l._insert_before(el(7), c); }).find("<err-0024-0008>"), std::string::npos);
  EXPECT_EQ(l._next(c, e), 1);
  EXPECT_EQ(e, el(1));
  delete &l;
}

TEST(ListCursor, RemovalInABlockStandsOnThePredecessor) {
  dv_list& l = new_list();
  for (int i = 0; i < 5; ++i) l._insert(el(i));  // head 0..2, block 3, 4
  dv_cursor c;
  void* e = nullptr;
  ASSERT_EQ(l._last(c, e), 1);
  ASSERT_EQ(l._previous(c, e), 1);
  ASSERT_EQ(e, el(3));
  l._remove_at(c);  // block slot 0: marked on the head's last element
  EXPECT_EQ(l._previous(c, e), 1);
  EXPECT_EQ(e, el(2));
  l._remove_at(c);
  EXPECT_EQ(l._next(c, e), 1);
  EXPECT_EQ(e, el(4));
  l._remove_at(c);  // the block empties and goes; marked on el(1)
  EXPECT_EQ(l.next_block(), nullptr);
  EXPECT_EQ(l._next(c, e), 0);
  EXPECT_EQ(e, nullptr);
  EXPECT_EQ(l._previous(c, e), 0);  // past the end stays put
  EXPECT_NE(thrown_by([&] { l._retrieve(c); }).find("<err-0024-1995>"), std::string::npos);
  EXPECT_NE(thrown_by([&] { l._remove_at(c); }).find("<err-0024-1955>"), std::string::npos);
  EXPECT_EQ(walk(l), (std::vector<void*>{el(0), el(1)}));
  delete &l;
}

TEST(ListCursor, WalksBackwardsAcrossBlocks) {
  dv_list& l = new_list();
  for (int i = 0; i < 30; ++i) l._insert(el(i));
  dv_cursor c;
  void* e = nullptr;
  std::vector<void*> back;
  for (int more = l._last(c, e); more; more = l._previous(c, e)) back.push_back(e);
  std::vector<void*> expected = elements(0, 30);
  EXPECT_EQ(back, std::vector<void*>(expected.rbegin(), expected.rend()));
  EXPECT_EQ(c.null(), 1);
  delete &l;
}

TEST(ListCursor, InsertionsThroughACursorKeepItOnItsElement) {
  dv_list& l = new_list();
  for (int i = 0; i < 11; ++i) l._insert(el(i));  // head 3, an only block of 8
  dv_cursor c;
  void* e = nullptr;
  ASSERT_EQ(l._last(c, e), 1);  // slot 7 of the full only block
  l._insert_before(el(20), c);
  EXPECT_EQ(l._retrieve(c), el(10));
  l._insert_after(el(21), c);
  EXPECT_EQ(l._retrieve(c), el(10));
  std::vector<void*> expected = elements(0, 10);
  for (int i : {20, 10, 21}) expected.push_back(el(i));
  EXPECT_EQ(walk(l), expected);
  l.check_rep_invariants();
  delete &l;
}

TEST(ListRemoveAll, AnswersWhetherSomethingWasRemoved) {
  dv_list& l = new_list();
  for (int i = 0; i < 20; ++i) l._insert(el(i % 3));
  EXPECT_EQ(l._remove_all(el(1)), 1);
  EXPECT_EQ(l._count(el(1)), 0);
  EXPECT_EQ(l.cardinality(), 13u);
  EXPECT_EQ(l._remove_all(el(1)), 0);
  EXPECT_EQ(l._remove_all(el(0)), 1);
  EXPECT_EQ(walk(l), std::vector<void*>(6, el(2)));
  l.check_rep_invariants();
  delete &l;
}

TEST(ListKind, TypedListsUseTheChainedList) {
  dv_List<int>& list = dv_List<int>::create(dv_database::get_transient_database());
  EXPECT_STREQ(list.rep_name(), "dv_chained_list");
  list.insert(&pool[1]);
  list.insert_first(&pool[0]);
  EXPECT_EQ(list.retrieve(1u), &pool[1]);
  dv_collection::destroy(list);
}

}  // namespace
