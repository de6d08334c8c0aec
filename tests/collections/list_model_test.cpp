// Guards the chained list against a std::vector model: seeded random
// insertions, removals, replacements and retrievals by position, by value and
// through cursors on a persistent dv_List, with the list's self-check and a
// full comparison after every step. DV_TEST_SEED replays one run.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <vector>

#include "coll_db_test.h"
#include "dv_coll_typed.h"
#include "dv_cursor.h"
#include "dv_list.h"
#include "dv_new.h"
#include "dv_typespec.h"
#include "dv_test_seed.h"

using namespace dv_qem;

namespace {
struct Element {
  int value;
};
}  // namespace
DV_DEFINE_TYPESPEC(Element, "ListModelElement", DV_NO_POINTERS, DV_NO_VTABLES);

namespace {

constexpr int steps_per_seed = 25000;
constexpr int seeds = 4;

class ListModel : public dv_test::coll_db_test {};

struct ModelRun {
  dv_List<int>& list;
  std::vector<int*> model;
  std::mt19937 rng;
  int* values;  // persistent element objects (duplicates are frequent)

  unsigned pick(unsigned n) { return std::uniform_int_distribution<unsigned>(0, n - 1)(rng); }
  int* value() { return &values[pick(48)]; }

  void compare() {
    list.check_rep_invariants();
    ASSERT_EQ(list.cardinality(), model.size());
    dv_cursor c(list);
    for (int* expected : model) {
      ASSERT_EQ(c.retrieve(), expected);
      c.next();
    }
    ASSERT_EQ(c.null(), 1);
  }

  // A cursor on position k (k < size), reached from the nearer end.
  void go_to(dv_cursor& c, unsigned k) {
    if (k < model.size() / 2) {
      c.first();
      for (unsigned i = 0; i < k; ++i) c.next();
    } else {
      c.last();
      for (unsigned i = static_cast<unsigned>(model.size()) - 1; i > k; --i) c.previous();
    }
  }

  void step() {
    unsigned size = static_cast<unsigned>(model.size());
    // Grow towards about 120 elements, then wander.
    bool grow = size < 4 || pick(240) >= size;
    int op = grow ? static_cast<int>(pick(6)) : 6 + static_cast<int>(pick(8));
    if (size == 0 && op >= 6) op = 0;
    switch (op) {
      case 0: {
        int* v = value();
        list.insert(v);
        model.push_back(v);
        break;
      }
      case 1: {
        int* v = value();
        list.insert_first(v);
        model.insert(model.begin(), v);
        break;
      }
      case 2: {
        int* v = value();
        unsigned p = pick(size + 1);
        if (size == 0) break;
        list.insert_before(v, p);
        model.insert(model.begin() + p, v);
        break;
      }
      case 3: {
        if (size == 0) break;
        int* v = value();
        unsigned p = pick(size);
        list.insert_after(v, p);
        model.insert(model.begin() + p + 1, v);
        break;
      }
      case 4: case 5: {  // through a cursor
        if (size == 0) break;
        int* v = value();
        unsigned k = pick(size);
        dv_cursor c(list);
        go_to(c, k);
        ASSERT_EQ(c.retrieve(), model[k]);
        if (op == 4) {
          c.insert_before(v);
          model.insert(model.begin() + k, v);
          ++k;
        } else {
          c.insert_after(v);
          model.insert(model.begin() + k + 1, v);
        }
        ASSERT_EQ(c.retrieve(), model[k]);
        void* after = c.next();
        ASSERT_EQ(after, k + 1 < model.size() ? model[k + 1] : nullptr);
        break;
      }
      case 6: {
        unsigned p = pick(size);
        list.remove_at(p);
        model.erase(model.begin() + p);
        break;
      }
      case 7: {
        int* v = value();
        auto it = std::find(model.begin(), model.end(), v);
        ASSERT_EQ(list.remove(v), it != model.end() ? 1 : 0);
        if (it != model.end()) model.erase(it);
        break;
      }
      case 8: {
        bool first = pick(2) == 0;
        int* got = first ? list.remove_first() : list.remove_last();
        ASSERT_EQ(got, first ? model.front() : model.back());
        if (first)
          model.erase(model.begin());
        else
          model.pop_back();
        break;
      }
      case 9: {  // removal through a cursor, then a step either way
        unsigned k = pick(size);
        dv_cursor c(list);
        go_to(c, k);
        c.remove_at();
        model.erase(model.begin() + k);
        ASSERT_EQ(c.valid(), 0);
        if (pick(2) == 0) {
          ASSERT_EQ(c.next(), k < model.size() ? model[k] : nullptr);
        } else {
          ASSERT_EQ(c.previous(), k > 0 ? model[k - 1] : nullptr);
        }
        break;
      }
      case 10: {
        unsigned p = pick(size);
        int* v = value();
        ASSERT_EQ(list.replace_at(v, p), model[p]);
        model[p] = v;
        break;
      }
      case 11: {
        unsigned p = pick(size);
        ASSERT_EQ(list.retrieve(p), model[p]);
        int* v = value();
        ASSERT_EQ(list.contains(v), std::count(model.begin(), model.end(), v) > 0 ? 1 : 0);
        ASSERT_EQ(list.count(v), std::count(model.begin(), model.end(), v));
        break;
      }
      case 12: {
        int* v = value();
        long n = std::count(model.begin(), model.end(), v);
        ASSERT_EQ(list._remove_all(v), n > 0 ? 1 : 0);
        model.erase(std::remove(model.begin(), model.end(), v), model.end());
        break;
      }
      case 13: {
        if (pick(40) != 0) break;  // rarely: start over
        list.clear();
        model.clear();
        break;
      }
    }
  }
};

TEST_F(ListModel, RandomOperationsMatchAVector) {
  dv_database* db = dv_database::create(path("list_model.db").c_str(), 0644, 0, 0);
  int* values = static_cast<int*>(::operator new(sizeof(int) * 48, db, &dv_ts<Element>::the_instance, 48));
  for (int round = 0; round < seeds; ++round) {
    unsigned seed = dv_test::seed() + static_cast<unsigned>(round);
    SCOPED_TRACE(::testing::Message() << "seed " << seed << " (replay with DV_TEST_SEED=" << seed - round << ")");
    ModelRun run{dv_List<int>::create(db), {}, std::mt19937(seed), values};
    std::printf("list model seed %u\n", seed);
    std::size_t largest = 0;
    for (int i = 0; i < steps_per_seed; ++i) {
      run.step();
      largest = std::max(largest, run.model.size());
      ASSERT_NO_FATAL_FAILURE(run.compare()) << "step " << i;
      if (HasFatalFailure()) return;
    }
    EXPECT_GE(largest, 60u);  // the run reached lists of many blocks
    dv_collection::destroy(run.list);
  }
  db->close();
}

}  // namespace
