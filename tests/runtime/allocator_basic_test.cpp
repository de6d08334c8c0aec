// Guards the persistent allocator's small-object paths: the header a new
// database gets, the argument and size checks with their texts, rounding and
// vector headers, placement (hint page, current page, size classes, pages not
// in memory), growth sizes and growth failures, freeing, size-class
// resizing, the dump and the subsystem switches.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <typeinfo>
#include <utility>
#include <vector>

#include "address_word.h"
#include "alloc_test_db.h"
#include "chash_storage.h"
#include "page_group.h"
#include "self_relative.h"
#include "type_manager.h"

using namespace dv_qem;
using alloc_test::sized_type;
using alloc_test::test_db;

namespace {

_Page_header* heap_of(_DB_allocator& a, const void* object) {
  return a.heap_of_page(a.page_address(a.page_number(object)));
}

dv4u block_size_of(_DB_allocator& a, void* object) {
  _DB_allocator::object_info info;
  EXPECT_TRUE(a.object_at(object, info));
  return info.block->block_size(a.types());
}

void* new_chars(_DB_allocator& a, dv4u n, dv4u group = user_page_group) {
  return a.allocate(n, dv_typespec::get_char(), n, group);
}

}  // namespace

TEST(AllocatorCreate, BuildsTheHeaderAndBothGroups) {
  test_db db;
  _DB_allocator& a = db.create();
  _DB_header* h = db.header();
  EXPECT_EQ(h->highest_tag, 23u);
  EXPECT_EQ(h->roots, 0);
  EXPECT_EQ(h->type_info_oflo, 0);
  EXPECT_NE(h->large_object_map, 0);
  EXPECT_EQ(h->schema_paths, 0);
  EXPECT_EQ(h->schema_path_capacity, 0u);
  EXPECT_EQ(h->n_schema_paths, 0u);
  EXPECT_EQ(h->super.db_size, DV_PAGE_SIZE);
  // The one start kept is the one the database was made at.
  EXPECT_EQ(h->n_starts, 1u);
  EXPECT_EQ(h->starts[0], h->super.as_start);
  for (dv4u i = 1; i < DB_KEPT_STARTS; ++i) ASSERT_EQ(h->starts[i], 0u);
  for (const _Pers_type_info& slot : h->type_slots) ASSERT_EQ(slot.tag, 0);

  const dv4u limits[] = {16, 32, 64, 128, 256, 1024, 2048, 4064};
  for (dv4u g = 0; g < 2; ++g) {
    const _Page_group_desc& d = h->groups[g];
    EXPECT_EQ(d.group, g);
    EXPECT_EQ(d.flags, 0u);
    EXPECT_EQ(d.free_page_bv, 0);
    for (unsigned c = 0; c < N_SIZE_CLASSES; ++c) {
      EXPECT_EQ(d.size_class_limit[c], limits[c]);
      auto* v = reinterpret_cast<_Bit_vector*>(resolve_self_relative(&d.size_class_bv[c]));
      EXPECT_EQ(v->n_bits, 128u);
      // Every size-class vector lives on page 0: 24 bytes of "unsigned int".
      _DB_allocator::object_info info;
      ASSERT_TRUE(a.object_at(v, info));
      EXPECT_EQ(a.page_number(v), 0u);
      EXPECT_STREQ(info.ts->get_name(), "unsigned int");
      EXPECT_EQ(info.count, 6u);
    }
  }
  EXPECT_EQ(h->groups[0].n_pages, 1u);
  EXPECT_EQ(resolve_self_relative(&h->groups[0].first_page), db.start() + DB_HEADER_SIZE);
  EXPECT_EQ(h->groups[1].n_pages, 0u);
  EXPECT_EQ(h->groups[1].first_page, 0);
  // Page 0 sits in the class of its largest free payload.
  _Page_group& system = a.group(system_page_group);
  unsigned c = system.class_of(a.heap_of_page(db.start())->largest_free());
  EXPECT_TRUE(system.class_vector(c)->test(0));
  EXPECT_EQ(system.class_vector(c)->count, 1u);
  a.self_check();
}

TEST(AllocatorCreate, AnotherAllocatorOverTheImageSeesTheSameDatabase) {
  test_db db;
  _DB_allocator& a = db.create();
  void* object = new_chars(a, 100);
  _DB_allocator& b = db.reopen();
  _DB_allocator::object_info info;
  ASSERT_TRUE(b.object_at(object, info));
  EXPECT_EQ(info.count, 100u);
  b.self_check();
}

TEST(AllocatorCreate, AnAddressFindsItsAllocator) {
  test_db db;
  _DB_allocator& a = db.create();
  void* object = new_chars(a, 10);
  static int transient;
  EXPECT_EQ(_DB_allocator::serving(object), &a);
  EXPECT_EQ(_DB_allocator::serving(&transient), nullptr);
  EXPECT_EQ(_DB_allocator::serving(db.start() + 1000 * DV_PAGE_SIZE), nullptr);  // past the image
  EXPECT_TRUE(_Chash_owner_is_persistent(object));
  EXPECT_FALSE(_Chash_owner_is_persistent(&transient));
  // Also while no database object names it (a database still being made).
  db.dvdb()->set_allocator(nullptr);
  EXPECT_EQ(_DB_allocator::serving(object), &a);
  db.dvdb()->set_allocator(&a);
}

struct size_case {
  dv4u type_size;
  dv4u count;
  size_t size;
  bool accepted;
  bool vector_header;
  const char* message;
};

TEST(AllocatorArguments, SizeAgainstTypespecAndCount) {
  const size_case cases[] = {
      {12, 0, 12, true, false, nullptr},
      {12, 3, 36, true, false, nullptr},
      {12, 3, 40, true, true, nullptr},
      {12, 3, 38,  false, false,
       "dv_err_operator_new_args - Error detected in array size.  The compiler is trying to allocate "
       "38 bytes, but the count/typespec given to persistent new requires 36 bytes."},
      {12, 3, 44, false, false,
       "dv_err_operator_new_args - Error detected in array size.  The compiler is trying to allocate "
       "44 bytes, but the count/typespec given to persistent new requires 36 bytes."},
      {12, 0, 16, false, false,
       "dv_err_operator_new_args - Error detected in object size.  The compiler is trying to allocate "
       "16 bytes, but the typespec given to persistent new requires 12 bytes."},
  };
  test_db db;
  _DB_allocator& a = db.create();
  sized_type twelve("Twelve", 12);
  for (const size_case& c : cases) {
    SCOPED_TRACE(c.size);
    if (c.accepted) {
      void* p = a.allocate(c.size, twelve.ts(), c.count, user_page_group);
      _DB_allocator::object_info info;
      ASSERT_TRUE(a.object_at(static_cast<char*>(p) + (c.vector_header ? 4 : 0), info));
      EXPECT_EQ(info.block->has_vector_header(), c.vector_header);
      EXPECT_EQ(info.count, c.count);
      EXPECT_EQ(info.object, static_cast<char*>(p) + (c.vector_header ? 4 : 0));
    } else {
      dv4u before = a.size();
      try {
        a.allocate(c.size, twelve.ts(), c.count, user_page_group);
        ADD_FAILURE() << "accepted";
      } catch (const dv_err_operator_new_args& e) {
        EXPECT_STREQ(e.get_report(), c.message);
      }
      EXPECT_EQ(a.size(), before);
    }
  }
  a.self_check();
}

TEST(AllocatorArguments, NullTypespec) {
  test_db db;
  _DB_allocator& a = db.create();
  const char* text = "A non-null dv_typespec* argument must be supplied for persistent allocation";
  try {
    a.allocate(8, nullptr, 0, user_page_group);
    ADD_FAILURE();
  } catch (const dv_err_operator_new_args& e) {
    EXPECT_EQ(std::string(e.get_report()), std::string("dv_err_operator_new_args - ") + text);
  }
  try {
    a.allocate_near(8, nullptr, 0, db.start(), user_page_group);
    ADD_FAILURE();
  } catch (const dv_err& e) {
    EXPECT_EQ(typeid(e), typeid(dv_err));
    EXPECT_EQ(std::string(e.get_report()), std::string("dv_err - ") + text);
  }
}

TEST(AllocatorArguments, RoundsLikeThePageHeap) {
  struct row {
    dv4u bytes;
    dv4u block;
  } rows[] = {{1, 8}, {7, 8}, {8, 8}, {9, 16}, {16, 16}, {17, 24}};
  test_db db;
  _DB_allocator& a = db.create();
  for (const row& r : rows) {
    void* p = new_chars(a, r.bytes);
    EXPECT_EQ(block_size_of(a, p), r.block) << r.bytes;
    EXPECT_EQ(reinterpret_cast<uintptr_t>(p) % 8, 0u);
  }
}

TEST(AllocatorArguments, ObjectsAreZeroed) {
  test_db db;
  _DB_allocator& a = db.create();
  auto* p = static_cast<unsigned char*>(new_chars(a, 200));
  std::memset(p, 0xEE, 200);
  a.free(p);
  auto* q = static_cast<unsigned char*>(new_chars(a, 200));
  for (int i = 0; i < 200; ++i) ASSERT_EQ(q[i], 0);
}

TEST(AllocatorPlacement, PageSizeMinus32FitsOnePageOneMoreTakesTwo) {
  test_db db;
  _DB_allocator& a = db.create();
  void* whole = new_chars(a, DV_PAGE_SIZE - 32);
  EXPECT_EQ(a.page_number(whole), 1u);
  EXPECT_EQ(a.large_object_at(a.page_address(1)), nullptr);
  EXPECT_EQ(heap_of(a, whole)->largest_free(), 0u);
  void* more = new_chars(a, DV_PAGE_SIZE - 31);
  EXPECT_EQ(a.large_object_at(a.page_address(a.page_number(more))), more);
  EXPECT_EQ(a.large_object_pages(static_cast<char*>(more)), 2u);
  EXPECT_EQ(db.pages(), 4u);
  a.self_check();
}

TEST(AllocatorPlacement, ConsecutiveObjectsShareTheCurrentPage) {
  test_db db;
  _DB_allocator& a = db.create();
  void* first = new_chars(a, 100);
  for (int i = 0; i < 20; ++i) EXPECT_EQ(a.page_number(new_chars(a, 100)), a.page_number(first));
  EXPECT_EQ(a.group(user_page_group).current, heap_of(a, first));
}

TEST(AllocatorPlacement, NearAHintOnTheHintsPage) {
  test_db db;
  _DB_allocator& a = db.create();
  // Three user pages, each nearly full, then room made on the first.
  void* pages[3];
  for (void*& p : pages) p = new_chars(a, 3000);
  for (void* p : pages) EXPECT_NE(a.page_number(p), 0u);
  void* near = a.allocate_near(200, dv_typespec::get_char(), 200, pages[0], user_page_group);
  EXPECT_EQ(a.page_number(near), a.page_number(pages[0]));
  EXPECT_EQ(a.group(user_page_group).current, heap_of(a, pages[0]));
  // A hint on a page of the other group is no hint.
  void* system = new_chars(a, 16, system_page_group);
  void* user = a.allocate_near(16, dv_typespec::get_char(), 16, system, user_page_group);
  EXPECT_NE(a.page_number(user), 0u);
  a.self_check();
}

TEST(AllocatorPlacement, PagesNotInMemoryAreFoundThroughTheSizeClasses) {
  test_db db;
  _DB_allocator& a = db.create();
  void* first = new_chars(a, 500);
  dv4u page = a.page_number(first);
  a.forget_page(a.page_address(page));
  EXPECT_EQ(a.group(user_page_group).current, nullptr);
  void* second = new_chars(a, 500);
  EXPECT_EQ(a.page_number(second), page);
  EXPECT_EQ(db.pages(), 2u);
}

TEST(AllocatorGrowth, FirstGrowthOfAOnePageDatabaseAddsOnePage) {
  test_db db;
  _DB_allocator& a = db.create();
  ASSERT_EQ(db.pages(), 1u);
  new_chars(a, 10);
  EXPECT_EQ(db.pages(), 2u);
  EXPECT_EQ(a.group(user_page_group).desc().n_pages, 1u);
}

// Fills the database with page-sized user objects until it has n pages, all
// of them full.
// (One object per page: growth adds 1 page at a time up to 31 pages, then
// 9, so 40 pages hold exactly 39 of them.)
void fill_to(test_db& db, _DB_allocator& a, dv4u n) {
  for (dv4u i = 0; i + 1 < n; ++i) new_chars(a, 4000);
  ASSERT_EQ(db.pages(), n);
}

TEST(AllocatorGrowth, EachSmallGrowthAddsAQuarterAndOnePage) {
  test_db db;
  _DB_allocator& a = db.create();
  std::vector<std::pair<dv4u, dv4u>> growths;  // (pages before, pages added)
  while (db.pages() < 60) {
    dv4u before = db.pages();
    new_chars(a, 4000);  // one page each: every page is full before the next one
    if (db.pages() != before) growths.emplace_back(before, db.pages() - before);
  }
  ASSERT_FALSE(growths.empty());
  EXPECT_EQ(growths.front(), std::make_pair(1u, 1u));
  bool saw_forty = false;
  for (auto [before, added] : growths) {
    EXPECT_EQ(added, (before + 1) / 32 * 8 + 1) << before;
    if (before == 40) saw_forty = (added == 9);
  }
  EXPECT_TRUE(saw_forty);
  a.self_check();
}

TEST(AllocatorGrowth, AStepAddsAtMostTheLargestGrowthStep) {
  test_db db;
  _DB_allocator& a = db.create();
  bool saw_bound = false;
  while (db.pages() < 300) {
    dv4u before = db.pages();
    new_chars(a, 4000);
    if (db.pages() == before) continue;
    dv4u quarter = (before + 1) / 32 * 8 + 1;
    EXPECT_EQ(db.pages() - before, quarter < MAX_GROWTH_STEP ? quarter : MAX_GROWTH_STEP) << before;
    saw_bound = saw_bound || quarter > MAX_GROWTH_STEP;
  }
  EXPECT_TRUE(saw_bound);
  a.self_check();
}

TEST(AllocatorGrowth, TheSystemGroupGrowsByAQuarterOfItself) {
  test_db db;
  _DB_allocator& a = db.create();
  while (db.pages() < 120) new_chars(a, 4000);
  _Page_group& system = a.group(system_page_group);
  std::vector<std::pair<dv4u, dv4u>> growths;  // (system pages before, pages added)
  while (system.desc().n_pages < 40) {
    dv4u before = db.pages();
    dv4u system_before = system.desc().n_pages;
    new_chars(a, 4000, system_page_group);
    if (db.pages() != before) growths.emplace_back(system_before, db.pages() - before);
  }
  ASSERT_FALSE(growths.empty());
  EXPECT_EQ(growths.front(), std::make_pair(1u, 1u));
  for (auto [before, added] : growths) EXPECT_EQ(added, (before + 1) / 32 * 8 + 1) << before;
  a.self_check();
}

TEST(AllocatorGrowth, RefusedRoomLeavesTheAllocatorUnchanged) {
  test_db db("small.db", 2 * DV_PAGE_SIZE);
  _DB_allocator& a = db.create();
  new_chars(a, 4000);
  ASSERT_EQ(db.pages(), 2u);
  _Page_group_desc before = a.group(user_page_group).desc();
  try {
    new_chars(a, 4000);
    ADD_FAILURE();
  } catch (const dv_err_address_space_exhausted& e) {
    EXPECT_STREQ(e.get_report(),
                 "dv_err_address_space_exhausted - Cannot grow address space for database small.db. "
                 "Allocating new page failed.");
  }
  EXPECT_EQ(db.pages(), 2u);
  EXPECT_EQ(std::memcmp(&before, &a.group(user_page_group).desc(), sizeof before), 0);
  a.self_check();
}

TEST(AllocatorGrowth, PagesGivenBeforeAGrowthFailureJoinTheGroup) {
  test_db db;
  _DB_allocator& a = db.create();
  fill_to(db, a, 40);  // the next growth asks for 9 pages
  db.fail_growth_after(4);
  EXPECT_THROW(new_chars(a, 100), dv_err_trans);
  EXPECT_EQ(db.pages(), 44u);
  EXPECT_EQ(a.group(user_page_group).desc().n_pages, 43u);
  a.self_check();
  db.fail_growth_after(-1);
  void* p = new_chars(a, 100);
  EXPECT_EQ(db.pages(), 44u);  // served by the pages kept
  EXPECT_GE(a.page_number(p), 40u);
  a.self_check();
}

TEST(AllocatorFree, SmallObjectsMoveTheirPageBetweenSizeClasses) {
  test_db db;
  _DB_allocator& a = db.create();
  _Page_group& user = a.group(user_page_group);
  void* big = new_chars(a, 3000);
  dv4u page = a.page_number(big);
  auto class_of_page = [&] {
    for (unsigned c = 0; c < N_SIZE_CLASSES; ++c)
      if (user.class_vector(c)->test(page)) return static_cast<int>(c);
    return -1;
  };
  EXPECT_EQ(class_of_page(), 6);  // 1056 bytes left: above 1024, at most 2048
  a.free(big);
  EXPECT_EQ(class_of_page(), 7);
  void* small = new_chars(a, 4050);
  EXPECT_EQ(class_of_page(), 0);
  a.free(small);
  EXPECT_EQ(class_of_page(), 7);
  a.self_check();
}

TEST(AllocatorFree, AClassBitOutOfPlaceStopsTheMove) {
  struct row {
    bool clear_old;  // else set the new class's bit too
    const char* text;
  } rows[] = {{true, "fpbv[old_bvnum].resolve()->is_set(pgnum)"},
              {false, "!fpbv[new_bvnum].resolve()->is_set(pgnum)"}};
  for (const row& r : rows) {
    test_db db;
    _DB_allocator& a = db.create();
    _Page_group& user = a.group(user_page_group);
    void* first = new_chars(a, 100);
    dv4u page = a.page_number(first);
    if (r.clear_old)
      user.class_vector(7)->clear(page);
    else
      user.class_vector(6)->set(page);
    try {
      new_chars(a, 2000);  // 3952 free bytes become 1944: class 7 to class 6
      ADD_FAILURE();
    } catch (const dv_err_internal& e) {
      EXPECT_NE(std::string(e.get_report()).find(std::string("Assertion \"") + r.text + "\" failed"),
                std::string::npos)
          << e.get_report();
    }
  }
}

TEST(AllocatorFree, RefusesAddressesThatAreNoObjects) {
  test_db db;
  _DB_allocator& a = db.create();
  char* p = static_cast<char*>(new_chars(a, 64));
  EXPECT_THROW(a.free(p + 8), dv_err_heap_corruption);
  try {
    a.free(db.start() + 100 * DV_PAGE_SIZE);
    ADD_FAILURE();
  } catch (const dv_err& e) {
    EXPECT_STREQ(e.get_report(), "dv_err - Attempt to pass an invalid address to free");
  }
  a.free(p);
  EXPECT_THROW(a.free(p), dv_err_heap_corruption);
  a.self_check();
}

TEST(AllocatorSizeClasses, VectorsGrowWithTheGroup) {
  test_db db;
  _DB_allocator& a = db.create();
  for (int i = 0; i < 120; ++i) new_chars(a, 4000);
  for (unsigned c = 0; c < N_SIZE_CLASSES; ++c) EXPECT_GT(a.group(user_page_group).class_vector(c)->n_bits, 128u);
  a.self_check();
}

TEST(AllocatorSizeClasses, SystemVectorsGrowWhileServingThemselves) {
  test_db db;
  _DB_allocator& a = db.create();
  for (int i = 0; i < 120; ++i) new_chars(a, 4000, system_page_group);
  EXPECT_GT(a.group(system_page_group).desc().n_pages, 96u);
  for (unsigned c = 0; c < N_SIZE_CLASSES; ++c)
    EXPECT_GT(a.group(system_page_group).class_vector(c)->n_bits, 128u);
  EXPECT_EQ(a.group(system_page_group).desc().flags, 0u);
  a.self_check();
  db.reopen().self_check();
}

TEST(AllocatorSelfCheck, FindsDamage) {
  struct row {
    const char* what;
    std::function<void(_DB_allocator&, char* object)> damage;
    int check;
  } rows[] = {
      {"page count", [](_DB_allocator& a, char*) { a.group(user_page_group).desc().n_pages += 1; }, 1},
      {"size class bit",
       [](_DB_allocator& a, char* object) {
         _Page_group& g = a.group(user_page_group);
         dv4u n = a.page_number(object);
         g.class_vector(g.class_of(heap_of(a, object)->largest_free()))->clear(n);
       },
       5},
      {"free region on a single page",
       [](_DB_allocator& a, char* object) {
         _Page_group& g = a.group(user_page_group);
         g.fit_free_regions(a.page_number(object));
         g.free_regions()->set(a.page_number(object));
       },
       7},
      {"resizing flag left set",
       [](_DB_allocator& a, char*) { a.group(system_page_group).desc().flags = RESIZING_SIZE_CLASSES; }, 9},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(r.what);
    test_db db;
    _DB_allocator& a = db.create();
    char* object = static_cast<char*>(new_chars(a, 100));
    a.self_check();
    r.damage(a, object);
    try {
      a.self_check();
      ADD_FAILURE();
    } catch (const dv_err_heap_corruption& e) {
      EXPECT_EQ(std::string(e.get_report()),
                "dv_err_heap_corruption - Heap corruption detected during alloc or free. (pers_alloc," +
                    std::to_string(r.check) + ")");
    }
  }
}

TEST(AllocatorDump, PrintsBothGroups) {
  test_db db;
  _DB_allocator& a = db.create();
  void* p = new_chars(a, 40);
  testing::internal::CaptureStdout();
  a.dump();
  std::string out = testing::internal::GetCapturedStdout();
  size_t system = out.find("Dumping contents of system pages\n================================\n");
  size_t user = out.find("Dumping contents of user pages\n==============================\n");
  ASSERT_EQ(system, 0u);
  ASSERT_NE(user, std::string::npos);
  char line[128];
  std::snprintf(line, sizeof line, "ADDR: %#x\tTYPE: char\tTAG: 1\tCOUNT: 40\tBLOCK SIZE: 40\n",
                word_of(p));
  EXPECT_GT(out.find(line), user);
}

TEST(AllocatorSubsystem, ReadsItsSwitches) {
  setenv("DV_QEM_VERIFY_ALLOC", "1", 1);
  _DB_allocator::start_subsystem();
  EXPECT_TRUE(_Page_header::verifying());
  EXPECT_FALSE(_Page_header::tracing());
  unsetenv("DV_QEM_VERIFY_ALLOC");
  _DB_allocator::start_subsystem();
  EXPECT_FALSE(_Page_header::verifying());
}
