// Guards the in-page heap: the stored layout of a fresh page, page 0 and a
// multi-page region; block sizes; first-fit allocation with its remainders;
// freeing with coalescing; the refusal of double, interior and stale frees
// without touching the page; the reuse of a freed region for smaller and
// again for bigger objects; the dump and trace texts; and a seeded random
// model of allocate/free against the live objects it should hold.
#include <gtest/gtest.h>

#include "address_word.h"
#include "dv_test_seed.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <memory>
#include <random>

#include "heap_corruption.h"
#include "heap_test_support.h"

namespace {

using namespace dv_qem;
using namespace heap_test;

const sized_typespec alpha("Alpha", 16);
const sized_typespec beta("Beta", 24);
const sized_typespec gamma_ts("Gamma", 40);

dv2u word_at(const char* p) {
  dv2u w;
  std::memcpy(&w, p, sizeof w);
  return w;
}
dv4u u32_at(const char* p) {
  dv4u v;
  std::memcpy(&v, p, sizeof v);
  return v;
}
dv4s i32_at(const char* p) {
  dv4s v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

std::string corruption_text(_Pg_check check) {
  return "dv_err_heap_corruption - Heap corruption detected during alloc or free. (pg_header," +
         std::to_string(static_cast<int>(check)) + ")";
}

// Runs f, which must throw dv_err_heap_corruption; returns its message.
template <typename F>
std::string heap_corruption_of(F f) {
  try {
    f();
  } catch (const dv_err_heap_corruption& e) {
    return e.get_report();
  }
  return "(nothing thrown)";
}

// Turns a static switch on for one scope.
class switch_on {
 public:
  switch_on(void (*set)(bool)) : set_(set) { set_(true); }
  ~switch_on() { set_(false); }

 private:
  void (*set_)(bool);
};

class PageHeap : public ::testing::Test {
 protected:
  void SetUp() override {
    page = _Page_header::of_page(memory.data(), false);
    page->set_up(1, memory.data(), HEAP_PAGE_SIZE);
  }
  char* at(dv4u offset) const { return memory.data() + offset; }
  std::string snapshot() const { return bytes_of(memory.data(), memory.size()); }

  aligned_pages memory{1};
  tag_table tags;
  _Page_header* page = nullptr;
};

TEST_F(PageHeap, FreshPageIsOneFreeBlockFilledWithTheFreedPattern) {
  EXPECT_EQ(page->page_group(), 1u);
  EXPECT_EQ(page->free_bytes(), 4064u);
  EXPECT_EQ(page->largest_free(), 4064u);
  EXPECT_EQ(page->database_start(), memory.data());
  EXPECT_EQ(page->next_page(), nullptr);
  EXPECT_EQ(page->allocated_head_block(), nullptr);
  ASSERT_EQ(page->free_head_block(), _Obj_header::at(at(24)));
  // Stored bytes: header fields, then the free block's header and footer.
  EXPECT_EQ(u32_at(at(0)), 1u);
  EXPECT_EQ(u32_at(at(4)), 4064u);
  EXPECT_EQ(word_at(at(8)), 0u);
  EXPECT_EQ(static_cast<dv2s>(word_at(at(10))), 24 - 10);
  EXPECT_EQ(i32_at(at(16)), 0);
  EXPECT_EQ(word_at(at(20)), 4064u);
  EXPECT_EQ(word_at(at(22)), 0u);
  EXPECT_EQ(word_at(at(24)), BLOCK_FREE);
  EXPECT_EQ(word_at(at(26)), 4064u);
  EXPECT_EQ(u32_at(at(28)), 0u);
  EXPECT_EQ(i32_at(at(4092)), 24 - 4092);
  for (dv4u i = 32; i < 4092; ++i) ASSERT_EQ(static_cast<dv1u>(*at(i)), FREED_FILL_BYTE) << i;
  page->self_check(tags);
}

TEST(PageHeapZero, PageZeroHeapStartsBehindTheDatabaseHeader) {
  aligned_pages memory(1);
  std::string database_header = bytes_of(memory.data(), DB_HEADER_SIZE);
  _Page_header* page = _Page_header::of_page(memory.data(), true);
  page->set_up(0, memory.data(), HEAP_PAGE_SIZE - DB_HEADER_SIZE);
  tag_table tags;
  EXPECT_TRUE(page->is_page_zero());
  EXPECT_EQ(page->free_bytes(), 2016u);
  EXPECT_EQ(page->largest_free(), 2016u);
  EXPECT_EQ(page->free_head_block()->address(), memory.data() + 2072);
  EXPECT_EQ(page->free_head_block()->free_payload(), 2016u);
  EXPECT_EQ(bytes_of(memory.data(), DB_HEADER_SIZE), database_header);
  page->self_check(tags);

  sized_typespec big("Big", 2016);
  void* object = allocate(page, tags, big);
  EXPECT_EQ(object, memory.data() + 2080);
  EXPECT_EQ(page->free_bytes(), 0u);
  page->self_check(tags);
  // The allocator asks a page only when its largest free block fits.
  EXPECT_EQ(heap_corruption_of([&] { allocate(page, tags, alpha); }),
            corruption_text(_Pg_check::free_list_empty));
}

TEST(PageHeapSizes, BlockSizeRoundsToEightAndAddsVectorAndExtraBytes) {
  struct row {
    dv4u type_size, count;
    bool vector_header, extra;
    dv4u expected;
  };
  const row rows[] = {
      {0, 0, false, false, 8},   {1, 0, false, false, 8},       {7, 0, false, false, 8},
      {8, 0, false, false, 8},   {9, 0, false, false, 16},      {16, 0, false, false, 16},
      {17, 0, false, false, 24}, {3, 3, false, false, 16},      {3, 3, true, false, 16},
      {4, 3, true, false, 16},   {12, 3, false, false, 40},     {12, 3, true, false, 40},
      {8, 0, false, true, 16},   {1, 4064, false, false, 4064}, {4, 5000, false, false, 20000},
  };
  for (const row& r : rows)
    EXPECT_EQ(_Obj_header::block_size_for(r.type_size, r.count, r.vector_header, r.extra),
              r.expected)
        << r.type_size << " x " << r.count << (r.vector_header ? " +vector" : "");
}

TEST_F(PageHeap, AllocationTakesTheRoundedSizeAndSplitsTheRest) {
  struct row {
    dv4u type_size, count;
    bool vector_header;
    dv4u block;
  };
  const row rows[] = {{1, 0, false, 8},     {8, 0, false, 8},      {9, 0, false, 16},
                      {3, 3, false, 16},    {3, 3, true, 16},      {12, 3, true, 40},
                      {100, 7, false, 704}, {1, 4064, false, 4064}};
  std::vector<std::unique_ptr<sized_typespec>> types;
  for (const row& r : rows) {
    SCOPED_TRACE(testing::Message() << r.type_size << " x " << r.count);
    page->set_up(1, memory.data(), HEAP_PAGE_SIZE);
    types.emplace_back(new sized_typespec("T", r.type_size));
    const sized_typespec& ts = *types.back();
    char* object = static_cast<char*>(allocate(page, tags, ts, r.count, r.vector_header));
    ASSERT_EQ(object, at(32));
    _Obj_header* block = header_of(object);
    EXPECT_FALSE(block->is_free());
    EXPECT_EQ(block->count(), r.count);
    EXPECT_EQ(block->has_vector_header(), r.vector_header);
    EXPECT_EQ(block->tag(), tags.tag_of(&ts));
    EXPECT_EQ(block->block_size(tags), r.block);
    EXPECT_EQ(word_at(at(24)), (r.vector_header ? BLOCK_VECTOR_HEADER : 0) | r.count);
    for (dv4u i = 0; i < r.block; ++i) ASSERT_EQ(object[i], 0) << i;
    EXPECT_EQ(page->free_bytes(), r.block == 4064 ? 0u : 4064 - r.block - 8);
    if (r.block < 4064) {
      _Obj_header* rest = page->free_head_block();
      EXPECT_EQ(rest->address(), object + r.block);
      EXPECT_EQ(rest->free_payload(), 4064 - r.block - 8);
      EXPECT_EQ(page->largest_free(), rest->free_payload());
    }
    page->self_check(tags);
  }
}

TEST_F(PageHeap, ExactEightByteRemainderStaysInTheBlockAsExtraBytes) {
  sized_typespec almost("Almost", 4056);
  void* object = allocate(page, tags, almost);
  ASSERT_NE(object, nullptr);
  EXPECT_TRUE(header_of(object)->has_extra_bytes());
  EXPECT_EQ(word_at(at(24)) & BLOCK_EXTRA_BYTES, BLOCK_EXTRA_BYTES);
  EXPECT_EQ(header_of(object)->block_size(tags), 4064u);
  EXPECT_EQ(page->free_head_block(), nullptr);
  EXPECT_EQ(page->free_bytes(), 0u);
  EXPECT_EQ(page->largest_free(), 0u);
  page->self_check(tags);
  page->freechunk(object, false, tags);
  EXPECT_EQ(page->free_bytes(), 4064u);
  EXPECT_EQ(free_blocks(page).size(), 1u);
  page->self_check(tags);
}

TEST_F(PageHeap, ExtraBytesBetweenBlocksClearTheFollowersFreeBit) {
  void* a = allocate(page, tags, alpha);
  void* b = allocate(page, tags, alpha);
  void* c = allocate(page, tags, alpha);
  page->freechunk(b, false, tags);
  EXPECT_TRUE(header_of(c)->prev_is_free());
  sized_typespec small("Small", 8);
  void* again = allocate(page, tags, small);  // first fit: b's 16 bytes, 8 left over
  ASSERT_EQ(again, b);
  EXPECT_TRUE(header_of(again)->has_extra_bytes());
  EXPECT_FALSE(header_of(c)->prev_is_free());
  page->self_check(tags);
  page->freechunk(a, false, tags);
  page->freechunk(again, false, tags);
  page->freechunk(c, false, tags);
  EXPECT_EQ(page->free_bytes(), 4064u);
  page->self_check(tags);
}

TEST_F(PageHeap, FreeingBetweenTwoFreeBlocksLeavesOneBlock) {
  void* a = allocate(page, tags, gamma_ts);
  void* b = allocate(page, tags, gamma_ts);
  void* c = allocate(page, tags, gamma_ts);
  void* d = allocate(page, tags, gamma_ts);
  page->freechunk(a, false, tags);
  page->freechunk(c, false, tags);
  dv4u before = page->free_bytes();
  page->freechunk(b, false, tags);
  EXPECT_EQ(page->free_bytes(), before + 40 + 16);
  _Obj_header* merged = header_of(a);
  EXPECT_TRUE(merged->is_free());
  EXPECT_EQ(merged->free_payload(), 3 * 48 - 8u);
  EXPECT_EQ(free_blocks(page).size(), 2u);  // the merged block and the rest of the page
  EXPECT_EQ(free_blocks(page).front(), merged);
  EXPECT_TRUE(header_of(d)->prev_is_free());
  EXPECT_EQ(merged->footer_target(), merged->address());
  for (dv4u i = 8; i < merged->free_footprint() - 4; ++i)
    ASSERT_EQ(static_cast<dv1u>(merged->address()[i]), FREED_FILL_BYTE) << i;
  page->self_check(tags);
}

TEST_F(PageHeap, LargestFreeFollowsAllocationAndFreeing) {
  void* a = allocate(page, tags, gamma_ts);
  EXPECT_EQ(page->largest_free(), 4064u - 48);
  sized_typespec filler("Filler", 4064 - 48 - 48);  // leaves a block of 40
  void* rest_filler = allocate(page, tags, filler);
  ASSERT_NE(rest_filler, nullptr);
  EXPECT_EQ(page->largest_free(), 40u);
  page->freechunk(a, false, tags);
  EXPECT_EQ(page->largest_free(), 40u);
  page->freechunk(rest_filler, false, tags);
  EXPECT_EQ(page->largest_free(), 4064u);
  page->self_check(tags);
}

TEST_F(PageHeap, DoubleFreeIsReportedWithItsAddress) {
  void* a = allocate(page, tags, alpha);
  allocate(page, tags, alpha);
  page->freechunk(a, false, tags);
  std::string before = snapshot();
  EXPECT_EQ(heap_corruption_of([&] { page->freechunk(a, false, tags); }),
            "dv_err_heap_corruption - Attempt to free an already freed block at persistent "
            "address " +
                hex(a));
  EXPECT_EQ(snapshot(), before);
}

TEST_F(PageHeap, TagZeroIsReportedAsAMissingVectorDelete) {
  void* a = allocate(page, tags, beta, 3, true);
  std::memset(static_cast<char*>(a) - 6, 0, 2);  // the tag
  std::string before = snapshot();
  EXPECT_EQ(heap_corruption_of([&] { page->freechunk(a, false, tags); }),
            "dv_err_heap_corruption - A type tag with value 0 was found while deleting the object "
            "at address " +
                hex(a) +
                ".\nThis might indicate heap corruption, or it might indicate that vector delete "
                "(i.e. delete []) was not called for an array  with a vector header ");
  EXPECT_EQ(snapshot(), before);
}

TEST_F(PageHeap, InteriorStaleAndForeignAddressesAreRefusedWithoutChange) {
  char* a = static_cast<char*>(allocate(page, tags, gamma_ts));
  char* b = static_cast<char*>(allocate(page, tags, gamma_ts));
  char* c = static_cast<char*>(allocate(page, tags, gamma_ts));
  char* d = static_cast<char*>(allocate(page, tags, gamma_ts));
  char* e = static_cast<char*>(allocate(page, tags, gamma_ts));
  page->freechunk(b, false, tags);
  page->freechunk(c, false, tags);  // merges into b's block: c is stale now
  char* tail = static_cast<char*>(free_blocks(page).back()->object());
  struct row {
    const char* what;
    void* address;
    bool large;
    _Pg_check check;
  };
  const row rows[] = {
      {"interior of a live object", a + 8, false, _Pg_check::not_an_allocated_block},
      {"misaligned", a + 1, false, _Pg_check::not_an_allocated_block},
      {"header of a live object", d - 8, false, _Pg_check::not_an_allocated_block},
      {"stale, merged into a free block", c, false, _Pg_check::not_an_allocated_block},
      {"inside a free block", b + 16, false, _Pg_check::not_an_allocated_block},
      {"inside the rest of the page", tail + 512, false, _Pg_check::not_an_allocated_block},
      {"first block's header", at(24), false, _Pg_check::address_outside_heap},
      {"page header", at(8), false, _Pg_check::address_outside_heap},
      {"one past the page", at(HEAP_PAGE_SIZE), false, _Pg_check::address_outside_heap},
      {"next page", at(HEAP_PAGE_SIZE + 32), false, _Pg_check::address_outside_heap},
      {"null", nullptr, false, _Pg_check::address_outside_heap},
      {"small object freed as large", e, true, _Pg_check::large_flag_mismatch},
  };
  for (const row& r : rows) {
    std::string before = snapshot();
    EXPECT_EQ(heap_corruption_of([&] { page->freechunk(r.address, r.large, tags); }),
              corruption_text(r.check))
        << r.what;
    EXPECT_EQ(snapshot(), before) << r.what;
  }
  page->self_check(tags);
}

TEST(PageHeapRequests, AboveOnePagesHeapNeverServedFromASinglePage) {
  tag_table tags;
  sized_typespec just_over("JustOver", 4065);
  sized_typespec exact("Exact", 4064);
  for (bool page_zero : {false, true}) {
    aligned_pages memory(1);
    _Page_header* page = _Page_header::of_page(memory.data(), page_zero);
    page->set_up(1, memory.data(), page_zero ? HEAP_PAGE_SIZE - DB_HEADER_SIZE : HEAP_PAGE_SIZE);
    std::string before = bytes_of(memory.data(), HEAP_PAGE_SIZE);
    EXPECT_EQ(allocate(page, tags, just_over), nullptr);
    EXPECT_EQ(bytes_of(memory.data(), HEAP_PAGE_SIZE), before);
    EXPECT_EQ(allocate(page, tags, exact) != nullptr, !page_zero);
  }
}

TEST_F(PageHeap, ArraysKeepTheirCountAndVectorHeaderBit) {
  void* plain = allocate(page, tags, beta, 5);
  void* with_header = allocate(page, tags, beta, 5, true);
  EXPECT_EQ(header_of(plain)->count(), 5u);
  EXPECT_FALSE(header_of(plain)->has_vector_header());
  EXPECT_EQ(header_of(plain)->block_size(tags), 120u);
  EXPECT_EQ(header_of(with_header)->count(), 5u);
  EXPECT_TRUE(header_of(with_header)->has_vector_header());
  EXPECT_EQ(header_of(with_header)->flags_word(), BLOCK_VECTOR_HEADER | 5);
  EXPECT_EQ(header_of(with_header)->block_size(tags), 128u);
  page->self_check(tags);
  page->freechunk(plain, false, tags);
  page->freechunk(with_header, false, tags);
  EXPECT_EQ(page->free_bytes(), 4064u);
}

TEST_F(PageHeap, SmallCountAboveTheLimitIsCorruption) {
  sized_typespec none("None", 0);
  EXPECT_EQ(heap_corruption_of([&] { allocate(page, tags, none, 4065); }),
            corruption_text(_Pg_check::small_count_too_large));
}

TEST_F(PageHeap, AllocatedBlocksFormANewestFirstList) {
  void* a = allocate(page, tags, alpha);
  void* b = allocate(page, tags, beta);
  void* c = allocate(page, tags, gamma_ts);
  std::vector<void*> seen;
  page->for_each_allocated(tags, [&](_Obj_header* block) { seen.push_back(block->object()); });
  EXPECT_EQ(seen, (std::vector<void*>{c, b, a}));
  page->freechunk(b, false, tags);
  seen.clear();
  page->for_each_allocated(tags, [&](_Obj_header* block) { seen.push_back(block->object()); });
  EXPECT_EQ(seen, (std::vector<void*>{c, a}));
}

TEST_F(PageHeap, PageLinkAndDatabaseStartAreSelfRelativeAndAbsolute) {
  aligned_pages other(1);
  _Page_header* next = _Page_header::of_page(other.data(), false);
  page->set_next_page(next);
  EXPECT_EQ(page->next_page(), next);
  EXPECT_EQ(i32_at(at(16)), static_cast<dv4s>(other.data() - at(16)));
  page->set_next_page(nullptr);
  EXPECT_EQ(i32_at(at(16)), 0);
  page->set_database_start(other.data());
  EXPECT_EQ(u32_at(at(12)), word_of(other.data()));
}

TEST_F(PageHeap, DumpListsAllocatedThenFreeBlocks) {
  void* a = allocate(page, tags, alpha);
  void* b = allocate(page, tags, beta, 2);
  void* c = allocate(page, tags, gamma_ts, 3, true);
  page->freechunk(b, false, tags);
  testing::internal::CaptureStdout();
  page->dump(tags);
  std::string out = testing::internal::GetCapturedStdout();
  char expected[512];
  std::snprintf(expected, sizeof expected,
                "ADDR: %#x\tTYPE: Gamma\tTAG: 26\tCOUNT: 3\tBLOCK SIZE: 128\n"
                "ADDR: %#x\tTYPE: Alpha\tTAG: 24\tCOUNT: 0\tBLOCK SIZE: 16\n"
                "ADDR: %#x\tFREE BLOCK - SIZE:  48\n"
                "ADDR: %#x\tFREE BLOCK - SIZE:  %d\n",
                word_of(c), word_of(a), word_of(b),
                word_of(static_cast<char*>(c) + 128 + 8), 4064 - 24 - 56 - 136);
  EXPECT_EQ(out, expected);
}

TEST_F(PageHeap, TraceTellsEachStep) {
  sized_typespec almost("Almost", 4064 - 24 - 8);
  void* a;
  void* b;
  std::string out;
  {
    switch_on trace(_Page_header::set_tracing);
    testing::internal::CaptureStdout();
    a = allocate(page, tags, alpha);
    b = allocate(page, tags, almost);  // leaves exactly 8: extra bytes
    page->freechunk(a, false, tags);
    page->freechunk(b, false, tags);  // merges with a in front
    out = testing::internal::GetCapturedStdout();
  }
  char expected[2048];
  const unsigned h = word_of(page);
  std::snprintf(
      expected, sizeof expected,
      "Entering _Page_header::findchunk.\n\treq sz = 16, typename = Alpha, count = 0, "
      "has_vector_header= 0\n"
      "\ttotal block size (with header) = 24\n"
      "\tretval = %#x, page_header = %#x\nReturning from _Page_header::findchunk.\n"
      "Entering _Page_header::findchunk.\n\treq sz = 4032, typename = Almost, count = 0, "
      "has_vector_header= 0\n"
      "\tAdded 8 extra bytes - \ttotal block size (with header) = 4048\n"
      "\tretval = %#x, page_header = %#x\nReturning from _Page_header::findchunk.\n"
      "In _Page_header::freechunk.\n\tchunk = %#x, page_header = %#x, chunk_size (with header) "
      "= 24, count = 0, vector_header = 0, typename = Alpha\n"
      "In _Page_header::freechunk.\n\tchunk = %#x, page_header = %#x, chunk_size (with header) "
      "= 4048, count = 0, vector_header = 0, typename = Almost\n"
      "\t\tIn _Page_header::coalesce() - consolidating with previous\n\t\tobj_head = %#x, "
      "new_free_block_head = %#x, total_size = 4072\n",
      word_of(a), h, word_of(b), h, word_of(a), h, word_of(b), h,
      word_of(header_of(b)), word_of(header_of(a)));
  EXPECT_EQ(out, expected);
  EXPECT_EQ(page->free_bytes(), 4064u);
}

TEST_F(PageHeap, TraceOfACoalesceWithTheNextBlock) {
  void* a = allocate(page, tags, alpha);
  std::string out;
  {
    switch_on trace(_Page_header::set_tracing);
    testing::internal::CaptureStdout();
    page->freechunk(a, false, tags);
    out = testing::internal::GetCapturedStdout();
  }
  char expected[512];
  std::snprintf(expected, sizeof expected,
                "In _Page_header::freechunk.\n\tchunk = %#x, page_header = %#x, chunk_size (with "
                "header) = 24, count = 0, vector_header = 0, typename = Alpha\n"
                "\t\tIn _Page_header::coalesce() - consolidating w/ next\n\t\tobj_head = %#x, "
                "new_free_block_head = %#x, total_size = 4072\n",
                word_of(a), word_of(page), word_of(header_of(a)),
                word_of(header_of(a)));
  EXPECT_EQ(out, expected);
}

TEST_F(PageHeap, VerifyModeChecksThePageAfterEveryChange) {
  void* a = allocate(page, tags, alpha);
  dv4u wrong = page->free_bytes() + 8;
  std::memcpy(at(4), &wrong, 4);
  EXPECT_NO_THROW(page->freechunk(a, false, tags)) << "unverified: the damage goes unnoticed";
  page->set_up(1, memory.data(), HEAP_PAGE_SIZE);
  switch_on verify(_Page_header::set_verifying);
  a = allocate(page, tags, alpha);
  wrong = page->free_bytes() + 8;
  std::memcpy(at(4), &wrong, 4);
  try {
    page->freechunk(a, false, tags);
    FAIL() << "verified free missed the damage";
  } catch (const dv_err_internal& e) {
    EXPECT_NE(std::string(e.get_report()).find("\"calculated_free_bytes == n_free_bytes\""),
              std::string::npos)
        << e.get_report();
  }
}

TEST(PageHeapPageSize, OnlyFourKilobytePagesAreAccepted) {
  EXPECT_NO_THROW(_Page_header::check_page_size(4096));
  try {
    _Page_header::check_page_size(8192);
    FAIL() << "8192-byte pages accepted";
  } catch (const dv_err_internal& e) {
    EXPECT_NE(std::string(e.get_report())
                  .find("\"LARGEST_SMALL_ARRAY_COUNT == _DV_int::get_page_size() - "
                        "PAGE_HEADER_SIZE - OBJECT_HEADER_SIZE\""),
              std::string::npos)
        << e.get_report();
  }
}

// ---- multi-page regions -----------------------------------------------------------

class PageHeapRegion : public ::testing::Test {
 protected:
  static constexpr dv4u pages = 3;
  void SetUp() override {
    page = _Page_header::of_page(memory.data(), false);
    page->set_up(1, memory.data(), pages * HEAP_PAGE_SIZE);
    map.cover(memory.data(), pages, memory.data() + 32);
  }
  char* at(dv4u offset) const { return memory.data() + offset; }
  void* allocate_bytes(dv4u type_size, dv4u count = 0) {
    types.emplace_back(new sized_typespec("Large", type_size));
    return allocate(page, tags, *types.back(), count);
  }

  aligned_pages memory{pages};
  tag_table tags;
  object_map map;
  std::vector<std::unique_ptr<sized_typespec>> types;
  _Page_header* page = nullptr;
};

TEST_F(PageHeapRegion, FreshRegionIsOneLargeFreeBlock) {
  const dv4u payload = pages * HEAP_PAGE_SIZE - 32;
  EXPECT_EQ(page->free_bytes(), payload);
  EXPECT_EQ(page->largest_free(), 0u);
  EXPECT_EQ(word_at(at(24)), BLOCK_FREE | BLOCK_LARGE_FORM);
  EXPECT_EQ(u32_at(at(28)), payload);
  EXPECT_EQ(i32_at(at(pages * HEAP_PAGE_SIZE - 4)),
            24 - static_cast<dv4s>(pages * HEAP_PAGE_SIZE - 4));
  page->self_check(tags, &map);
}

TEST_F(PageHeapRegion, LargeObjectTakesTheLargeFormWithItsCount) {
  void* object = allocate_bytes(4, 2000);  // two pages
  ASSERT_EQ(object, at(32));
  EXPECT_EQ(word_at(at(24)), BLOCK_LARGE_FORM);
  EXPECT_EQ(u32_at(at(28)), 2000u);
  EXPECT_EQ(header_of(object)->count(), 2000u);
  EXPECT_EQ(word_at(at(26)), header_of(object)->tag());
  EXPECT_EQ(page->free_head_block(), nullptr);
  EXPECT_EQ(page->free_bytes(), HEAP_PAGE_SIZE);  // the third page is left whole
  for (dv4u i = 0; i < 8000; ++i) ASSERT_EQ(static_cast<char*>(object)[i], 0) << i;
  page->self_check(tags, &map);
}

TEST_F(PageHeapRegion, SmallRequestInARegionIsCorruption) {
  EXPECT_EQ(heap_corruption_of([&] { allocate(page, tags, alpha); }),
            corruption_text(_Pg_check::small_request_in_region));
}

TEST_F(PageHeapRegion, FreedRegionServesSmallerAndThenTheOriginalSizeAgain) {
  const dv4u whole = pages * HEAP_PAGE_SIZE - 32;
  void* big = allocate_bytes(whole);
  ASSERT_EQ(big, at(32));
  EXPECT_EQ(page->free_bytes(), 0u);
  page->self_check(tags, &map);
  page->freechunk(big, true, tags);
  EXPECT_EQ(page->free_bytes(), whole);
  page->self_check(tags, &map);

  void* smaller = allocate_bytes(5000);  // two pages; the third stays whole
  ASSERT_EQ(smaller, at(32));
  EXPECT_EQ(page->free_bytes(), HEAP_PAGE_SIZE);
  page->self_check(tags, &map);
  page->freechunk(smaller, true, tags);
  EXPECT_EQ(page->free_bytes(), whole);
  ASSERT_EQ(page->free_head_block()->free_payload(), whole) << "the third page was lost";
  EXPECT_EQ(i32_at(at(pages * HEAP_PAGE_SIZE - 4)),
            24 - static_cast<dv4s>(pages * HEAP_PAGE_SIZE - 4));
  page->self_check(tags, &map);

  EXPECT_EQ(allocate_bytes(whole), at(32));
  page->self_check(tags, &map);
}

TEST_F(PageHeapRegion, EightBytesShortOfTheRegionKeepsThemAsExtraBytes) {
  void* object = allocate_bytes(pages * HEAP_PAGE_SIZE - 40);
  ASSERT_NE(object, nullptr);
  EXPECT_TRUE(header_of(object)->has_extra_bytes());
  EXPECT_EQ(page->free_bytes(), 0u);
  page->self_check(tags, &map);
  page->freechunk(object, true, tags);
  EXPECT_EQ(page->free_bytes(), pages * HEAP_PAGE_SIZE - 32);
}

TEST_F(PageHeapRegion, TooBigForTheRegionIsNoRoom) {
  EXPECT_EQ(allocate_bytes(pages * HEAP_PAGE_SIZE), nullptr);
  page->self_check(tags, &map);
}

TEST_F(PageHeapRegion, DoubleFreeAndSmallFlagAreRefused) {
  void* object = allocate_bytes(9000);
  std::string before = bytes_of(memory.data(), memory.size());
  EXPECT_EQ(heap_corruption_of([&] { page->freechunk(object, false, tags); }),
            corruption_text(_Pg_check::large_flag_mismatch));
  EXPECT_EQ(heap_corruption_of([&] { page->freechunk(at(4096 + 32), true, tags); }),
            corruption_text(_Pg_check::not_an_allocated_block));
  EXPECT_EQ(bytes_of(memory.data(), memory.size()), before);
  page->freechunk(object, true, tags);
  EXPECT_EQ(heap_corruption_of([&] { page->freechunk(object, true, tags); }),
            "dv_err_heap_corruption - Attempt to free an already freed block at persistent "
            "address " +
                hex(object));
}

TEST_F(PageHeapRegion, SelfCheckHoldsTheRegionToTheLargeObjectMap) {
  void* object = allocate_bytes(5000);
  page->self_check(tags, &map);

  object_map missing = map;
  missing.pages.erase(at(2 * HEAP_PAGE_SIZE));
  EXPECT_EQ(heap_corruption_of([&] { page->self_check(tags, &missing); }),
            corruption_text(_Pg_check::map_region_page_missing));

  object_map longer = map;
  longer.cover(memory.data(), pages + 1, object);
  EXPECT_EQ(heap_corruption_of([&] { page->self_check(tags, &longer); }),
            corruption_text(_Pg_check::map_region_extends_further));

  aligned_pages single(1);
  _Page_header* small_page = _Page_header::of_page(single.data(), false);
  small_page->set_up(1, single.data(), HEAP_PAGE_SIZE);
  object_map stray;
  stray.cover(single.data(), 1, single.data() + 32);
  EXPECT_EQ(heap_corruption_of([&] { small_page->self_check(tags, &stray); }),
            corruption_text(_Pg_check::map_single_page_present));
  small_page->self_check(tags, &map);
}

// ---- seeded random model -------------------------------------------------------------

unsigned model_seed() { return dv_test::seed(); }

struct live_object {
  const sized_typespec* ts;
  dv4u count;
  bool vector_header;
  dv4u size;
  unsigned char pattern;
};

// Allocates and frees at random on one page heap, checking after every step
// that the page passes its self-check, that every live object still holds
// its own bytes, that no two objects overlap, that the free bytes account
// for the rest of the page, and that "no room" is only said when no free
// block is big enough.
void run_model(bool page_zero, unsigned seed, int steps) {
  SCOPED_TRACE(testing::Message() << "seed " << seed << " (DV_TEST_SEED reruns it)");
  std::mt19937 rng(seed);
  static const sized_typespec kinds[] = {
      {"K1", 1},     {"K3", 3},     {"K8", 8},     {"K12", 12},     {"K20", 20},    {"K40", 40},
      {"K100", 100}, {"K250", 250}, {"K600", 600}, {"K1000", 1000}, {"K2000", 2000}};
  aligned_pages memory(1);
  _Page_header* page = _Page_header::of_page(memory.data(), page_zero);
  const dv4u region = page_zero ? HEAP_PAGE_SIZE - DB_HEADER_SIZE : HEAP_PAGE_SIZE;
  page->set_up(1, memory.data(), region);
  tag_table tags;
  std::map<char*, live_object> live;
  auto pick = [&](unsigned n) { return static_cast<unsigned>(rng() % n); };

  for (int step = 0; step < steps; ++step) {
    SCOPED_TRACE(testing::Message() << "step " << step);
    if (live.empty() || pick(100) < 55) {
      const sized_typespec& ts = kinds[pick(std::size(kinds))];
      dv4u count = pick(3) == 0 ? 1 + pick(6) : 0;
      bool vector_header = count != 0 && pick(2) == 0;
      dv4u size = _Obj_header::block_size_for(ts.get_size(), count, vector_header, false);
      if (size > LARGEST_SMALL_PAYLOAD) continue;
      bool fits = false;
      for (_Obj_header* b : free_blocks(page)) fits = fits || b->free_payload() >= size;
      char* object = nullptr;
      if (page->free_head_block() != nullptr)
        object = static_cast<char*>(page->findchunk(size, count, vector_header, &ts, tags));
      ASSERT_EQ(object != nullptr, fits) << "size " << size;
      if (object == nullptr) continue;
      ASSERT_GE(object, memory.data() + (page_zero ? 2072 : 24) + 8);
      ASSERT_LE(object + size, memory.data() + HEAP_PAGE_SIZE);
      auto after = live.lower_bound(object);
      if (after != live.end()) {
        ASSERT_LE(object + size + 8, after->first);
      }
      if (after != live.begin()) {
        auto before = std::prev(after);
        ASSERT_LE(before->first + before->second.size + 8, object);
      }
      for (dv4u i = 0; i < size; ++i) ASSERT_EQ(object[i], 0);
      unsigned char pattern = static_cast<unsigned char>(1 + pick(250));
      std::memset(object, pattern, size);
      live[object] = {&ts, count, vector_header, size, pattern};
    } else {
      auto it = live.begin();
      std::advance(it, pick(static_cast<unsigned>(live.size())));
      page->freechunk(it->first, false, tags);
      live.erase(it);
    }

    ASSERT_NO_THROW(page->self_check(tags));
    dv4u allocated_footprints = 0;
    for (auto& [object, o] : live) {
      _Obj_header* block = header_of(object);
      ASSERT_EQ(block->count(), o.count);
      ASSERT_EQ(block->has_vector_header(), o.vector_header);
      ASSERT_EQ(tags.typespec_of(block->tag()), o.ts);
      for (dv4u i = 0; i < o.size; ++i)
        ASSERT_EQ(static_cast<unsigned char>(object[i]), o.pattern) << "object " << hex(object);
      allocated_footprints += block->block_size(tags) + OBJECT_HEADER_SIZE;
    }
    dv4u free_headers = static_cast<dv4u>(free_blocks(page).size()) * OBJECT_HEADER_SIZE;
    ASSERT_EQ(page->free_bytes() + free_headers + allocated_footprints, region - PAGE_HEADER_SIZE);
  }
}

TEST(PageHeapModel, RandomAllocateAndFreeOnAPage) { run_model(false, model_seed(), 3000); }

TEST(PageHeapModel, RandomAllocateAndFreeOnPageZero) { run_model(true, model_seed(), 2000); }

// Reuses one region for large objects of random sizes: each must fit exactly
// when its pages fit, and the region must come back whole after each free.
TEST(PageHeapModel, RandomLargeObjectsReuseOneRegion) {
  unsigned seed = model_seed();
  SCOPED_TRACE(testing::Message() << "seed " << seed);
  std::mt19937 rng(seed);
  constexpr dv4u pages = 5;
  aligned_pages memory(pages);
  _Page_header* page = _Page_header::of_page(memory.data(), false);
  page->set_up(1, memory.data(), pages * HEAP_PAGE_SIZE);
  tag_table tags;
  object_map map;
  map.cover(memory.data(), pages, memory.data() + 32);
  std::vector<std::unique_ptr<sized_typespec>> types;
  const dv4u whole = pages * HEAP_PAGE_SIZE - 32;
  for (int step = 0; step < 200; ++step) {
    dv4u type_size = LARGEST_SMALL_PAYLOAD + 1 + static_cast<dv4u>(rng() % (whole + 64));
    types.emplace_back(new sized_typespec("L", type_size));
    dv4u size = _Obj_header::block_size_for(type_size, 0, false, false);
    void* object = allocate(page, tags, *types.back());
    ASSERT_EQ(object != nullptr, size <= whole) << "size " << size;
    ASSERT_NO_THROW(page->self_check(tags, &map));
    if (object == nullptr) continue;
    dv4u used_pages = (size + 32 + HEAP_PAGE_SIZE - 1) / HEAP_PAGE_SIZE;
    ASSERT_EQ(page->free_bytes(), (pages - used_pages) * HEAP_PAGE_SIZE);
    std::memset(object, 0x5a, size);
    page->freechunk(object, true, tags);
    ASSERT_EQ(page->free_bytes(), whole);
    ASSERT_NO_THROW(page->self_check(tags, &map));
  }
}

}  // namespace
