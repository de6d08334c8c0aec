// Guards the keyed hash tables against std::multimap models: seeded random
// insertions, removals (by key and element, and by element alone through a
// walk that retrieves the key), lookups and walks on persistent tables keyed by int,
// unsigned short, char* (a null key among them), "long double" (8-byte
// doubles) and void*, with and without duplicates, with the hash's
// self-check after every step; then the same tables opened by another
// process at another address, checked against the replayed models and
// changed further. DV_TEST_SEED replays one run.
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
#include "dv_database_root.h"
#include "dv_new.h"
#include "dv_rhash.h"
#include "dv_test_process.h"
#include "dv_test_seed.h"
#include "dv_typespec.h"
#include "key_model.h"

using namespace dv_qem;

namespace {
constexpr int element_count = 1000;
constexpr int table_count = 10;
struct Element {
  int value;
};
// The root of the cross-process test: the tables and the elements.
struct Anchor {
  _Rhash* tables[table_count];
  Element* elements;
};
}  // namespace
DV_DEFINE_TYPESPEC(Element, "KeyedHashModelElement", DV_NO_POINTERS, DV_NO_VTABLES);
DV_DEFINE_TYPESPEC(Anchor, "KeyedHashModelAnchor", DV_POINTERS(0, 4, 8, 12, 16, 20, 24, 28, 32, 36, 40),
                   DV_NO_VTABLES);

namespace {

enum class key_kind { int_key, ushort_key, char_star, long_double, pointer };

struct key_config {
  key_kind kind;
  const char* type_name;
  unsigned key_size;
  int distinct_keys;
  unsigned target_size;  // pairs a run grows towards
};

// Several hundred pairs make tables grow, split and join.
const key_config configs[] = {
    {key_kind::int_key, "int", 4, 1000, 800},
    {key_kind::ushort_key, "unsigned short", 2, 1000, 800},
    {key_kind::char_star, "char*", 4, 500, 450},
    {key_kind::long_double, "long double", 8, 40, 40},  // every key hashes alike: one probe chain
    {key_kind::pointer, "void*", 4, element_count, 800},
};

// The key argument of key number k, as the tables take it (built in the
// scratch fields, which the next key overwrites).
struct key_maker {
  key_kind kind;
  Element* elements;
  int i = 0;
  unsigned short us = 0;
  double d = 0;
  char text[32] = {};
  const char* p = nullptr;

  const void* arg(int k) {
    switch (kind) {
      case key_kind::int_key: i = k * 7919 - 300000; return &i;
      case key_kind::ushort_key: us = static_cast<unsigned short>(k * 733 + 60000); return &us;
      case key_kind::long_double: d = k * 0.5 - 3.25; return &d;
      case key_kind::pointer: return &elements[k];
      case key_kind::char_star:
        if (k == 0) {
          p = nullptr;  // the null key
        } else {
          std::snprintf(text, sizeof text, "key-%d-%s", k * 31, k % 3 == 0 ? "long tail of text" : "x");
          p = text;
        }
        return &p;
    }
    return nullptr;
  }
};

using model_t = dv_test::key_model;
using dv_test::holds;

// One seeded run over one table: the operations and the model they imply.
// With table null only the model is replayed.
struct model_run {
  const key_config& config;
  bool duplicates;
  _Rhash* table;
  Element* elements;
  std::mt19937 rng;
  model_t model;
  key_maker keys{config.kind, elements};
  std::size_t largest = 0;   // most pairs held at once
  std::size_t most_under_one_key = 0;
  unsigned widest_directory = 0;
  unsigned compared = 0;

  int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); }
  int element_number(const void* e) const { return static_cast<int>(static_cast<const Element*>(e) - elements); }

  void insert(int k, int e) {
    bool key_present = model.count(k) != 0;
    if (table != nullptr) {
      int found = -1;
      table->__insert(&elements[e], keys.arg(k), nullptr, nullptr, found);
      ASSERT_EQ(found, key_present ? 1 : 0) << "insert " << e << " under key " << k;
    }
    if (!key_present || (duplicates && !holds(model, k, e))) model.emplace(k, e);
    largest = std::max(largest, model.size());
    most_under_one_key = std::max(most_under_one_key, model.count(k));
  }

  void remove(int k, int e) {
    if (table != nullptr) table->__remove(&elements[e], keys.arg(k), nullptr);
    dv_test::erase_pair(model, k, e);
  }

  // The collection's remove: the entry holding e goes, found by a walk that
  // retrieves its key from the table. Only for an element held once, so that
  // the model knows which entry that is.
  void remove_by_element(int e) {
    const long held = dv_test::pairs_holding(model, e);
    if (held > 1) return;
    if (table != nullptr) {
      ASSERT_EQ(table->remove(&elements[e]), held);
    }
    dv_test::erase_first_holding(model, e);
  }

  void step() {
    // Mostly insertions below the target size, as many removals above it.
    bool grow = model.size() < config.target_size ? pick(4) != 0 : pick(2) == 0;
    int op = pick(grow ? 3 : 6);
    int k = pick(config.distinct_keys);
    int e = pick(element_count);
    switch (op) {
      case 0:
      case 1:
        insert(k, e);
        break;
      case 2:
        if (table != nullptr) check_lookups(k, e);
        break;
      case 3:
        if (pick(4) == 0) {  // a walk of the whole table: now and then
          remove_by_element(e);
          break;
        }
        [[fallthrough]];
      default: {
        if (model.empty()) break;
        auto it = model.begin();
        std::advance(it, pick(static_cast<int>(model.size())));
        remove(it->first, it->second);
        break;
      }
    }
  }

  void clear() {
    if (table != nullptr) table->_clear();
    model.clear();
  }

  void check_lookups(int k, int e) {
    dv_test::expect_lookups(*table, model, k, keys.arg(k), e, &elements[e],
                            [this](const void* p) { return element_number(p); });
  }

  // The self-check, the element count and a walk that delivers each pair once.
  void compare() {
    table->check_hash_invariants();
    // Every entry walked is found again by its key.
    if (++compared % 8 == 0) table->_check_rep_invariants();
    widest_directory = std::max(widest_directory, table->directory_size());
    ASSERT_EQ(table->cardinality(), model.size());
    ASSERT_EQ(dv_test::walked_elements(*table, [this](const void* p) { return element_number(p); }),
              dv_test::sorted_elements(model));
  }

  void check_every_key() {
    for (int k = 0; k < config.distinct_keys; ++k)
      ASSERT_EQ(table->__count(keys.arg(k), nullptr), static_cast<int>(model.count(k))) << "key " << k;
    for (const auto& kv : model) ASSERT_EQ(table->__contains(&elements[kv.second], keys.arg(kv.first)), 1);
  }
};

constexpr int steps = 2000;

// Behaviour bit 0x2 keeps one element per key. Tables with duplicates start
// with a directory of several tables; the others grow from one table.
_Rhash* make_table(const void* where, const key_config& config, bool duplicates) {
  unsigned behavior = duplicates ? 0u : 2u;
  unsigned expected = duplicates ? 1500u : 0u;
  return _Rhash::create(where, _Coll_cluster_default, config.type_name, config.key_size, 1, expected, behavior,
                        nullptr);
}

void run_all(Anchor& anchor, unsigned seed, bool apply, std::vector<model_run>& runs) {
  for (int i = 0; i < table_count; ++i) {
    const key_config& config = configs[i / 2];
    bool duplicates = i % 2 == 0;
    runs.push_back(model_run{config, duplicates, apply ? anchor.tables[i] : nullptr, anchor.elements,
                             std::mt19937(seed + i), {}});
  }
  for (model_run& run : runs) {
    SCOPED_TRACE(::testing::Message() << run.config.type_name << (run.duplicates ? " with" : " without")
                                      << " duplicates");
    for (int s = 0; s < steps; ++s) {
      if (s == steps - 300) run.clear();  // start over once, late in the run
      ASSERT_NO_FATAL_FAILURE(run.step()) << "step " << s;
      if (apply) {
        ASSERT_NO_FATAL_FAILURE(run.compare()) << "step " << s;
      }
    }
    // The run reached several tables' worth of pairs and, with duplicates,
    // overflow lists of several elements.
    EXPECT_GE(run.largest, run.config.target_size / 2);
    if (apply && run.config.target_size >= 400) {
      EXPECT_GE(run.widest_directory, 2u);
    }
    EXPECT_GE(run.most_under_one_key, run.duplicates ? 4u : 1u);
  }
}

class KeyedHashModel : public dv_test::coll_db_test {};
class KeyedHashModelChild : public dv_test::coll_child_test {};

std::string env(const char* name) { return std::getenv(name); }

Anchor* make_anchor(dv_database* db) {
  auto* anchor = ::new (::operator new(sizeof(Anchor), db, &dv_ts<Anchor>::the_instance)) Anchor{};
  anchor->elements = static_cast<Element*>(
      ::operator new(sizeof(Element) * element_count, db, &dv_ts<Element>::the_instance, element_count));
  for (int i = 0; i < table_count; ++i) anchor->tables[i] = make_table(anchor, configs[i / 2], i % 2 == 0);
  return anchor;
}

TEST_F(KeyedHashModel, RandomOperationsMatchMultimaps) {
  dv_database* db = dv_database::create(path("keyed_model.db").c_str(), 0644, 0, 0);
  Anchor* anchor = make_anchor(db);
  unsigned seed = dv_test::seed();
  std::printf("keyed hash model seed %u\n", seed);
  SCOPED_TRACE(::testing::Message() << "seed " << seed << " (replay with DV_TEST_SEED=" << seed << ")");
  std::vector<model_run> runs;
  run_all(*anchor, seed, true, runs);
  for (model_run& run : runs) ASSERT_NO_FATAL_FAILURE(run.check_every_key()) << run.config.type_name;
  db->close();
}

TEST_F(KeyedHashModel, TablesWorkInAnotherProcessAtAnotherAddress) {
  dv_test::run_create_then_use("KeyedHashModelChild", path("keyed_process.db"), "0x28000000");
}

TEST_F(KeyedHashModelChild, Create) {
  dv_database* db = dv_database::create(env("DV_TEST_FILE").c_str(), 0644, 0, 0);
  Anchor* anchor = make_anchor(db);
  std::vector<model_run> runs;
  run_all(*anchor, dv_test::seed(), true, runs);
  db->create_root("anchor")->set_value(anchor, &dv_ts<Anchor>::the_instance);
  db->save();
  db->close();
}

TEST_F(KeyedHashModelChild, Use) {
  dv_database* db = dv_database::open(env("DV_TEST_FILE").c_str(), 0, 0, 0);
  ASSERT_EQ(db->as_start(), reinterpret_cast<void*>(0x28000000));
  auto* anchor = static_cast<Anchor*>(db->find_root("anchor")->get_value(&dv_ts<Anchor>::the_instance));
  std::vector<model_run> runs;
  run_all(*anchor, dv_test::seed(), false, runs);
  for (int i = 0; i < table_count; ++i) {
    model_run& run = runs[i];
    SCOPED_TRACE(::testing::Message() << run.config.type_name << (run.duplicates ? " with" : " without")
                                      << " duplicates");
    run.table = anchor->tables[i];
    ASSERT_NO_FATAL_FAILURE(run.compare());
    ASSERT_NO_FATAL_FAILURE(run.check_every_key());
    for (int s = 0; s < 300; ++s) {
      ASSERT_NO_FATAL_FAILURE(run.step()) << "step " << s;
      ASSERT_NO_FATAL_FAILURE(run.compare()) << "step " << s;
    }
  }
  db->close();
}

}  // namespace
