// Guards the in-page heap against damaged pages: a table of single damaged
// fields, each of which the self-check must report; and a sweep that flips
// bits in every header word of a page, page 0 and a multi-page region and
// then checks, allocates and frees on it. The page lies between inaccessible
// pages, so a read or write outside it crashes the test; an operation that
// refuses must leave the page exactly as it found it.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "dv_thrown_by.h"
#include "heap_corruption.h"
#include "heap_test_support.h"

namespace {

using namespace dv_qem;
using namespace heap_test;

const sized_typespec alpha("Alpha", 16);
const sized_typespec beta("Beta", 24);
const sized_typespec gamma_ts("Gamma", 40);
const sized_typespec whole_page("Page", 4064);

void xor_word(char* p, dv2u pattern) {
  dv2u w;
  std::memcpy(&w, p, 2);
  w ^= pattern;
  std::memcpy(p, &w, 2);
}
void put_word(char* p, dv2u value) { std::memcpy(p, &value, 2); }
void put_u32(char* p, dv4u value) { std::memcpy(p, &value, 4); }

// A page with live and free blocks side by side. Block offsets from the page:
// A 24 (Alpha), B 48 (Beta, freed), C 80 (Gamma), D 128 (Alpha, freed),
// E 152 (Beta x 3), the rest free from 232. Free list D, B, rest;
// allocated list E, C, A.
struct damaged_page {
  explicit damaged_page(bool page_zero = false) : memory(1) {
    page = _Page_header::of_page(memory.data(), page_zero);
    page->set_up(1, memory.data(), page_zero ? HEAP_PAGE_SIZE - DB_HEADER_SIZE : HEAP_PAGE_SIZE);
    a = allocate(page, tags, alpha);
    b = allocate(page, tags, beta);
    c = allocate(page, tags, gamma_ts);
    d = allocate(page, tags, alpha);
    e = allocate(page, tags, beta, 3);
    page->freechunk(b, false, tags);
    page->freechunk(d, false, tags);
    page->self_check(tags);
  }
  char* block(void* object) const { return static_cast<char*>(object) - OBJECT_HEADER_SIZE; }
  char* header() const { return reinterpret_cast<char*>(page); }
  char* rest() const { return block(e) + 80; }
  std::string snapshot() const { return bytes_of(memory.data(), memory.size()); }
  void restore(const std::string& bytes) { std::memcpy(memory.data(), bytes.data(), bytes.size()); }

  fenced_pages memory;
  tag_table tags;
  _Page_header* page;
  void *a, *b, *c, *d, *e;
};

// What self_check must raise for one damaged field.
struct damage_row {
  const char* what;
  std::function<void(damaged_page&)> damage;
  _Pg_check expected;
};

using dv_test::thrown_by;

TEST(PageHeapDamage, EachDamagedFieldIsReportedBySelfCheck) {
  using P = _Pg_check;
  const dv2u to_c_from_d_next = static_cast<dv2u>(80 - (128 + 6));
  const damage_row rows[] = {
      {"free head outside the page", [](damaged_page& p) { put_word(p.header() + 10, 30000); },
       P::link_not_a_block},
      {"free head off the block grid", [](damaged_page& p) { xor_word(p.header() + 10, 2); },
       P::link_not_a_block},
      {"allocated head at a free block",
       [](damaged_page& p) { put_word(p.header() + 8, static_cast<dv2u>(48 - 8)); },
       P::block_on_wrong_list},
      {"free list loops to itself",
       [](damaged_page& p) { put_word(p.block(p.d) + 6, static_cast<dv2u>(-6)); },
       P::back_link_mismatch},
      {"allocated list loops to itself",
       [](damaged_page& p) { put_word(p.block(p.e) + 6, static_cast<dv2u>(-6)); },
       P::back_link_mismatch},
      {"free block's previous link wrong", [](damaged_page& p) { put_word(p.block(p.b) + 4, 0); },
       P::back_link_mismatch},
      {"free list leads to a live block",
       [&](damaged_page& p) { put_word(p.block(p.d) + 6, to_c_from_d_next); },
       P::block_on_wrong_list},
      {"last free payload runs off the page", [](damaged_page& p) { put_word(p.rest() + 2, 5000); },
       P::free_size_invalid},
      {"last free payload not a multiple of 8", [](damaged_page& p) { xor_word(p.rest() + 2, 4); },
       P::free_size_invalid},
      {"last free payload shrunk", [](damaged_page& p) { xor_word(p.rest() + 2, 0x18); },
       P::footer_mismatch},
      {"free payload grown over the next block",
       [](damaged_page& p) { put_word(p.block(p.b) + 2, 4000); }, P::preceding_not_free},
      {"free bit cleared on the last block",
       [](damaged_page& p) { xor_word(p.rest(), BLOCK_FREE); }, P::block_on_wrong_list},
      {"free bit cleared in front of a live block",
       [](damaged_page& p) { xor_word(p.block(p.d), BLOCK_FREE); }, P::preceding_not_free},
      {"free bit set on a live block", [](damaged_page& p) { xor_word(p.block(p.c), BLOCK_FREE); },
       P::block_on_wrong_list},
      {"previous-free bit on the first block",
       [](damaged_page& p) { xor_word(p.block(p.a), BLOCK_PREV_FREE); }, P::preceding_not_free},
      {"previous-free bit on a free block",
       [](damaged_page& p) { xor_word(p.rest(), BLOCK_PREV_FREE); }, P::free_block_prev_free},
      {"previous-free bit lost behind a free block",
       [](damaged_page& p) { xor_word(p.block(p.c), BLOCK_PREV_FREE); }, P::missing_prev_free_bit},
      {"footer in front of a live block cleared",
       [](damaged_page& p) { put_u32(p.block(p.c) - 4, 0); }, P::preceding_not_free},
      {"footer of the last free block cleared",
       [](damaged_page& p) { put_u32(p.memory.data() + HEAP_PAGE_SIZE - 4, 0); },
       P::footer_mismatch},
      {"tag of a smaller type", [](damaged_page& p) { put_word(p.block(p.c) + 2, 24); },
       P::blocks_do_not_tile},
      {"tag 0", [](damaged_page& p) { put_word(p.block(p.c) + 2, 0); }, P::tag_zero},
      {"count above the limit", [](damaged_page& p) { put_word(p.block(p.a), 4070); },
       P::small_count_too_large},
      {"count grown: blocks overlap", [](damaged_page& p) { put_word(p.block(p.a), 3); },
       P::blocks_do_not_tile},
      {"large form inside a page",
       [](damaged_page& p) { put_word(p.block(p.a), BLOCK_LARGE_FORM); }, P::large_form_misplaced},
      {"large form at the allocated head",
       [](damaged_page& p) { put_word(p.block(p.e), BLOCK_LARGE_FORM); }, P::region_lists_invalid},
      {"large form at the free head",
       [](damaged_page& p) { xor_word(p.block(p.d), BLOCK_LARGE_FORM); }, P::region_lists_invalid},
      {"allocated list lost", [](damaged_page& p) { put_word(p.header() + 8, 0); },
       P::blocks_do_not_tile},
      {"free list lost", [](damaged_page& p) { put_word(p.header() + 10, 0); },
       P::blocks_do_not_tile},
      {"largest free wrong", [](damaged_page& p) { put_word(p.header() + 20, 100); },
       P::largest_free_wrong},
      {"page group 5", [](damaged_page& p) { put_u32(p.header(), 5); }, P::header_field_invalid},
      {"reserved field set", [](damaged_page& p) { put_word(p.header() + 22, 1); },
       P::header_field_invalid},
  };
  for (const damage_row& row : rows) {
    damaged_page p;
    row.damage(p);
    EXPECT_EQ(thrown_by([&] { p.page->self_check(p.tags); }),
              "dv_err_heap_corruption - Heap corruption detected during alloc or free. "
              "(pg_header," +
                  std::to_string(static_cast<int>(row.expected)) + ")")
        << row.what;
  }
}

TEST(PageHeapDamage, WrongFreeBytesFailTheAccountingAssertion) {
  damaged_page p;
  put_u32(p.header() + 4, p.page->free_bytes() + 8);
  std::string report = thrown_by([&] { p.page->self_check(p.tags); });
  EXPECT_EQ(
      report.rfind("dv_err_internal - Assertion \"calculated_free_bytes == n_free_bytes\"", 0), 0u)
      << report;
}

TEST(PageHeapDamage, UnknownTagIsAnUnmarkedType) {
  damaged_page p;
  put_word(p.block(p.c) + 2, 99);
  EXPECT_EQ(thrown_by([&] { p.page->self_check(p.tags); }),
            "dv_err_unmarked_type - no type with tag 99");
}

// Runs op on a fresh copy of the damaged bytes; an op that throws must have
// written nothing.
void expect_refusal_leaves_page(damaged_page& p, const std::string& damaged, const char* name,
                                const std::function<void()>& op) {
  p.restore(damaged);
  std::string report = thrown_by(op);
  if (!report.empty()) {
    EXPECT_EQ(p.snapshot(), damaged) << name << " wrote before: " << report;
  }
}

void sweep(bool page_zero) {
  damaged_page p(page_zero);
  const std::string sound = p.snapshot();
  std::vector<char*> words;
  for (dv4u i = 0; i < PAGE_HEADER_SIZE; i += 2) words.push_back(p.header() + i);
  for (void* o : {p.a, p.b, p.c, p.d, p.e})
    for (dv4u i = 0; i < OBJECT_HEADER_SIZE; i += 2) words.push_back(p.block(o) + i);
  for (char* footer : {p.block(p.c) - 4, p.block(p.e) - 4, p.memory.data() + HEAP_PAGE_SIZE - 4})
    for (dv4u i = 0; i < 4; i += 2) words.push_back(footer + i);
  for (dv4u i = 0; i < OBJECT_HEADER_SIZE; i += 2) words.push_back(p.rest() + i);
  const dv2u patterns[] = {0x0001, 0x0002, 0x0008, 0x0010, 0x0100, 0x0800, 0x1000,
                           0x2000, 0x4000, 0x8000, 0x0fff, 0x00ff, 0xff00, 0xffff};
  int detected = 0;
  for (char* word : words) {
    for (dv2u pattern : patterns) {
      SCOPED_TRACE(testing::Message()
                   << "offset " << (word - p.memory.data()) << " ^ " << std::hex << pattern);
      p.restore(sound);
      xor_word(word, pattern);
      const std::string damaged = p.snapshot();
      if (!thrown_by([&] { p.page->self_check(p.tags); }).empty()) ++detected;
      EXPECT_EQ(p.snapshot(), damaged);
      expect_refusal_leaves_page(p, damaged, "findchunk 16",
                                 [&] { allocate(p.page, p.tags, alpha); });
      expect_refusal_leaves_page(p, damaged, "findchunk 40",
                                 [&] { allocate(p.page, p.tags, gamma_ts); });
      expect_refusal_leaves_page(p, damaged, "findchunk 4064",
                                 [&] { allocate(p.page, p.tags, whole_page); });
      for (void* o : {p.a, p.b, p.c, p.d, p.e})
        expect_refusal_leaves_page(p, damaged, "freechunk",
                                   [&] { p.page->freechunk(o, false, p.tags); });
    }
  }
  // Most flips break an invariant; the rest hit bits nothing depends on.
  EXPECT_GT(detected, static_cast<int>(words.size() * std::size(patterns) * 3 / 4));
}

TEST(PageHeapDamage, FlippedHeaderBitsNeverReachOutsideThePage) { sweep(false); }

TEST(PageHeapDamage, FlippedHeaderBitsNeverReachOutsidePageZero) { sweep(true); }

// A region holding an object over two of its three pages, or freed whole.
TEST(PageHeapDamage, FlippedRegionHeaderBitsAreCaughtByTheMapCheckFirst) {
  constexpr dv4u pages = 3;
  sized_typespec large("Large", 5000);
  for (bool holds_object : {true, false}) {
    SCOPED_TRACE(holds_object ? "holding its object" : "freed");
    fenced_pages memory(pages);
    tag_table tags;
    object_map map;
    map.cover(memory.data(), pages, memory.data() + 32);
    _Page_header* page = _Page_header::of_page(memory.data(), false);
    page->set_up(1, memory.data(), pages * HEAP_PAGE_SIZE);
    void* object = allocate(page, tags, large);
    if (!holds_object) page->freechunk(object, true, tags);
    page->self_check(tags, &map);
    const std::string sound = bytes_of(memory.data(), memory.size());
    std::vector<char*> words;
    for (dv4u i = 0; i < PAGE_HEADER_SIZE + OBJECT_HEADER_SIZE; i += 2)
      words.push_back(memory.data() + i);
    words.push_back(memory.data() + memory.size() - 4);
    words.push_back(memory.data() + memory.size() - 2);
    const dv2u patterns[] = {0x0001, 0x0008, 0x0100, 0x1000, 0x2000,
                             0x4000, 0x8000, 0x0fff, 0xffff};
    for (char* word : words) {
      for (dv2u pattern : patterns) {
        SCOPED_TRACE(testing::Message()
                     << "offset " << (word - memory.data()) << " ^ " << std::hex << pattern);
        std::memcpy(memory.data(), sound.data(), sound.size());
        xor_word(word, pattern);
        // Behind its first page a region's size is only known from its
        // header; the map vouches for it before anything there is touched.
        if (!thrown_by([&] { page->self_check(tags, &map); }).empty()) continue;
        const std::string damaged = bytes_of(memory.data(), memory.size());
        auto refused_unchanged = [&](const std::function<void()>& op) {
          std::memcpy(memory.data(), damaged.data(), damaged.size());
          if (!thrown_by(op).empty()) {
            EXPECT_EQ(bytes_of(memory.data(), memory.size()), damaged);
          }
        };
        refused_unchanged([&] { allocate(page, tags, large); });
        refused_unchanged([&] { page->freechunk(object, true, tags); });
      }
    }
  }
}

}  // namespace
