// Guards the persistent dictionaries made by dv_dictionary::create, the
// ordered B-tree and the hash table, against std::multimap models: seeded
// random insertions, removals (by key and element, of absent pairs, and by
// element alone), look-ups, restricted walks of the B-tree in both
// directions and equal-key walks of the hash, for keys of type int,
// unsigned int, double, long double (8-byte doubles), char* (null and ""
// among them, some past the 27 characters kept inline) and "dv_pvoid"
// (addresses). Each representation keeps its own rule: a repeated (key,
// element) pair is kept twice by the B-tree and once by the hash; removing
// an absent pair is silent in the B-tree and raises in the hash when the key
// holds other elements. The
// self-check runs after every step; then the dictionaries are reopened by
// another process at another address, checked against the replayed models
// and changed further. DV_TEST_SEED replays one run.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "coll_db_test.h"
#include "durnavel.h"
#include "dv_btree.h"
#include "dv_database_root.h"
#include "dv_new.h"
#include "dv_rhash.h"
#include "dv_test_process.h"
#include "dv_test_seed.h"
#include "dv_typespec.h"
#include "key_model.h"

using namespace dv_qem;

namespace {
constexpr int element_count = 1200;
constexpr int kind_count = 7;
constexpr int dictionary_count = kind_count * 2;  // a B-tree and a hash table of each kind
struct Element {
  int value;
};
// The root of the cross-process test: the dictionaries and the elements.
struct Anchor {
  dv_dictionary* dictionaries[dictionary_count];
  Element* elements;
};
}  // namespace
DV_DEFINE_TYPESPEC(Element, "DictionaryModelElement", DV_NO_POINTERS, DV_NO_VTABLES);
DV_DEFINE_TYPESPEC(Anchor, "DictionaryModelAnchor", DV_POINTERS(0, 4, 8, 12, 16, 20, 24, 28, 32, 36, 40, 44, 48, 52, 56),
                   DV_NO_VTABLES);

namespace {

enum class key_kind { int_key, uint_key, double_key, long_double_key, char_star, pvoid, char_array };

// Character-array keys are this wide: 13 to a node, so trees grow deep.
constexpr unsigned char_array_size = 300;

struct kind_config {
  key_kind kind;
  const char* type_name;
  unsigned key_size;
  int distinct_keys;
  unsigned target_size;  // pairs a run grows towards
};

const kind_config kinds[kind_count] = {
    {key_kind::int_key, "int", 4, 2000, 800},
    {key_kind::uint_key, "unsigned int", 4, 2000, 800},
    {key_kind::double_key, "double", 8, 500, 600},
    {key_kind::long_double_key, "long double", 8, 40, 60},  // every such key hashes alike in the hash
    {key_kind::char_star, "char*", 4, 400, 500},
    {key_kind::pvoid, "dv_pvoid", 4, element_count, 800},
    {key_kind::char_array, "char[]", char_array_size, 400, 400},
};

// The key of key number k, held by value; arg() is the key argument as the
// dictionaries take it (for char* and dv_pvoid, the address of the pointer).
struct key_value {
  key_kind kind;
  int i = 0;
  unsigned u = 0;
  double d = 0;
  std::string text;
  const char* p = nullptr;
  char array[char_array_size] = {};
  void* address = nullptr;

  key_value(key_kind which, int k, Element* elements) : kind(which) {
    switch (kind) {
      case key_kind::int_key: i = k * 7919 - 2000000; break;
      case key_kind::uint_key: u = static_cast<unsigned>(k) * 2654435761u; break;
      case key_kind::double_key:
      case key_kind::long_double_key: d = k * 0.75 - 100.25; break;
      case key_kind::pvoid: address = &elements[k]; break;
      case key_kind::char_array: std::snprintf(array, sizeof array, "a%05d", (k * 7919) % 100000); break;
      case key_kind::char_star:
        if (k == 0) break;  // the null key
        if (k > 1) {        // key 1 is ""
          char buffer[64];
          std::snprintf(buffer, sizeof buffer, "k%05d%s", (k * 37) % 1000 * 100 + k,
                        k % 3 == 0 ? "-a tail that takes it past 27 characters" : "");
          text = buffer;
        }
        p = text.c_str();
        break;
    }
  }
  key_value(const key_value&) = delete;
  key_value& operator=(const key_value&) = delete;

  const void* arg() const {
    switch (kind) {
      case key_kind::int_key: return &i;
      case key_kind::uint_key: return &u;
      case key_kind::double_key:
      case key_kind::long_double_key: return &d;
      case key_kind::char_star: return &p;
      case key_kind::pvoid: return &address;
      case key_kind::char_array: return array;
    }
    return nullptr;
  }

  // The order the B-tree keeps.
  static int compare(const key_value& a, const key_value& b) {
    switch (a.kind) {
      case key_kind::int_key: return a.i < b.i ? -1 : a.i > b.i;
      case key_kind::uint_key: return a.u < b.u ? -1 : a.u > b.u;
      case key_kind::double_key:
      case key_kind::long_double_key: return a.d < b.d ? -1 : a.d > b.d;
      case key_kind::pvoid: return a.address < b.address ? -1 : a.address > b.address;
      case key_kind::char_array: return std::strcmp(a.array, b.array) < 0 ? -1 : std::strcmp(a.array, b.array) > 0;
      case key_kind::char_star:
        if (a.p == nullptr || b.p == nullptr) return (a.p != nullptr) - (b.p != nullptr);
        return std::strcmp(a.p, b.p) < 0 ? -1 : std::strcmp(a.p, b.p) > 0;
    }
    return 0;
  }
};

using model_t = dv_test::key_model;
using dv_test::holds;

int satisfies(int c, int restriction) {
  switch (restriction) {
    case 0: return c == 0;
    case 1: return c > 0;
    case 2: return c >= 0;
    case -1: return c < 0;
    case -2: return c <= 0;
    case 100: return c != 0;
    default: return 1;
  }
}

// One seeded run over one dictionary. With dict null only the model is
// replayed: every step draws the same numbers either way.
struct model_run {
  const kind_config& config;
  bool ordered;
  dv_dictionary* dict;
  Element* elements;
  std::mt19937 rng;
  model_t model;
  std::size_t largest = 0;
  std::size_t most_under_one_key = 0;
  unsigned walks = 0;
  unsigned steps_done = 0;
  unsigned deepest = 0;  // B-tree levels at most

  int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); }
  int number(const void* e) const { return static_cast<int>(static_cast<const Element*>(e) - elements); }
  dv_btree* tree() const { return static_cast<dv_btree*>(dict); }
  key_value key(int k) const { return key_value(config.kind, k, elements); }

  void insert(int k, int e) {
    const bool repeated = holds(model, k, e);
    if (dict != nullptr) {
      key_value kv(config.kind, k, elements);
      dict->__insert(&elements[e], kv.arg(), nullptr, nullptr, 0u);
    }
    if (ordered || !repeated) model.emplace(k, e);
    largest = std::max(largest, model.size());
    most_under_one_key = std::max(most_under_one_key, model.count(k));
  }

  void remove(int k, int e) {
    const bool present = holds(model, k, e);
    if (dict != nullptr) {
      key_value kv(config.kind, k, elements);
      // The hash refuses an element its key does not hold; an absent key is
      // passed over.
      if (present || ordered || model.count(k) == 0) {
        dict->__remove(&elements[e], kv.arg(), nullptr);
      } else {
        EXPECT_THROW(dict->__remove(&elements[e], kv.arg(), nullptr), dv_err) << "absent pair " << k << "," << e;
      }
    }
    dv_test::erase_pair(model, k, e);
  }

  // The collection's remove: one entry holding e goes, its key found by the
  // dictionary. Only for an element held once, so the model knows which.
  void remove_by_element(int e) {
    const long held = dv_test::pairs_holding(model, e);
    if (held > 1) return;
    if (dict != nullptr) {
      ASSERT_EQ(dict->remove(&elements[e]), held);
    }
    dv_test::erase_first_holding(model, e);
  }

  void step() {
    ++steps_done;
    const bool grow = model.size() < config.target_size ? pick(4) != 0 : pick(2) == 0;
    const int op = pick(grow ? 4 : 7);
    // A quarter of the keys come from a few, which gather many elements.
    const int k = pick(4) == 0 ? pick(std::min(config.distinct_keys, 12)) : pick(config.distinct_keys);
    const int e = pick(element_count);
    switch (op) {
      case 0:
      case 1:
        insert(k, e);
        break;
      case 2:
        if (!model.empty() && pick(3) == 0) {  // a pair held already
          auto it = model.begin();
          std::advance(it, pick(static_cast<int>(model.size())));
          insert(it->first, it->second);
        } else if (dict != nullptr) {
          check_lookups(k, e);
        }
        break;
      case 3:
        if (pick(2) == 0) {
          ordered ? check_range_walk() : check_equal_walk(k);
        } else {
          remove(k, e);  // mostly an absent pair
        }
        break;
      case 4:
        if (pick(4) == 0) {
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

  void check_lookups(int k, int e) {
    key_value kv(config.kind, k, elements);
    dv_test::expect_lookups(*dict, model, k, kv.arg(), e, &elements[e], [this](const void* p) { return number(p); });
  }

  // The key numbers held, in the B-tree's order.
  std::vector<int> sorted_keys() const {
    std::vector<int> keys;
    for (auto it = model.begin(); it != model.end(); it = model.upper_bound(it->first)) keys.push_back(it->first);
    std::sort(keys.begin(), keys.end(),
              [this](int a, int b) { return key_value::compare(key(a), key(b)) < 0; });
    return keys;
  }

  std::vector<int> elements_of(int k) const {
    std::vector<int> out;
    auto [lo, hi] = model.equal_range(k);
    for (auto it = lo; it != hi; ++it) out.push_back(it->second);
    std::sort(out.begin(), out.end());
    return out;
  }

  // The identity of a key: what the key under a cursor is compared by (the
  // text of a char* key, the address of a dv_pvoid key, else its bytes).
  std::string identity_of_key_under(dv_dictionary_cursor& c) const {
    const void* raw = dict->__retrieve_key(c);
    switch (config.kind) {
      case key_kind::char_star: return raw == nullptr ? "N" : "S" + std::string(static_cast<const char*>(raw));
      case key_kind::pvoid: return std::string(reinterpret_cast<const char*>(&raw), sizeof raw);
      default: return std::string(static_cast<const char*>(raw), config.key_size);
    }
  }
  std::string identity(int k) const {
    key_value kv(config.kind, k, elements);
    switch (config.kind) {
      case key_kind::char_star: return kv.p == nullptr ? "N" : "S" + kv.text;
      case key_kind::pvoid: return std::string(reinterpret_cast<const char*>(&kv.address), sizeof kv.address);
      default: return std::string(static_cast<const char*>(kv.arg()), config.key_size);
    }
  }
  std::map<std::string, int> key_numbers(const std::vector<int>& keys) const {
    std::map<std::string, int> by_identity;
    for (int k : keys) by_identity[identity(k)] = k;
    return by_identity;
  }

  // A walk of the dictionary cursor: runs of (key number, sorted elements),
  // each element's key number read from the key under the cursor.
  std::vector<std::pair<int, std::vector<int>>> walk(dv_dictionary_cursor& c, bool forward,
                                                     const std::vector<int>& keys) {
    const std::map<std::string, int> numbers = key_numbers(keys);
    std::vector<std::pair<int, std::vector<int>>> runs;
    void* e = nullptr;
    for (int more = forward ? dict->__first(c, e) : dict->__last(c, e); more;
         more = forward ? dict->__next(c, e) : dict->__previous(c, e)) {
      EXPECT_EQ(dict->__retrieve(c), e);
      auto found = numbers.find(identity_of_key_under(c));
      if (found == numbers.end()) {
        ADD_FAILURE() << "a key under the cursor that the model does not hold";
        break;
      }
      if (runs.empty() || runs.back().first != found->second) runs.push_back({found->second, {}});
      runs.back().second.push_back(number(e));
    }
    for (auto& run : runs) std::sort(run.second.begin(), run.second.end());
    return runs;
  }

  void check_range_walk() {
    ++walks;
    const std::vector<int> keys = sorted_keys();
    static const int codes[] = {-2, -1, 0, 1, 2, 100, 200};
    const bool two_sided = pick(2) == 0;
    const bool forward = pick(2) == 0;
    int a = pick(config.distinct_keys);
    int b = pick(config.distinct_keys);
    if (!keys.empty() && pick(2) == 0) a = keys[pick(static_cast<int>(keys.size()))];  // a bound that is held
    if (key_value::compare(key(a), key(b)) > 0) std::swap(a, b);
    const int low_code = two_sided ? (pick(2) ? 1 : 2) : codes[pick(7)];
    const int high_code = pick(2) ? -1 : -2;
    if (dict == nullptr) return;  // a replay draws the same numbers
    key_value low(config.kind, a, elements);
    key_value high(config.kind, b, elements);
    dv_dictionary_cursor& c = two_sided ? dict->__iteration_start(low_code, low.arg(), high_code, high.arg(), 0)
                                        : dict->__iteration_start(low_code, low.arg(), 0);
    auto runs = walk(c, forward, keys);
    dict->__iteration_end(c);
    std::vector<std::pair<int, std::vector<int>>> expected;
    for (int k : keys) {
      key_value kv(config.kind, k, elements);
      if (!satisfies(key_value::compare(kv, low), low_code)) continue;
      if (two_sided && !satisfies(key_value::compare(kv, high), high_code)) continue;
      expected.push_back({k, elements_of(k)});
    }
    if (!forward) std::reverse(expected.begin(), expected.end());
    ASSERT_EQ(runs, expected) << (two_sided ? "two-sided " : "one-sided ") << low_code << "/" << high_code
                              << (forward ? " forward" : " backward") << " between keys " << a << " and " << b;
  }

  void check_equal_walk(int k) {
    ++walks;
    if (dict == nullptr) return;
    key_value kv(config.kind, k, elements);
    dv_dictionary_cursor& c = dict->__iteration_start(0, kv.arg(), 0);
    std::vector<int> walked;
    void* e = nullptr;
    for (int more = dict->__first(c, e); more; more = dict->__next(c, e)) walked.push_back(number(e));
    dict->__iteration_end(c);
    std::sort(walked.begin(), walked.end());
    ASSERT_EQ(walked, elements_of(k)) << "equal walk of key " << k;
  }

  // The self-check, the count and a whole walk (now and then, in key order
  // for the B-tree: the runs of a forward walk, key by key).
  void compare() {
    if (ordered) {
      tree()->check_tree();
      unsigned levels = 1;
      for (const _Coll_btree_node* n = tree()->root(); !n->is_leaf(); n = n->child(0)) ++levels;
      deepest = std::max(deepest, levels);
    } else {
      static_cast<_Rhash*>(dict)->check_hash_invariants();
    }
    if (steps_done % 8 == 0) dict->_check_rep_invariants();
    ASSERT_EQ(dict->cardinality(), model.size());
    if (ordered && steps_done % 16 == 0) {
      const std::vector<int> keys = sorted_keys();
      dv_dictionary_cursor& c = dict->__iteration_start(0);
      auto runs = walk(c, true, keys);
      dict->__iteration_end(c);
      std::vector<std::pair<int, std::vector<int>>> expected;
      for (int k : keys) expected.push_back({k, elements_of(k)});
      ASSERT_EQ(runs, expected) << "the whole walk";
      return;
    }
    ASSERT_EQ(dv_test::walked_elements(*dict, [this](const void* p) { return number(p); }),
              dv_test::sorted_elements(model));
  }

  void check_every_key() {
    for (int k = 0; k < config.distinct_keys; ++k) {
      key_value kv(config.kind, k, elements);
      ASSERT_EQ(dict->__count(kv.arg(), nullptr), static_cast<int>(model.count(k))) << "key " << k;
    }
    for (const auto& [k, e] : model) {
      key_value kv(config.kind, k, elements);
      ASSERT_EQ(dict->__contains(&elements[e], kv.arg()), 1) << "key " << k << " element " << e;
    }
  }
};

constexpr int steps = 2000;

dv_dictionary* make_dictionary(const void* where, const kind_config& config, bool ordered) {
  return dv_dictionary::create(where, _Coll_cluster_default, config.type_name, config.key_size, 1, 0,
                               ordered ? 1u : 0u, 0, nullptr);
}

void run_all(Anchor& anchor, unsigned seed, bool apply, std::vector<model_run>& runs, int step_count) {
  runs.reserve(dictionary_count);
  for (int i = 0; i < dictionary_count; ++i)
    runs.push_back(model_run{kinds[i / 2], i % 2 == 0, apply ? anchor.dictionaries[i] : nullptr, anchor.elements,
                             std::mt19937(seed + i), {}});
  for (model_run& run : runs) {
    SCOPED_TRACE(::testing::Message() << run.config.type_name << (run.ordered ? " B-tree" : " hash"));
    for (int s = 0; s < step_count; ++s) {
      if (s == step_count - 250) {  // start over once, late in the run
        if (apply) run.dict->_clear();
        run.model.clear();
      }
      ASSERT_NO_FATAL_FAILURE(run.step()) << "step " << s;
      if (apply) {
        ASSERT_NO_FATAL_FAILURE(run.compare()) << "step " << s;
      }
    }
  }
}

class DictionaryModel : public dv_test::coll_db_test {};
class DictionaryModelChild : public dv_test::coll_child_test {};

std::string env(const char* name) { return std::getenv(name); }

Anchor* make_anchor(dv_database* db) {
  auto* anchor = ::new (::operator new(sizeof(Anchor), db, &dv_ts<Anchor>::the_instance)) Anchor{};
  anchor->elements = static_cast<Element*>(
      ::operator new(sizeof(Element) * element_count, db, &dv_ts<Element>::the_instance, element_count));
  for (int i = 0; i < dictionary_count; ++i) anchor->dictionaries[i] = make_dictionary(anchor, kinds[i / 2], i % 2 == 0);
  return anchor;
}

TEST_F(DictionaryModel, RandomOperationsMatchMultimaps) {
  dv_database* db = dv_database::create(path("dictionary_model.db").c_str(), 0644, 0, 0);
  Anchor* anchor = make_anchor(db);
  const unsigned seed = dv_test::seed();
  std::printf("dictionary model seed %u\n", seed);
  SCOPED_TRACE(::testing::Message() << "seed " << seed << " (replay with DV_TEST_SEED=" << seed << ")");
  std::vector<model_run> runs;
  run_all(*anchor, seed, true, runs, steps);
  for (model_run& run : runs) {
    ASSERT_NO_FATAL_FAILURE(run.check_every_key()) << run.config.type_name;
    // The runs reached several nodes' (or tables') worth of pairs, and keys
    // with several elements.
    EXPECT_GE(run.largest, run.config.target_size / 2) << run.config.type_name;
    EXPECT_GE(run.most_under_one_key, 3u) << run.config.type_name;
    if (run.ordered) {
      EXPECT_GE(run.deepest, run.config.kind == key_kind::char_array ? 3u : run.config.distinct_keys >= 400 ? 2u : 1u) << run.config.type_name;
    }
  }
  db->close();
}

TEST_F(DictionaryModel, DictionariesWorkInAnotherProcessAtAnotherAddress) {
  dv_test::run_create_then_use("DictionaryModelChild", path("dictionary_process.db"), "0x24100000");
}

constexpr int child_steps = 700;

TEST_F(DictionaryModelChild, Create) {
  dv_database* db = dv_database::create(env("DV_TEST_FILE").c_str(), 0644, 0, 0);
  Anchor* anchor = make_anchor(db);
  std::vector<model_run> runs;
  run_all(*anchor, dv_test::seed(), true, runs, child_steps);
  db->create_root("anchor")->set_value(anchor, &dv_ts<Anchor>::the_instance);
  db->save();
  db->close();
}

TEST_F(DictionaryModelChild, Use) {
  dv_database* db = dv_database::open(env("DV_TEST_FILE").c_str(), 0, 0, 0);
  ASSERT_EQ(db->as_start(), reinterpret_cast<void*>(0x24100000));
  auto* anchor = static_cast<Anchor*>(db->find_root("anchor")->get_value(&dv_ts<Anchor>::the_instance));
  std::vector<model_run> runs;
  run_all(*anchor, dv_test::seed(), false, runs, child_steps);
  for (int i = 0; i < dictionary_count; ++i) {
    model_run& run = runs[i];
    SCOPED_TRACE(::testing::Message() << run.config.type_name << (run.ordered ? " B-tree" : " hash"));
    run.dict = anchor->dictionaries[i];
    ASSERT_NO_FATAL_FAILURE(run.compare());
    ASSERT_NO_FATAL_FAILURE(run.check_every_key());
    for (int s = 0; s < 200; ++s) {
      ASSERT_NO_FATAL_FAILURE(run.step()) << "step " << s;
      ASSERT_NO_FATAL_FAILURE(run.compare()) << "step " << s;
    }
  }
  db->close();
}

}  // namespace
