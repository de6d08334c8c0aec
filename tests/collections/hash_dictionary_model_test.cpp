// Guards the hash dictionaries _Chash<K,void*> against std::multimap models:
// seeded random insertions (repeated pairs, and with one value per key
// repeated keys, stored once), removals of held pairs, of pairs not held
// (refused, nothing changed), by key alone and by element alone, lookups and
// walks, on persistent dictionaries keyed by unsigned int, char* (a null key
// and "" among them) and void*, with the self-checks after every step; then
// the dictionaries opened by another process at another address, checked
// against the replayed models and changed further. DV_TEST_SEED replays a
// run.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "coll_db_test.h"
#include "durnavel.h"
#include "dv_chash.h"
#include "dv_coll_err.h"
#include "dv_cursor.h"
#include "dv_database_root.h"
#include "dv_new.h"
#include "dv_test_process.h"
#include "dv_test_seed.h"
#include "dv_typespec.h"
#include "key_model.h"

using namespace dv_qem;

namespace {
constexpr int element_count = 400;
struct Item {
  int n;
};
struct ModelAnchor {
  _Chash<unsigned int, void*>* by_number;
  _Chash<char*, void*>* by_name;
  _Chash<void*, void*>* by_address;
  Item* items;
};
}  // namespace
DV_DEFINE_TYPESPEC(Item, "ChashModelItem", DV_NO_POINTERS, DV_NO_VTABLES);
DV_DEFINE_TYPESPEC(ModelAnchor, "ChashModelAnchor", DV_POINTERS(0, 4, 8, 12), DV_NO_VTABLES);

namespace {

constexpr int steps = 1200;
constexpr int later_steps = 200;

using model_t = dv_test::key_model;
using dv_test::holds;

// One dictionary under test, seen through its untyped face, with its keys.
enum class key_kind { number, name, address };

struct model_run {
  const char* name;
  key_kind kind;
  dv_dictionary* d;  // null: the model is only replayed
  _Rhash* (*table)(dv_dictionary*);
  bool one_per_key;
  int distinct_keys;
  Item* items;
  std::mt19937 rng;
  model_t model;
  // Key scratch: the argument of key k (overwritten by the next key).
  unsigned number = 0;
  std::string text;
  char* text_ptr = nullptr;
  void* address = nullptr;

  const void* key(int k) {
    switch (kind) {
      case key_kind::number:
        number = static_cast<unsigned>(k) * 2654435761u;
        return &number;
      case key_kind::address:
        address = &items[k % element_count];
        return &address;
      case key_kind::name:
        if (k == 0) {
          text_ptr = nullptr;
        } else {
          text = k == 1 ? "" : "name " + std::to_string(k) + (k % 5 == 0 ? " with a longer tail" : "");
          text_ptr = text.data();
        }
        return &text_ptr;
    }
    return nullptr;
  }

  int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); }
  int number_of(const void* e) const { return static_cast<int>(static_cast<const Item*>(e) - items); }

  void insert(int k, int e) {
    if (d != nullptr) d->insert(key(k), &items[e]);
    const bool key_held = model.count(k) != 0;
    if (one_per_key ? !key_held : !holds(model, k, e)) model.emplace(k, e);
  }

  void remove_pair(int k, int e) {
    if (d != nullptr) d->remove(key(k), &items[e]);
    dv_test::erase_pair(model, k, e);
  }

  // A pair not held: refused when its key holds other values, ignored when
  // the key holds none; nothing changes either way.
  void remove_absent_pair(int k, int e) {
    if (d == nullptr || holds(model, k, e)) return;
    const unsigned before = d->cardinality();
    if (model.count(k) != 0)
      EXPECT_THROW(d->remove(key(k), &items[e]), dv_err_am) << "pair " << k << ", " << e;
    else
      EXPECT_NO_THROW(d->remove(key(k), &items[e])) << "pair " << k << ", " << e;
    EXPECT_EQ(d->cardinality(), before);
  }

  // remove_value(key, 1): one of the key's values goes (which one only the
  // live dictionary knows, so replayed runs never do this).
  void remove_by_key(int k) {
    void* v = d->remove_value(key(k), 1);
    auto [lo, hi] = model.equal_range(k);
    if (lo == hi) {
      EXPECT_EQ(v, nullptr);
      return;
    }
    ASSERT_NE(v, nullptr);
    for (auto it = lo; it != hi; ++it)
      if (it->second == number_of(v)) {
        model.erase(it);
        return;
      }
    ADD_FAILURE() << "remove_value answered a value not under key " << k;
  }

  void remove_by_element(int e) {
    const long held = dv_test::pairs_holding(model, e);
    if (held > 1) return;  // the model could not tell which entry goes
    if (d != nullptr) {
      EXPECT_EQ(d->remove(&items[e]), held);
    }
    dv_test::erase_first_holding(model, e);
  }

  void check_key(int k, int e) {
    const unsigned n = static_cast<unsigned>(model.count(k));
    ASSERT_EQ(d->count_values(key(k)), n) << "key " << k;
    ASSERT_EQ(d->__count(key(k), nullptr), static_cast<int>(n)) << "key " << k;
    ASSERT_EQ(d->contains(key(k), &items[e]), holds(model, k, e) ? 1 : 0) << "key " << k << " element " << e;
    void* picked = d->pick(key(k));
    if (n == 0)
      ASSERT_EQ(picked, nullptr);
    else
      ASSERT_TRUE(holds(model, k, number_of(picked)));
  }

  // One random step.
  void step() {
    const bool grow = model.size() < 250 ? pick(3) != 0 : pick(2) == 0;
    const int k = pick(distinct_keys);
    const int e = pick(element_count);
    switch (pick(grow ? 3 : 7)) {
      case 0:
      case 1: insert(k, e); break;
      case 2: if (d != nullptr) check_key(k, e); break;
      case 3: remove_absent_pair(k, e); break;
      case 4: remove_by_element(e); break;
      default: {
        if (model.empty()) break;
        auto it = model.begin();
        std::advance(it, pick(static_cast<int>(model.size())));
        remove_pair(it->first, it->second);
      }
    }
  }

  // The self-checks, the count and a walk that delivers each pair once with
  // its key.
  void compare() {
    table(d)->check_hash_invariants();
    d->_check_rep_invariants();
    ASSERT_EQ(d->cardinality(), model.size());
    std::vector<std::pair<int, int>> walked;
    dv_cursor c(*d, 0);
    void* e = nullptr;
    for (int more = c.first(e); more; more = c.next(e)) {
      const void* answered = d->retrieve_key(c);
      // The key answered goes back in as the key argument (pointer keys by
      // the address of the pointer).
      const void* arg = kind == key_kind::number ? answered : static_cast<const void*>(&answered);
      ASSERT_TRUE(d->contains(arg, e));
      walked.emplace_back(0, number_of(e));
    }
    std::vector<int> got;
    for (auto& p : walked) got.push_back(p.second);
    std::sort(got.begin(), got.end());
    ASSERT_EQ(got, dv_test::sorted_elements(model));
  }
};

_Rhash* table_of(dv_dictionary* d) {
  return static_cast<_Rhash*>(static_cast<dv_outofline_dictionary*>(d)->get_outofline());
}

std::vector<model_run> runs_for(ModelAnchor& a, unsigned seed, bool live) {
  struct shape {
    const char* name;
    key_kind kind;
    dv_dictionary* d;
    bool one_per_key;
    int distinct_keys;
  } shapes[] = {{"by number", key_kind::number, a.by_number, false, 300},
                {"by name", key_kind::name, a.by_name, false, 200},
                {"by address", key_kind::address, a.by_address, true, 300}};
  std::vector<model_run> runs;
  for (const shape& s : shapes) {
    model_run run{s.name, s.kind, live ? s.d : nullptr, table_of, s.one_per_key, s.distinct_keys, a.items,
                  std::mt19937(seed + static_cast<unsigned>(runs.size())), {}, 0, {}, nullptr, nullptr};
    runs.push_back(std::move(run));
  }
  return runs;
}

ModelAnchor* make_anchor(dv_database* db) {
  auto* a = ::new (::operator new(sizeof(ModelAnchor), db, &dv_ts<ModelAnchor>::the_instance)) ModelAnchor{};
  a->items = static_cast<Item*>(
      ::operator new(sizeof(Item) * element_count, db, &dv_ts<Item>::the_instance, element_count));
  a->by_number = _Chash<unsigned int, void*>::create(a, 0, 0);
  a->by_name = _Chash<char*, void*>::create(a, 0, 0);
  a->by_address = _Chash<void*, void*>::create(a, 0, 0xC00);
  return a;
}

// Runs every dictionary's steps; removals by key alone only in runs that
// are never replayed.
void run_all(std::vector<model_run>& runs, bool with_key_removals) {
  for (model_run& run : runs) {
    SCOPED_TRACE(run.name);
    for (int s = 0; s < steps; ++s) {
      ASSERT_NO_FATAL_FAILURE(run.step()) << "step " << s;
      if (with_key_removals && run.pick(10) == 0) {
        ASSERT_NO_FATAL_FAILURE(run.remove_by_key(run.pick(run.distinct_keys))) << "step " << s;
      }
      if (run.d != nullptr) {
        ASSERT_NO_FATAL_FAILURE(run.compare()) << "step " << s;
      }
    }
    EXPECT_GE(run.model.size(), 100u);
  }
}

class HashDictionaryModel : public dv_test::coll_db_test {};

TEST_F(HashDictionaryModel, RandomOperationsMatchMultimaps) {
  dv_database* db = dv_database::create(path("chash_model.db").c_str(), 0644, 0, 0);
  ModelAnchor* a = make_anchor(db);
  const unsigned seed = dv_test::seed();
  std::printf("chash model seed %u\n", seed);
  SCOPED_TRACE(::testing::Message() << "seed " << seed << " (replay with DV_TEST_SEED=" << seed << ")");
  std::vector<model_run> runs = runs_for(*a, seed, true);
  run_all(runs, true);
  db->close();
}

class HashDictionaryModelChild : public dv_test::coll_child_test {};

TEST_F(HashDictionaryModel, DictionariesWorkInAnotherProcessAtAnotherAddress) {
  dv_test::run_create_then_use("HashDictionaryModelChild", path("chash_model_process.db"), "0x24100000");
}

TEST_F(HashDictionaryModelChild, Create) {
  dv_database* db = dv_database::create(std::getenv("DV_TEST_FILE"), 0644, 0, 0);
  ModelAnchor* a = make_anchor(db);
  std::vector<model_run> runs = runs_for(*a, dv_test::seed(), true);
  run_all(runs, false);
  db->create_root("anchor")->set_value(a, &dv_ts<ModelAnchor>::the_instance);
  db->save();
  db->close();
}

TEST_F(HashDictionaryModelChild, Use) {
  dv_database* db = dv_database::open(std::getenv("DV_TEST_FILE"), 0, 0, 0);
  ASSERT_EQ(db->as_start(), reinterpret_cast<void*>(0x24100000));
  auto* a = static_cast<ModelAnchor*>(db->find_root("anchor")->get_value(&dv_ts<ModelAnchor>::the_instance));
  std::vector<model_run> runs = runs_for(*a, dv_test::seed(), false);
  run_all(runs, false);
  runs[0].d = a->by_number;
  runs[1].d = a->by_name;
  runs[2].d = a->by_address;
  for (model_run& run : runs) {
    SCOPED_TRACE(run.name);
    ASSERT_NO_FATAL_FAILURE(run.compare());
    for (int k = 0; k < run.distinct_keys; ++k) ASSERT_NO_FATAL_FAILURE(run.check_key(k, k % element_count));
    for (int s = 0; s < later_steps; ++s) {
      ASSERT_NO_FATAL_FAILURE(run.step()) << "step " << s;
      ASSERT_NO_FATAL_FAILURE(run.compare()) << "step " << s;
    }
  }
  db->close();
}

}  // namespace
