// Guards the cursor's direct steps over a chained list: every next and
// previous through dv_cursor, on a bare list and on the facade around one,
// must leave the cursor exactly as the representation's own slots (_next,
// _previous) leave a copy of it: the same answer, element and fields, also
// across removals under the cursor, at both ends and across block borders.
// Seeded random walks; DV_TEST_SEED replays one run.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "dv_cursor.h"
#include "dv_list.h"
#include "dv_outofline_collection.h"
#include "dv_test_seed.h"

using namespace dv_qem;

namespace {

int pool[256];

struct cursor_fields {
  int answer;
  void* element;
  dv4u flags;
  unsigned count, index;
  void* state_a;
};

cursor_fields fields_of(const dv_cursor& c, int answer, void* element) {
  return {answer, element, c.flags(), c.count(), c.current_index(), c.state_a()};
}

void expect_same(const cursor_fields& direct, const cursor_fields& slot, const std::string& step) {
  EXPECT_EQ(direct.answer, slot.answer) << step;
  EXPECT_EQ(direct.element, slot.element) << step;
  EXPECT_EQ(direct.flags, slot.flags) << step;
  EXPECT_EQ(direct.count, slot.count) << step;
  EXPECT_EQ(direct.index, slot.index) << step;
  EXPECT_EQ(direct.state_a, slot.state_a) << step;
}

// One step of c both ways: through dv_cursor on c itself, and through the
// collection's slot on a copy taken before the step.
void step_both_ways(const dv_collection& coll, dv_cursor& c, bool forward, const std::string& step) {
  dv_cursor copy(c);
  void* out = nullptr;
  const int answer = forward ? c.next(out) : c.previous(out);
  void* slot_out = nullptr;
  const int slot_answer = forward ? coll._next(copy, slot_out) : coll._previous(copy, slot_out);
  copy.set_more(slot_answer);
  if (!slot_answer) slot_out = nullptr;
  expect_same(fields_of(c, answer, out), fields_of(copy, slot_answer, slot_out), step);
}

void random_walk(dv_collection& coll, dv_list& rep, std::mt19937& rng) {
  const unsigned n = rng() % 60;
  for (unsigned i = 0; i < n; ++i) rep._insert_last(&pool[i]);
  dv_cursor c(coll);
  for (unsigned s = 0; s < 300 && !::testing::Test::HasFailure(); ++s) {
    const unsigned op = rng() % 10;
    const std::string step = "step " + std::to_string(s) + " op " + std::to_string(op) + " of a list of " +
                             std::to_string(rep._cardinality());
    if (op < 5) {
      step_both_ways(coll, c, true, step);
    } else if (op < 9) {
      step_both_ways(coll, c, false, step);
    } else if (c.more() && c.valid()) {
      coll._remove_at(c);
    } else {
      rep._insert_last(&pool[100 + s % 100]);
    }
    rep._check_rep_invariants();
  }
}

TEST(ListCursorStep, DirectStepsOnAListMatchItsSlots) {
  const unsigned seed = dv_test::seed();
  SCOPED_TRACE("DV_TEST_SEED=" + std::to_string(seed));
  std::mt19937 rng(seed);
  for (int round = 0; round < 20 && !HasFailure(); ++round) {
    dv_list& list = dv_list::create(dv_database::get_transient_database());
    random_walk(list, list, rng);
    delete &list;
  }
}

TEST(ListCursorStep, DirectStepsOnAFacadeMatchItsSlots) {
  const unsigned seed = dv_test::seed();
  SCOPED_TRACE("DV_TEST_SEED=" + std::to_string(seed));
  std::mt19937 rng(seed);
  for (int round = 0; round < 20 && !HasFailure(); ++round) {
    dv_outofline_collection* facade =
        dv_outofline_collection::generate_facade("dv_List", dv_database::get_transient_database(), 0, 0);
    random_walk(*facade, static_cast<dv_list&>(*facade->get_outofline()), rng);
    delete facade;
  }
}

}  // namespace
