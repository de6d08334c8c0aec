// Guards the packed list behind dv_Array against a std::vector model: seeded
// random operations by position, by value and through a cursor (nulls and
// duplicates included, out-of-range positions and illegal cursors too) on an
// array stored in a database, with the self-check and a full comparison
// after every step. DV_TEST_SEED replays one run.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "coll_db_test.h"
#include "dv_array.h"
#include "dv_coll_err.h"
#include "dv_coll_typed.h"
#include "dv_cursor.h"
#include "dv_test_seed.h"
#include "durnavel.h"

using namespace dv_qem;

namespace {

int objects[6];

// The model of a cursor: a position (-1: none) and the deleted mark.
struct model_cursor {
  int at = -1;
  bool deleted = false;
};

class ArrayModel : public dv_test::coll_db_test {
 protected:
  void SetUp() override { durnavel::initialize(); }

  void run(unsigned seed, unsigned steps);

  std::mt19937 rng_;
  unsigned pick(unsigned n) { return std::uniform_int_distribution<unsigned>(0, n - 1)(rng_); }
  // Null about one time in seven, else one of a few objects (so duplicates abound).
  void* element() {
    unsigned i = pick(7);
    return i == 6 ? nullptr : &objects[i];
  }
};

// Runs op, which must throw a dv_err.
template <class F>
bool throws(F op) {
  try {
    op();
  } catch (const dv_err&) {
    return true;
  }
  return false;
}

void ArrayModel::run(unsigned seed, unsigned steps) {
  rng_.seed(seed);
  dv_database* db = dv_database::create(path("model" + std::to_string(seed) + ".db").c_str(), 0644, 0, 0);
  dv_Array<void>& a = dv_Array<void>::create(db, pick(12));
  dv_array& rep = static_cast<dv_array&>(*a.get_outofline());
  std::vector<void*> model;
  dv_cursor c(a);
  model_cursor mc;

  for (unsigned step = 0; step < steps; ++step) {
    SCOPED_TRACE("step " + std::to_string(step));
    const unsigned n = static_cast<unsigned>(model.size());
    // Positions mostly in range, sometimes one or two past it.
    const unsigned pos = pick(n + 2);
    void* e = element();
    // Shrink more often than grow once the array is long.
    unsigned op = pick(24);
    // A cursor keeps its position while others change the array; it stands
    // nowhere while that position holds no element.
    const int cur = mc.at < static_cast<int>(n) ? mc.at : -1;
    if (n > 60 && op < 8) op += 8;
    switch (op) {
      case 0:
      case 1:
        a.insert_last(static_cast<const void*>(e));
        model.push_back(e);
        break;
      case 2:
        a.insert_first(static_cast<const void*>(e));
        model.insert(model.begin(), e);
        break;
      case 3:
        if (n > 0 && pos <= n) {
          a.insert_before(static_cast<const void*>(e), pos);
          model.insert(model.begin() + pos, e);
        } else {
          ASSERT_TRUE(throws([&] { a.insert_before(static_cast<const void*>(e), pos); }));
        }
        break;
      case 4:
        if (n > 0 && pos < n) {
          a.insert_after(static_cast<const void*>(e), pos);
          model.insert(model.begin() + pos + 1, e);
        } else {
          ASSERT_TRUE(throws([&] { a.insert_after(static_cast<const void*>(e), pos); }));
        }
        break;
      case 5:
      case 6:
        if (pos < n) {
          a.remove_at(pos);
          model.erase(model.begin() + pos);
        } else {
          ASSERT_TRUE(throws([&] { a.remove_at(pos); }));
        }
        break;
      case 7:
        if (pos < n) {
          ASSERT_EQ(a.replace_at(static_cast<const void*>(e), pos), model[pos]);
          model[pos] = e;
        } else {
          ASSERT_TRUE(throws([&] { (void)a.replace_at(static_cast<const void*>(e), pos); }));
        }
        break;
      case 8: {
        auto it = std::find(model.begin(), model.end(), e);
        ASSERT_EQ(a.remove(static_cast<const void*>(e)), it != model.end() ? 1 : 0);
        if (it != model.end()) model.erase(it);
        break;
      }
      case 9: {
        size_t before = model.size();
        model.erase(std::remove(model.begin(), model.end(), e), model.end());
        ASSERT_EQ(a._remove_all(static_cast<const void*>(e)), model.size() != before ? 1 : 0);
        break;
      }
      case 10: {
        const void* out = &objects[5];
        ASSERT_EQ(a.dv_collection::remove_first(out), n > 0 ? 1 : 0);
        if (n > 0) {
          ASSERT_EQ(out, model.front());
          model.erase(model.begin());
        }
        break;
      }
      case 11: {
        const void* out = &objects[5];
        ASSERT_EQ(a.dv_collection::remove_last(out), n > 0 ? 1 : 0);
        if (n > 0) {
          ASSERT_EQ(out, model.back());
          model.pop_back();
        }
        break;
      }
      case 12:
        ASSERT_EQ(a.contains(static_cast<const void*>(e)), std::count(model.begin(), model.end(), e) > 0 ? 1 : 0);
        ASSERT_EQ(a.count(static_cast<const void*>(e)), std::count(model.begin(), model.end(), e));
        break;
      case 13:
        if (pos < n) {
          ASSERT_EQ(a.retrieve(pos), model[pos]);
        } else {
          ASSERT_TRUE(throws([&] { (void)a.retrieve(pos); }));
        }
        break;
      case 14:
        mc = {n > 0 ? 0 : -1, false};
        ASSERT_EQ(c.first(), n > 0 ? model[0] : nullptr);
        break;
      case 15:
        mc = {static_cast<int>(n) - 1, false};
        ASSERT_EQ(c.last(), n > 0 ? model[n - 1] : nullptr);
        break;
      case 16:
      case 17: {
        void* out = nullptr;
        int found = c.next(out);
        if (cur < 0 && !mc.deleted) {
          ASSERT_EQ(found, 0);
          break;
        }
        mc.deleted = false;
        mc.at = cur + 1 < static_cast<int>(n) ? cur + 1 : -1;
        ASSERT_EQ(found, mc.at >= 0 ? 1 : 0);
        if (found) {
          ASSERT_EQ(out, model[mc.at]);
        }
        break;
      }
      case 18: {
        void* out = nullptr;
        int found = c.previous(out);
        if (cur < 0) {
          ASSERT_EQ(found, 0);
          break;
        }
        mc.at = cur;
        if (mc.deleted)
          mc.deleted = false;
        else
          --mc.at;
        ASSERT_EQ(found, mc.at >= 0 ? 1 : 0);
        if (found) {
          ASSERT_EQ(out, model[mc.at]);
        }
        break;
      }
      case 19:
        if (cur < 0 || mc.deleted) {
          ASSERT_TRUE(throws([&] { c.insert_after(e); }));
        } else {
          c.insert_after(e);
          model.insert(model.begin() + cur + 1, e);
        }
        break;
      case 20:
        if (cur < 0 || mc.deleted) {
          ASSERT_TRUE(throws([&] { c.insert_before(e); }));
        } else {
          c.insert_before(e);
          model.insert(model.begin() + cur, e);
          mc.at = cur + 1;
        }
        break;
      case 21:
      case 22:
        if (cur < 0 || mc.deleted) {
          ASSERT_TRUE(throws([&] { c.remove_at(); }));
        } else {
          c.remove_at();
          model.erase(model.begin() + cur);
          mc.deleted = true;
          mc.at = cur - 1;
        }
        break;
      case 23:
        if (cur < 0 || mc.deleted) {
          ASSERT_TRUE(throws([&] { (void)c.retrieve(); }));
        } else {
          ASSERT_EQ(c.retrieve(), model[cur]);
        }
        break;
    }
    ASSERT_NO_THROW(rep.check_rep_invariants());
    ASSERT_EQ(a.cardinality(), model.size());
    for (unsigned i = 0; i < model.size(); ++i) ASSERT_EQ(a.retrieve(i), model[i]) << "position " << i;
    ASSERT_GE(rep.capacity(), 5u);
    ASSERT_GE(rep.capacity(), model.size());
  }
  db->close();
}

TEST_F(ArrayModel, RandomOperationsMatchAVector) {
  const unsigned base = dv_test::seed();
  std::printf("ArrayModel seed %u (replay with DV_TEST_SEED=%u)\n", base, base);
  constexpr unsigned runs = 4, steps = 25000;
  for (unsigned r = 0; r < runs; ++r) {
    unsigned seed = base + r;
    SCOPED_TRACE("seed " + std::to_string(seed) + " (replay with DV_TEST_SEED=" + std::to_string(base) + ")");
    run(seed, steps);
    if (HasFatalFailure()) return;
  }
}

}  // namespace
