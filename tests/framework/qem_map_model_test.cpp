// Guards the persistent maps against a std::map model: seeded random
// insertions and replacements (SetAt and operator[]), removals of present and
// absent keys, look-ups, new hash-table sizes while the map is full, and
// emptying, on a string-to-string, a word-to-pointer and a pointer-to-word
// map in a database; after every step every key is looked up and a walk
// over the associations gives the model; the database is checked every so
// often and the map compared again after the database is reopened (half-way
// and at the end). DV_TEST_SEED replays one run.
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <type_traits>
#include <utility>

#include "dv_test_seed.h"
#include "qem_collections.h"
#include "qem_model.h"

namespace {

// Keys: the texts of a small vocabulary and numbered ones, so that removals
// and replacements hit present keys often.
struct text_key {
  typedef std::string model;
  static model random(std::mt19937& rng) {
    int n = std::uniform_int_distribution<int>(0, 150)(rng);
    return n == 0 ? std::string() : "key " + std::to_string(n);
  }
  static LPCTSTR arg(const model& m, int*) { return m.c_str(); }
  static model read(const CQEMString& s, const int*) { return std::string(s, s.GetLength()); }
};

// Pointer keys into the anchor, never null.
struct anchor_key {
  typedef int model;
  static model random(std::mt19937& rng) { return std::uniform_int_distribution<int>(0, dv_test::kAnchorSize - 1)(rng); }
  static void* arg(model m, int* anchor) { return anchor + m; }
  static model read(const void* p, const int* anchor) { return static_cast<int>(static_cast<const int*>(p) - anchor); }
};

template <class MAP, class KEY, class VALUE>
struct MapRun {
  dv_test::qem_model_test& test;
  MAP* map;
  std::map<typename KEY::model, typename VALUE::model> model;
  std::mt19937 rng;

  int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); }
  auto key_arg(const typename KEY::model& m) { return KEY::arg(m, test.anchor_); }
  auto value_arg(const typename VALUE::model& m) { return VALUE::arg(m, test.anchor_); }

  typedef typename MAP::CAssoc Assoc;
  typedef std::remove_reference_t<decltype(std::declval<Assoc>().key)> StoredKey;
  typedef std::remove_reference_t<decltype(std::declval<Assoc>().value)> StoredValue;

  void compare() {
    ASSERT_EQ(map->GetCount(), static_cast<int>(model.size()));
    for (const auto& [key, value] : model) {
      StoredValue found{};
      ASSERT_TRUE(map->Lookup(key_arg(key), found)) << "key missing";
      ASSERT_EQ(VALUE::read(found, test.anchor_), value);
    }
    std::map<typename KEY::model, typename VALUE::model> walked;
    for (POSITION p = map->GetStartPosition(); p != nullptr;) {
      StoredKey key{};
      StoredValue value{};
      map->GetNextAssoc(p, key, value);
      ASSERT_TRUE(walked.emplace(KEY::read(key, test.anchor_), VALUE::read(value, test.anchor_)).second)
          << "a key walked twice";
    }
    ASSERT_EQ(walked, model);
  }

  void step() {
    int op = pick(model.size() > 110 ? 2 : 8);
    if (model.size() > 110) op = 2 + op;  // shrink
    auto key = KEY::random(rng);
    auto value = VALUE::random(rng);
    switch (op) {
      case 0:
        map->SetAt(key_arg(key), value_arg(value));
        model[key] = value;
        break;
      case 1:
        (*map)[key_arg(key)] = value_arg(value);
        model[key] = value;
        break;
      case 2:
      case 3:
        ASSERT_EQ(map->RemoveKey(key_arg(key)) != 0, model.erase(key) == 1);
        break;
      case 4: {
        StoredValue found{};
        ASSERT_EQ(map->Lookup(key_arg(key), found) != 0, model.count(key) == 1);
        break;
      }
      case 5:
        if (!model.empty() && pick(4) == 0) map->InitHashTable(1 + pick(60), pick(2));
        break;
      case 6:
        if (pick(25) == 0) {
          map->RemoveAll();
          model.clear();
        }
        break;
      case 7:
        map->SetAt(key_arg(key), value_arg(value));
        model[key] = value;
        break;
    }
  }
};

template <class MAP, class KEY, class VALUE>
void run_model(dv_test::qem_model_test& test) {
  dv_test::run_collection_model(test, &MapRun<MAP, KEY, VALUE>::map, [&](int s) {
    return new (test.db_, &dv_qem::dv_ts<MAP>::the_instance) MAP(1 + s * 9);
  });
}

class QemMapModel : public dv_test::qem_model_test {};

TEST_F(QemMapModel, StringToStringMatchesAStdMap) {
  run_model<CQEMMapStringToString, text_key, dv_test::text_kind>(*this);
}
TEST_F(QemMapModel, WordToPtrMatchesAStdMap) { run_model<CQEMMapWordToPtr, dv_test::word_kind, dv_test::pointer_kind>(*this); }
TEST_F(QemMapModel, PtrToWordMatchesAStdMap) { run_model<CQEMMapPtrToWord, anchor_key, dv_test::word_kind>(*this); }

}  // namespace
