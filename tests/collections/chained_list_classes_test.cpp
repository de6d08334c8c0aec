// Guards the shapes of the chained-list classes that stored files and other
// code rely on: the typespecs of dv_chained_list_4_8, dv_list and the 8-slot
// block (names, sizes, relocated pointer fields, the virtual-table address
// each writes into a stored head), the order of the storage operations after
// dv_collection's; dv_chained_list_4_8(0, 0) as the overflow list of a hash
// table (duplicates kept, its blocks freed by its deleting destructor); the
// duplicate flags, remove_dups and __insert_last; and the index list: the
// list works with one attached, checks it and frees it when destroyed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "coll_db_test.h"
#include "dv_chained_list.h"
#include "dv_cursor.h"
#include "dv_indexes.h"
#include "dv_list.h"
#include "dv_new.h"
#include "dv_object_cursor.h"
#include "dv_thrown_by.h"
#include "dv_typespec.h"
#include "durnavel.h"
#include "vtable_offset.h"

using namespace dv_qem;
using dv_test::vtable_offset;

namespace {

int pool[64];
void* el(int i) { return &pool[i]; }

// A new list in the transient database (its blocks go next to it).
dv_list& new_list() { return dv_list::create(dv_database::get_transient_database()); }

std::vector<void*> walk(const dv_collection& l) {
  std::vector<void*> out;
  dv_cursor c(l);
  for (void* e = c.first(); c.more(); e = c.next()) out.push_back(e);
  return out;
}

// ---- typespecs and slots -------------------------------------------------------------------------

struct typespec_row {
  dv_typespec* ts;
  const char* name;
  unsigned size;
  std::vector<dv4s> pointers;
  std::vector<dv4s> vtable_offsets;
  const void* live_object;  // an object of the class, for its virtual-table address
};

TEST(ChainedListClasses, TypespecsDescribeTheStoredLayout) {
  dv_chained_list_4_8 chained(0, 0);
  dv_list list(0, 0);
  const std::vector<dv4s> head_pointers{16, 20, 24, 28, 32};
  const typespec_row rows[] = {
      {dv_chained_list_4_8::get_dv_typespec(), "dv_qem::dv_chained_list_4_8", 36, head_pointers, {0}, &chained},
      {dv_list::get_dv_typespec(), "dv_qem::dv_list", 36, head_pointers, {0}, &list},
      {dv_chained_list_block_pt<8>::get_dv_typespec(), "dv_qem::dv_chained_list_block_pt<8>", 40,
       {4, 8, 12, 16, 20, 24, 28, 32, 36}, {}, nullptr},
  };
  for (const typespec_row& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_STREQ(r.ts->get_name(), r.name);
    EXPECT_EQ(r.ts->get_size(), r.size);
    EXPECT_EQ(dv_typespec::get_typespec(r.name), r.ts);
    // The offset list: pointer offsets, -1, then (offset, virtual table) pairs
    // up to a pair whose address is 0.
    const dv4s* o = static_cast<dv_basic_typespec*>(r.ts)->offsets();
    std::vector<dv4s> pointers;
    while (*o != -1) pointers.push_back(*o++);
    ++o;
    EXPECT_EQ(pointers, r.pointers);
    std::vector<dv4s> vtables;
    for (; o[1] != 0; o += 2) {
      vtables.push_back(o[0]);
      // A stored head gets the virtual table of its own class on reading.
      dv4s live = 0;
      std::memcpy(&live, static_cast<const char*>(r.live_object) + o[0], sizeof live);
      EXPECT_EQ(o[1], live);
    }
    EXPECT_EQ(vtables, r.vtable_offsets);
  }
}

TEST(ChainedListClasses, StorageOperationsFollowTheCollectionSlotsInOrder) {
  using L = dv_chained_list;
  using B = dv_chained_list_block;
  const std::vector<std::ptrdiff_t> offsets{
      vtable_offset(&dv_collection::evolve_rep),
      vtable_offset(&L::num_ptrs_in_head),
      vtable_offset(&L::num_ptrs_in_blocks),
      vtable_offset(static_cast<B* (L::*)(B*, B*, _Chained_list_cursor*)>(&L::allocate_new_block)),
      vtable_offset(static_cast<B* (L::*)(_Chained_list_cursor*)>(&L::allocate_new_block)),
      vtable_offset(static_cast<unsigned (L::*)(const B*, const void*) const>(&L::contains_local)),
      vtable_offset(static_cast<unsigned (L::*)(const void*) const>(&L::contains_local)),
      vtable_offset(static_cast<unsigned (L::*)(const B*, const void*) const>(&L::count_local)),
      vtable_offset(static_cast<unsigned (L::*)(const void*) const>(&L::count_local)),
      vtable_offset(&L::delete_block),
  };
  for (std::size_t i = 1; i < offsets.size(); ++i)
    EXPECT_EQ(offsets[i] - offsets[i - 1], static_cast<std::ptrdiff_t>(sizeof(void*))) << "operation " << i;
  // dv_list adds no operation of its own: it fills the same slots.
  EXPECT_EQ(vtable_offset(&dv_list::delete_block), offsets.back());
}

// ---- the overflow-list form ----------------------------------------------------------------------

class ChainedListInDatabase : public dv_test::coll_db_test {
 protected:
  void SetUp() override { db_ = dv_database::create(path("chained.db").c_str(), 0644, 0, 0); }
  void TearDown() override { db_->close(); }

  // Objects of the database by typespec name.
  std::map<std::string, int> census() const { return dv_test::object_census(db_); }

  dv_database* db_ = nullptr;
};

TEST_F(ChainedListInDatabase, AnOverflowListKeepsDuplicatesAndFreesItsBlocks) {
  auto* list = new (db_, dv_chained_list_4_8::get_dv_typespec()) dv_chained_list_4_8(0, 0);
  dv_collection& c = *list;
  EXPECT_EQ(c.get_behavior(), 0x12u);  // duplicates allowed, ordered
  unsigned count = 0, offset = 0;
  EXPECT_STREQ(dv_typespec::typespec_at(list, count, offset)->get_name(), "dv_qem::dv_chained_list_4_8");
  // The operations a hash-table slot uses on its list.
  std::vector<void*> expected;
  for (int i = 0; i < 30; ++i) {
    c._insert(el(i % 10));
    expected.push_back(el(i % 10));
  }
  EXPECT_EQ(c._cardinality(), 30u);
  EXPECT_EQ(c._count(el(3)), 3);
  EXPECT_EQ(c._contains(el(9)), 1);
  EXPECT_EQ(c._contains(el(10)), 0);
  EXPECT_EQ(c._pick(), el(0));
  EXPECT_EQ(walk(c), expected);
  dv_cursor cursor(c);
  void* e = nullptr;
  ASSERT_EQ(c._last(cursor, e), 1);
  ASSERT_EQ(c._previous(cursor, e), 1);
  EXPECT_EQ(c._retrieve(cursor), el(8));
  EXPECT_EQ(c._remove(el(3)), 1);
  EXPECT_EQ(c._count(el(3)), 2);
  c.check_rep_invariants();
  EXPECT_GT(census()["dv_qem::dv_chained_list_block_pt<8>"], 0);
  delete &c;
  std::map<std::string, int> left = census();
  EXPECT_EQ(left["dv_qem::dv_chained_list_4_8"], 0);
  EXPECT_EQ(left["dv_qem::dv_chained_list_block_pt<8>"], 0);
}

// ---- duplicates ----------------------------------------------------------------------------------

TEST(ChainedListDuplicates, FlagSettersDecideWhatASecondInsertDoes) {
  struct Row {
    int disallow, signal;
    unsigned behavior;
    unsigned after_second_insert;
    bool raises;
  } rows[] = {{0, 0, 0x12, 2, false}, {0, 1, 0x12, 2, false}, {1, 0, 0x10010, 1, false}, {1, 1, 0x10014, 1, true}};
  for (const Row& r : rows) {
    SCOPED_TRACE(::testing::Message() << "disallow " << r.disallow << " signal " << r.signal);
    dv_list l(0, 0);
    l.set_disallow_duplicates(r.disallow);
    l.set_signal_duplicates(r.signal);
    EXPECT_EQ(l.disallow_duplicates(), r.disallow);
    EXPECT_EQ(l.signal_duplicates(), r.signal);
    EXPECT_EQ(l.get_behavior(), r.behavior);
    l.insert(el(1));
    std::string raised = dv_test::thrown_by([&] { l.insert(el(1)); });
    EXPECT_EQ(raised.find("<err-0024-0365>") != std::string::npos, r.raises) << raised;
    EXPECT_EQ(l.cardinality(), r.after_second_insert);
    // Appending without the checks stores the element whatever the flags say.
    l.__insert_last(el(1));
    EXPECT_EQ(l.cardinality(), r.after_second_insert + 1);
    EXPECT_EQ(l.retrieve(l.cardinality() - 1), el(1));
    l.check_rep_invariants();
  }
}

TEST(ChainedListDuplicates, RemoveDupsKeepsEachFirstOccurrenceInOrder) {
  for (unsigned seed = 0; seed < 200; ++seed) {
    SCOPED_TRACE(::testing::Message() << "seed " << seed);
    std::mt19937 rng(seed);
    std::vector<void*> model;
    dv_list& l = new_list();
    const unsigned length = rng() % 45;
    const unsigned kinds = 1 + rng() % 12;
    for (unsigned i = 0; i < length; ++i) {
      void* e = el(static_cast<int>(rng() % kinds));
      l.insert(e);
      model.push_back(e);
    }
    std::vector<void*> firsts;
    for (void* e : model)
      if (std::find(firsts.begin(), firsts.end(), e) == firsts.end()) firsts.push_back(e);
    l.remove_dups();
    l.check_rep_invariants();
    ASSERT_EQ(walk(l), firsts);
    delete &l;
  }
}

TEST(ChainedListStorage, APositionPastTheLastBlockIsAnInternalError) {
  dv_list& l = new_list();
  for (int i = 0; i < 20; ++i) l.insert(el(i));
  const unsigned in_blocks = 20 - l.local_card();
  unsigned past = in_blocks;
  std::string raised = dv_test::thrown_by([&] { l.next_block()->block_containing_nth(l, past); });
  EXPECT_NE(raised.find("coll internal error"), std::string::npos) << raised;
  unsigned last = in_blocks - 1;
  dv_chained_list_block* b = l.next_block()->block_containing_nth(l, last);
  EXPECT_EQ(b, l.find_last_block());
  EXPECT_EQ(b->retrieve(last), el(19));
  delete &l;
}

// ---- the index list ------------------------------------------------------------------------------

// Counts what the transient delete function is handed (and frees it).
std::vector<void*> transient_frees;
void counting_delete(void* p) {
  transient_frees.push_back(p);
  std::free(p);
}

TEST(ChainedListIndexes, AListWithAnIndexListWorksChecksAndFreesIt) {
  durnavel::initialize();  // the transient delete function is used once the runtime is up
  dv_list& l = new_list();
  auto* indexes = new _Indexes;
  l.indexes() = indexes;
  EXPECT_EQ(l.has_indexes(), 1);
  // Every kind of change runs its index upkeep; the list stays as a vector
  // model says.
  std::vector<void*> model;
  for (int i = 0; i < 12; ++i) {
    l.insert(el(i));
    model.push_back(el(i));
  }
  l.insert_first(el(20));
  model.insert(model.begin(), el(20));
  l.insert_after(el(21), 5u);
  model.insert(model.begin() + 6, el(21));
  l.insert_before(el(22), 9u);
  model.insert(model.begin() + 9, el(22));
  EXPECT_EQ(l.replace_at(el(23), 2u), model[2]);
  model[2] = el(23);
  {
    dv_cursor c(l);
    for (int i = 0; i < 7; ++i) c.next();
    l.insert_before(el(24), c);
    l.insert_after(el(25), c);
    EXPECT_EQ(l.replace_at(el(26), c), model[7]);
    model[7] = el(26);
    model.insert(model.begin() + 8, el(25));
    model.insert(model.begin() + 7, el(24));
    l.remove_at(c);
    model.erase(model.begin() + 8);
  }
  EXPECT_EQ(l.remove(el(4)), 1);
  model.erase(std::find(model.begin(), model.end(), el(4)));
  l.remove_at(3u);
  model.erase(model.begin() + 3);
  l.check_rep_invariants();
  EXPECT_EQ(walk(l), model);
  l.clear();
  EXPECT_EQ(l.cardinality(), 0u);
  EXPECT_EQ(l.indexes(), indexes);
  for (int i = 0; i < 9; ++i) l.insert(el(i));
  l.check_rep_invariants();
  // Destroying the list frees its index list.
  transient_frees.clear();
  transient_frees.reserve(64);
  durnavel::set_transient_delete_function(counting_delete);
  delete &l;
  durnavel::set_transient_delete_function(nullptr);
  EXPECT_NE(std::find(transient_frees.begin(), transient_frees.end(), indexes), transient_frees.end());
}

void* next_int(void* value) { return static_cast<int*>(value) + 1; }
void* follow(void* value) { return *static_cast<void**>(value); }

TEST(ChainedListIndexes, AValueIsMappedToItsElementThroughThePathChainInOrder) {
  void* links[2] = {el(5), el(7)};
  const _Index_path_link then_next{next_int, nullptr};
  const _Index_path_link follow_then_next{follow, &then_next};
  const _Index_path_link then_follow{follow, nullptr};
  const _Index_path_link next_then_follow{next_int, &then_follow};
  struct Row {
    const _Index_path_link* chain;
    void* element;
  } rows[] = {{nullptr, links}, {&then_follow, el(5)}, {&follow_then_next, el(6)}, {&next_then_follow, el(7)}};
  for (const Row& r : rows) EXPECT_EQ(_index_value_to_element(links, r.chain), r.element);
}

}  // namespace
