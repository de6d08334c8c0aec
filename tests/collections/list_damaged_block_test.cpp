// Guards the chained list's refusal of a block its chain contradicts: a
// block header overwritten as a retag as dv_list overwrites it (a
// virtual-table word over the count and the flags), unknown flag bits,
// has_next with is_last, a count above the block's slots, and a link back
// to something other than its predecessor. Every walk that enters the block
// (cursor forward and backward, by position, search, count, the ends)
// raises the list's internal error instead of reading its slots; the list
// restored, every walk reads it whole again.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "dv_list.h"
#include "dv_thrown_by.h"

using namespace dv_qem;
using dv_test::thrown_by;

namespace {

int pool[64];
void* el(int i) { return &pool[i]; }
constexpr int kElements = 20;  // 3 in the head, blocks of 7, 7 and 3

void put_half(void* object, unsigned offset, dv2u value) {
  std::memcpy(static_cast<char*>(object) + offset, &value, sizeof value);
}

struct damage_case {
  const char* what;
  std::function<void(dv_list&, dv_chained_list_block*)> damage;
  const char* report;  // what the refusal's report holds
};

struct walk_case {
  const char* what;
  std::function<void(dv_list&)> walk;
};

const std::vector<walk_case>& walks() {
  static const std::vector<walk_case> all = {
      {"a cursor forward",
       [](dv_list& l) {
         dv_cursor c;
         void* e = nullptr;
         for (int more = l._first(c, e); more; more = l._next(c, e)) {
         }
       }},
      {"a cursor forward through dv_cursor",
       [](dv_list& l) {
         dv_cursor c(l);
         for (void* e = c.first(); e != nullptr; e = c.next()) {
         }
       }},
      {"a cursor backward",
       [](dv_list& l) {
         dv_cursor c;
         void* e = nullptr;
         for (int more = l._last(c, e); more; more = l._previous(c, e)) {
         }
       }},
      {"the last position", [](dv_list& l) { l._retrieve(kElements - 1); }},
      {"a search for an absent element", [](dv_list& l) { l._contains(el(40)); }},
      {"a count", [](dv_list& l) { l._count(el(40)); }},
  };
  return all;
}

TEST(ListDamagedBlock, EveryWalkThatEntersTheBlockRefusesIt) {
  const std::vector<damage_case> damages = {
      {"a virtual-table word over the count and the flags (a retag as dv_list)",
       [](dv_list& l, dv_chained_list_block* b) { std::memcpy(static_cast<void*>(b), &l, 4); }, "dv_err_coll_internal"},
      {"an unknown flag bit", [](dv_list&, dv_chained_list_block* b) { put_half(b, 2, b->flags() | 0x10); },
       "coll internal error"},
      {"has_next with is_last", [](dv_list&, dv_chained_list_block* b) { put_half(b, 2, b->flags() | 0x2); },
       "coll internal error"},
      {"a count above the block's slots", [](dv_list&, dv_chained_list_block* b) { b->set_local_card(9); },
       "<maint-0024-0006>local cardinality incorrect in block"},
      {"a link back to elsewhere", [](dv_list&, dv_chained_list_block* b) { b->set_previous(el(50)); },
       "<maint-0024-0003>Bad previous pointer in block"},
      {"a link back to the head", [](dv_list& l, dv_chained_list_block* b) {
         b->set_previous(&l);
         b->set_prev_is_root();
       },
       "<maint-0024-0003>Bad previous pointer in block"},
  };
  dv_list& l = dv_list::create(dv_database::get_transient_database());
  for (int i = 0; i < kElements; ++i) l._insert(el(i));
  // The last block: every walk enters it.
  dv_chained_list_block* last = l.find_last_block();
  ASSERT_TRUE(last->is_last());
  char saved[40];
  std::memcpy(saved, last, sizeof saved);
  for (const damage_case& d : damages) {
    d.damage(l, last);
    for (const walk_case& w : walks()) {
      const std::string report = thrown_by([&] { w.walk(l); });
      EXPECT_NE(report.find(d.report), std::string::npos)
          << d.what << ", " << w.what << ": \"" << report << "\"";
    }
    std::memcpy(static_cast<void*>(last), saved, sizeof saved);
    for (const walk_case& w : walks()) EXPECT_EQ(thrown_by([&] { w.walk(l); }), "") << d.what << ", " << w.what;
  }
  l._check_rep_invariants();
  delete &l;
}

}  // namespace
