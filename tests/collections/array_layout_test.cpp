// Guards the packed list behind dv_Array: its stored layout and free-run
// marks, capacities and growth by half, positional edge cases, nulls and
// duplicates, removal by value, the error texts and that checks run before
// any change, creation by kind and by the array statics, set_cardinality.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dv_array.h"
#include "dv_coll_err.h"
#include "dv_coll_typed.h"
#include "dv_outofline_collection.h"
#include "dv_thrown_by.h"

using namespace dv_qem;

namespace {

int objects[16];
void* el(int i) { return &objects[i]; }

dv_database* transient() { return dv_database::get_transient_database(); }

// The array's elements in order.
std::vector<void*> elements(const dv_collection& c) {
  std::vector<void*> out;
  for (unsigned i = 0; i < c.cardinality(); ++i) out.push_back(c.retrieve(i));
  return out;
}

using dv_test::thrown_by;

// The stored words of the list and of its slot array, read as the file holds them.
struct stored_view {
  explicit stored_view(const dv_array& a) : words(reinterpret_cast<const dv4u*>(&a)) {}
  dv4u cardinality() const { return words[1]; }
  dv4u capacity() const { return words[2]; }
  const dv4u* slots() const { return reinterpret_cast<const dv4u*>(words[3]); }
  dv4u high_water() const { return words[4]; }
  dv4u indexes() const { return words[5]; }
  dv4u half_capacity() const { return words[6]; }
  dv4u count_word() const { return slots()[-1]; }
  dv4u slot_word(unsigned i) const { return slots()[i]; }
  dv4u slot_address(unsigned i) const { return static_cast<dv4u>(reinterpret_cast<std::uintptr_t>(slots() + i)); }
  const dv4u* words;
};

class ArrayTest : public ::testing::Test {
 protected:
  ~ArrayTest() override {
    if (a_ != nullptr) delete a_;
  }
  dv_array& make(unsigned expected = 0, unsigned count = 0, const void* fill = nullptr) {
    a_ = &dv_array::create(transient(), 0x1a, expected, count, fill);
    return *a_;
  }
  dv_array* a_ = nullptr;
};

TEST_F(ArrayTest, IdentityAndBehaviour) {
  dv_array& a = make();
  EXPECT_EQ(a.get_behavior(), 0x1au);
  EXPECT_STREQ(a.rep_name(), "dv_packed_list");
  EXPECT_EQ(a._rep_enum(), 1);
  EXPECT_EQ(a._fast_count(), 0);
  EXPECT_EQ(a.has_indexes(), 0);
  EXPECT_EQ(a.indexes(), nullptr);
  EXPECT_EQ(a.check_for_duplicates(), 0);
  EXPECT_STREQ(dv_array::get_dv_typespec()->get_name(), "dv_qem::dv_array");
  EXPECT_STREQ(dv_packed_list::get_dv_typespec()->get_name(), "dv_qem::dv_packed_list");
  EXPECT_EQ(&static_cast<dv_collection&>(a).operator dv_array&(), &a);
}

TEST_F(ArrayTest, StoredLayoutAndFreeRunMarks) {
  dv_array& a = make();
  stored_view v(a);
  EXPECT_EQ(v.cardinality(), 0u);
  EXPECT_EQ(v.capacity(), 5u);
  EXPECT_EQ(v.count_word(), 5u);
  EXPECT_EQ(v.half_capacity(), 2u);
  EXPECT_EQ(v.high_water(), 0u);
  EXPECT_EQ(v.indexes(), 0u);
  // The whole array is one free run: slot 0 points at slot 4 and back.
  EXPECT_EQ(v.slot_word(0), v.slot_address(4));
  EXPECT_EQ(v.slot_word(4), v.slot_address(0));
  a.insert(el(1));
  a.insert(nullptr);
  EXPECT_EQ(v.cardinality(), 2u);
  EXPECT_EQ(v.high_water(), v.slot_address(1));
  EXPECT_EQ(v.slot_word(1), 0u);  // the null element
  EXPECT_EQ(v.slot_word(2), v.slot_address(4));
  EXPECT_EQ(v.slot_word(4), v.slot_address(2));
  a.insert(el(2));
  a.insert(el(3));
  EXPECT_EQ(v.slot_word(4), v.slot_address(4));  // a run of one slot points at itself
  a.insert(el(4));
  EXPECT_EQ(v.slot_word(4), reinterpret_cast<std::uintptr_t>(el(4)));
  a.remove_at(0u);  // the freed last slot becomes a run of one again
  EXPECT_EQ(v.slot_word(4), v.slot_address(4));
  EXPECT_EQ(v.high_water(), v.slot_address(3));
  a.check_rep_invariants();
}

TEST_F(ArrayTest, CapacityAndGrowthByHalf) {
  struct Row {
    unsigned expected, inserts, capacity;
  } rows[] = {
      {0, 0, 5}, {1, 0, 5}, {4, 0, 5}, {5, 5, 5}, {0, 6, 7}, {0, 7, 7}, {0, 8, 10}, {0, 11, 15}, {12, 3, 12}, {12, 13, 18},
  };
  for (const Row& r : rows) {
    dv_array& a = dv_array::create(transient(), 0x1a, r.expected);
    for (unsigned i = 0; i < r.inserts; ++i) a.insert(el(i % 16));
    EXPECT_EQ(a.capacity(), r.capacity) << r.expected << " then " << r.inserts;
    stored_view v(a);
    EXPECT_EQ(v.count_word(), r.capacity);
    EXPECT_EQ(v.half_capacity(), r.capacity / 2);
    EXPECT_EQ(a.cardinality(), r.inserts);
    for (unsigned i = 0; i < r.inserts; ++i) EXPECT_EQ(a.retrieve(i), el(i % 16));
    a.check_rep_invariants();
    delete &a;
  }
}

TEST_F(ArrayTest, ExplicitGrowthAndReinitialize) {
  dv_array& a = make(0, 6, el(1));
  EXPECT_EQ(thrown_by([&] { a.grow(3); }),
            "dv_err_coll_illegal_arg - <err-0024-1915>size specified for growth(5) < collection cardinality(6)");
  EXPECT_EQ(thrown_by([&] { a.grow(6); }), "dv_err_coll_internal - coll internal error");
  EXPECT_EQ(a.capacity(), 6u);
  a.grow(40);
  EXPECT_EQ(a.capacity(), 40u);
  EXPECT_EQ(elements(a), std::vector<void*>(6, el(1)));
  a._re_initialize(20);  // not empty: nothing happens
  EXPECT_EQ(a.capacity(), 40u);
  a.clear();
  a._re_initialize(20);
  EXPECT_EQ(a.capacity(), 20u);
  a._re_initialize(2);
  EXPECT_EQ(a.capacity(), 5u);
  a.check_rep_invariants();
}

TEST_F(ArrayTest, PositionalEdgeCases) {
  dv_array& a = make();
  EXPECT_NE(thrown_by([&] { a.insert_before(el(1), 0u); }), "");
  EXPECT_NE(thrown_by([&] { a.insert_after(el(1), 0u); }), "");
  a.insert_first(el(1));
  a.insert_before(el(2), 1u);  // at the cardinality: appends
  a.insert_before(el(3), 0u);
  a.insert_after(el(4), 0u);
  a.insert_after(el(5), 3u);
  EXPECT_EQ(elements(a), (std::vector<void*>{el(3), el(4), el(1), el(2), el(5)}));
  EXPECT_EQ(a.replace_at(nullptr, 2u), el(1));
  EXPECT_EQ(a.retrieve(2u), nullptr);
  EXPECT_EQ(a.retrieve_first(), el(3));
  EXPECT_EQ(a.retrieve_last(), el(5));
  a.check_rep_invariants();
}

TEST_F(ArrayTest, NullsAndDuplicatesAreKept) {
  dv_array& a = make();
  for (void* e : std::vector<void*>{el(1), nullptr, el(1), el(1), nullptr, el(2), el(1)}) a.insert(e);
  EXPECT_EQ(a.count(el(1)), 4);
  EXPECT_EQ(a.count(nullptr), 2);
  EXPECT_EQ(a.contains(nullptr), 1);
  EXPECT_EQ(a.remove(nullptr), 1);
  EXPECT_EQ(elements(a), (std::vector<void*>{el(1), el(1), el(1), nullptr, el(2), el(1)}));
  EXPECT_EQ(a._remove_all(el(1)), 1);  // adjacent copies included
  EXPECT_EQ(elements(a), (std::vector<void*>{nullptr, el(2)}));
  EXPECT_EQ(a._remove_all(el(1)), 0);
  EXPECT_EQ(a.remove(el(9)), 0);
  a.check_rep_invariants();
}

TEST_F(ArrayTest, EmptyListAnswers) {
  dv_array& a = make();
  const void* out = el(7);
  EXPECT_EQ(a.remove_first(out), 0);
  EXPECT_EQ(out, el(7));  // untouched
  EXPECT_EQ(a.remove_last(out), 0);
  EXPECT_EQ(a.retrieve_first(out), 0);
  EXPECT_EQ(out, nullptr);
  out = el(7);
  EXPECT_EQ(a.retrieve_last(out), 0);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(a._pick(), nullptr);
  EXPECT_EQ(a._only(), nullptr);
  EXPECT_EQ(a.empty(), 1);
  a.check_rep_invariants();
  a.insert(el(3));
  EXPECT_EQ(a.only(), el(3));
  EXPECT_EQ(a.remove_last(out), 1);
  EXPECT_EQ(out, el(3));
}

TEST_F(ArrayTest, OutOfRangeTextsAndNoChange) {
  dv_array& a = make(0, 2, el(1));
  struct Row {
    const char* name;
    void (*op)(dv_array&);
    const char* text;
  } rows[] = {
      {"insert_after", [](dv_array& x) { x.insert_after(el(2), 2u); },
       "<err-0024-1950>subscript 2 out of range in insert_after (cardinality = 2)"},
      {"insert_before", [](dv_array& x) { x.insert_before(el(2), 3u); },
       "<err-0024-1945>subscript 3 out of range in insert_before (cardinality = 2)"},
      {"remove_at", [](dv_array& x) { x.remove_at(2u); },
       "<err-0024-1965>subscript 2 out of range in remove_at (cardinality = 2)"},
      {"replace_at", [](dv_array& x) { (void)x.replace_at(el(2), 7u); },
       "<err-0024-1980>subscript 7 out of range in replace_at (cardinality = 2)"},
      {"retrieve", [](dv_array& x) { (void)x.retrieve(2u); },
       "<err-0024-1985>subscript 2 out of range in retrieve (cardinality = 2)"},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(thrown_by([&] { r.op(a); }), std::string("dv_err_coll_out_of_range - ") + r.text) << r.name;
    EXPECT_EQ(elements(a), (std::vector<void*>{el(1), el(1)})) << r.name;
    a.check_rep_invariants();
  }
}

TEST_F(ArrayTest, SetCardinality) {
  dv_array& a = make(0, 5, el(1));
  a.set_cardinality(3, el(2));
  EXPECT_EQ(elements(a), std::vector<void*>(3, el(1)));
  a.set_cardinality(7, el(2));
  EXPECT_EQ(elements(a), (std::vector<void*>{el(1), el(1), el(1), el(2), el(2), el(2), el(2)}));
  a.set_cardinality(0, nullptr);
  EXPECT_EQ(a.cardinality(), 0u);
  a.check_rep_invariants();
}

TEST_F(ArrayTest, SelfAssignmentKeepsTheElements) {
  dv_array& a = make(0, 3, el(1));
  dv_packed_list& same = a;
  same = same;
  same = static_cast<const dv_collection&>(a);
  EXPECT_EQ(elements(a), std::vector<void*>(3, el(1)));
}

TEST(ArrayCreation, ByKindAndFacade) {
  dv_collection& c = dv_collection::create(transient(), 0x18, 3);
  EXPECT_STREQ(c.rep_name(), "dv_packed_list");
  dv_collection::destroy(c);
  int fill = 0;
  struct Row {
    unsigned expected, count, capacity;
  } rows[] = {{4, 10, 10}, {20, 10, 20}, {0, 0, 5}};
  for (const Row& r : rows) {
    dv_Array<int>& f = dv_Array<int>::create(transient(), r.expected, r.count, &fill);
    EXPECT_EQ(f.cardinality(), r.count);
    EXPECT_EQ(f.count(&fill), static_cast<int>(r.count));
    EXPECT_EQ(static_cast<dv_array*>(f.get_outofline())->capacity(), r.capacity);
    delete &f;
  }
}

}  // namespace
