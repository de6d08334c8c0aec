// Guards large objects and the large-object map: the map entries of a
// region, freeing into the free-region vector and its growth, reuse of a
// free region by a later large object (also near a hint), splitting it back
// into single pages for small objects, refused frees inside a large object,
// the in-memory page set growing with the database, and the map's own slot
// tables living in the database.
#include <gtest/gtest.h>

#include "alloc_test_db.h"
#include "large_object_map.h"
#include "page_group.h"
#include "type_manager.h"

using namespace dv_qem;
using alloc_test::test_db;

namespace {

// A large char array that takes exactly n_pages pages.
char* new_pages(_DB_allocator& a, dv4u n_pages, dv4u group = user_page_group) {
  dv4u n = n_pages * DV_PAGE_SIZE - PAGE_HEADER_SIZE - OBJECT_HEADER_SIZE;
  return static_cast<char*>(a.allocate(n, dv_typespec::get_char(), n, group));
}

char* region_of(char* object) { return object - PAGE_HEADER_SIZE - OBJECT_HEADER_SIZE; }

bool is_free_region(_DB_allocator& a, const char* region, dv4u group = user_page_group) {
  _Bit_vector* v = a.group(group).free_regions();
  dv4u n = a.page_number(region);
  return v != nullptr && n < v->n_bits && v->test(n);
}

}  // namespace

TEST(LargeObjects, EveryPageOfTheRegionMapsToTheObject) {
  test_db db;
  _DB_allocator& a = db.create();
  char* object = new_pages(a, 3);
  char* region = region_of(object);
  EXPECT_EQ(a.page_number(region), 1u);
  for (dv4u i = 0; i < 3; ++i) EXPECT_EQ(a.large_object_at(region + i * DV_PAGE_SIZE), object);
  EXPECT_EQ(a.large_object_at(region + 3 * DV_PAGE_SIZE), nullptr);
  EXPECT_EQ(a.large_object_at(db.start()), nullptr);
  EXPECT_EQ(a.large_object_pages(object), 3u);
  EXPECT_EQ(a.large_objects().entries(), 3u);
  // The region is one entry of the group's list, in no size class.
  EXPECT_EQ(a.group(user_page_group).desc().n_pages, 1u);
  for (unsigned c = 0; c < N_SIZE_CLASSES; ++c) EXPECT_EQ(a.group(user_page_group).class_vector(c)->count, 0u);
  a.self_check();
}

TEST(LargeObjects, GrowthTakesExactlyTheRegionsPages) {
  test_db db;
  _DB_allocator& a = db.create();
  new_pages(a, 5);
  EXPECT_EQ(db.pages(), 6u);
  // Room is asked for 5 + ((5 + 6) / 32) x 8 = 5 more pages: a database
  // with room for fewer refuses.
  test_db tight("tight.db", 7 * DV_PAGE_SIZE);
  _DB_allocator& t = tight.create();
  new_pages(t, 5);
  EXPECT_THROW(new_pages(t, 2), dv_err_address_space_exhausted);
  t.self_check();
}

TEST(LargeObjects, FreeingMarksTheFirstPageAndKeepsTheMap) {
  test_db db;
  _DB_allocator& a = db.create();
  char* object = new_pages(a, 3);
  a.free(object);
  char* region = region_of(object);
  EXPECT_TRUE(is_free_region(a, region));
  EXPECT_EQ(a.group(user_page_group).free_regions()->count, 1u);
  EXPECT_EQ(a.large_object_at(region + DV_PAGE_SIZE), object);
  EXPECT_EQ(a.large_object_pages(object), 3u);
  EXPECT_THROW(a.free(object), dv_err_heap_corruption);
  a.self_check();
}

TEST(LargeObjects, ALaterLargeObjectReusesAFreeRegion) {
  test_db db;
  _DB_allocator& a = db.create();
  char* first = new_pages(a, 3);
  a.free(first);
  dv4u pages = db.pages();
  char* same = new_pages(a, 3);
  EXPECT_EQ(same, first);
  EXPECT_FALSE(is_free_region(a, region_of(first)));
  a.free(same);
  // Fewer pages fit the same region, which keeps all its pages.
  char* smaller = new_pages(a, 2);
  EXPECT_EQ(smaller, first);
  EXPECT_EQ(a.large_object_pages(smaller), 3u);
  EXPECT_EQ(db.pages(), pages);
  a.self_check();
  a.free(smaller);
  // More pages do not fit: a new region.
  char* larger = new_pages(a, 4);
  EXPECT_NE(larger, first);
  EXPECT_TRUE(is_free_region(a, region_of(first)));
  a.self_check();
}

TEST(LargeObjects, AHintInAFreeRegionIsTriedFirst) {
  test_db db;
  _DB_allocator& a = db.create();
  char* first = new_pages(a, 3);
  char* second = new_pages(a, 3);
  a.free(first);
  a.free(second);
  dv4u n = 3 * DV_PAGE_SIZE - 32;
  void* near_second = a.allocate_near(n, dv_typespec::get_char(), n, second + 5000, user_page_group);
  EXPECT_EQ(near_second, second);
  void* anywhere = a.allocate(n, dv_typespec::get_char(), n, user_page_group);
  EXPECT_EQ(anywhere, first);
  a.self_check();
}

TEST(LargeObjects, ASmallObjectSplitsAFreeRegionIntoPages) {
  test_db db;
  _DB_allocator& a = db.create();
  char* object = new_pages(a, 3);
  char* region = region_of(object);
  a.free(object);
  void* small = a.allocate(100, dv_typespec::get_char(), 100, user_page_group);
  EXPECT_EQ(a.page_number(small), a.page_number(region));
  EXPECT_EQ(db.pages(), 4u);  // no growth
  EXPECT_FALSE(is_free_region(a, region));
  for (dv4u i = 0; i < 3; ++i) EXPECT_EQ(a.large_object_at(region + i * DV_PAGE_SIZE), nullptr);
  EXPECT_EQ(a.large_objects().entries(), 0u);
  EXPECT_EQ(a.group(user_page_group).desc().n_pages, 3u);
  EXPECT_EQ(a.group(user_page_group).current, a.heap_of_page(region));
  // The other two pages serve further objects without growth.
  for (int i = 0; i < 2; ++i) a.allocate(4000, dv_typespec::get_char(), 4000, user_page_group);
  EXPECT_EQ(db.pages(), 4u);
  a.self_check();
}

TEST(LargeObjects, AnAddressInsideALargeObjectCanNotBeFreed) {
  test_db db;
  _DB_allocator& a = db.create();
  char* object = new_pages(a, 2);
  for (char* inside : {object + 8, object + DV_PAGE_SIZE}) {
    try {
      a.free(inside);
      ADD_FAILURE();
    } catch (const dv_err& e) {
      EXPECT_STREQ(e.get_report(), "dv_err - Attempt to pass an invalid address to free");
    }
  }
  a.self_check();
}

TEST(LargeObjects, TheFreeRegionVectorGrowsToFitThePage) {
  // The vector is made with 128 bits; a page beyond it doubles the
  // capacity, or takes twice the page number when that is larger.
  enum fit { as_made, doubled, twice_the_page };
  struct row {
    dv4u pages_before;  // pages of a large object allocated first
    fit expected;
  } rows[] = {{1, as_made}, {130, doubled}, {299, twice_the_page}};
  for (const row& r : rows) {
    SCOPED_TRACE(r.pages_before);
    test_db db;
    _DB_allocator& a = db.create();
    if (r.pages_before > 1) new_pages(a, r.pages_before);
    char* object = new_pages(a, 2);
    dv4u n = a.page_number(region_of(object));
    a.free(object);
    _Bit_vector* v = a.group(user_page_group).free_regions();
    switch (r.expected) {
      case as_made:
        ASSERT_LT(n, 128u);
        EXPECT_EQ(v->n_bits, 128u);
        break;
      case doubled:
        ASSERT_TRUE(n >= 128 && n < 256) << n;
        EXPECT_EQ(v->n_bits, 256u);
        break;
      case twice_the_page:
        ASSERT_GE(n, 256u);
        EXPECT_EQ(v->n_bits, _Bit_vector::capacity_for(2 * n));
        break;
    }
    EXPECT_TRUE(v->test(n));
    a.self_check();
  }
}

TEST(LargeObjects, SystemGroupRegions) {
  test_db db;
  _DB_allocator& a = db.create();
  char* object = new_pages(a, 2, system_page_group);
  EXPECT_EQ(a.heap_of_page(region_of(object))->page_group(), system_page_group);
  a.free(object);
  EXPECT_TRUE(is_free_region(a, region_of(object), system_page_group));
  EXPECT_EQ(new_pages(a, 2, system_page_group), object);
  a.self_check();
}

TEST(LargeObjects, TheInMemorySetGrowsWithTheDatabase) {
  // A small database (an in-memory set of 64 pages) into which far more
  // pages come.
  test_db db;
  _DB_allocator& a = db.create();
  char* object = new_pages(a, 150);
  for (int i = 0; i < 20; ++i) a.allocate(4000, dv_typespec::get_char(), 4000, user_page_group);
  a.page_fetched(db.page(db.pages() - 1));
  a.free(object);
  EXPECT_EQ(new_pages(a, 150), object);
  a.self_check();
  _DB_allocator& reopened = db.reopen();
  reopened.self_check();
}

TEST(LargeObjects, TheMapKeepsItsSlotTablesInTheSystemGroup) {
  test_db db;
  _DB_allocator& a = db.create();
  std::vector<char*> objects;
  for (int i = 0; i < 12; ++i) objects.push_back(new_pages(a, 2));
  _DB_large_object_hash& map = a.large_objects().hash();
  EXPECT_EQ(map.cardinality(), 24u);
  EXPECT_GT(map.table_size(), 11u);  // reorganised, the old tables freed
  // Its table: an array of the pointer-key slot type with a vector header.
  _DB_allocator::object_info info;
  auto* header = reinterpret_cast<const _Chash_header*>(&map);
  char* slots = resolve_self_relative(&header->slots);
  ASSERT_TRUE(a.object_at(slots, info));
  EXPECT_STREQ(info.ts->get_name(), "_Chash_slot<_DB_relative_offset<char,dv_int32> >");
  EXPECT_EQ(info.count, map.table_size());
  EXPECT_TRUE(info.block->has_vector_header());
  EXPECT_EQ(a.heap_of_page(a.page_address(a.page_number(slots)))->page_group(), system_page_group);
  a.self_check();
  // Removing shrinks it again.
  for (int i = 0; i < 12; ++i) {
    a.free(objects[i]);
    // Two page-filling objects: the first splits the freed region, the
    // second fills its other page.
    for (int j = 0; j < 2; ++j) a.allocate(4000, dv_typespec::get_char(), 4000, user_page_group);
  }
  EXPECT_EQ(map.cardinality(), 0u);
  a.self_check();
}

TEST(LargeObjects, SelfCheckFindsAMapEntryForNoRegion) {
  test_db db;
  _DB_allocator& a = db.create();
  void* small = a.allocate(100, dv_typespec::get_char(), 100, user_page_group);
  char* page = a.page_address(a.page_number(small));
  a.large_objects().hash().insert(page, page + 32);
  EXPECT_THROW(a.self_check(), dv_err_heap_corruption);
}

// The check of chosen pages takes a region's tail page for its whole region,
// and finds damage on a chosen page's heap but not on a page not chosen.
TEST(LargeObjects, TheCheckOfChosenPagesCoversTheirHeapsOnly) {
  test_db db;
  _DB_allocator& a = db.create();
  char* region = region_of(new_pages(a, 3));
  char* small = static_cast<char*>(a.allocate(100, dv_typespec::get_char(), 100, user_page_group));
  char* page = a.page_address(a.page_number(small));
  char* other = a.page_address(a.page_number(
      static_cast<char*>(a.allocate(4000, dv_typespec::get_char(), 4000, user_page_group))));
  ASSERT_NE(page, other);
  a.self_check_heaps_of({region + 2 * DV_PAGE_SIZE, page, other});

  // The page marked in one more size class than its own.
  _Page_group& g = a.group(user_page_group);
  const dv4u n = a.page_number(page);
  unsigned wrong = 0;
  while (n < g.class_vector(wrong)->n_bits && g.class_vector(wrong)->test(n)) ++wrong;
  g.class_vector(wrong)->set(n);
  EXPECT_NO_THROW(a.self_check_heaps_of({region + DV_PAGE_SIZE, other}));
  EXPECT_THROW(a.self_check_heaps_of({page}), dv_err_heap_corruption);
  EXPECT_THROW(a.self_check(), dv_err_heap_corruption);
  g.class_vector(wrong)->clear(n);
  a.self_check();
}
