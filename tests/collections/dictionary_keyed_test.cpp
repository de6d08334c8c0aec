// Guards the dictionaries' keyed operations and the key under a cursor: for
// every hash representation and key kind, the key a walk answers (the
// pointer itself for "char*" and "dv_pvoid" keys) goes back into _remove and
// the invariant check; the facade dv_outofline_dictionary (forwarding, only,
// the key size it refuses, copies that own a representation); insert, pick,
// count_values, remove_value and the load mode; NaN keys refused; and an
// unknown clustering refused by _Rhash::create.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "coll_db_test.h"
#include "dv_chash.h"
#include "dv_coll_err.h"
#include "dv_err.h"
#include "dv_cursor.h"
#include "dv_new.h"
#include "dv_outofline_dictionary.h"
#include "dv_rhash.h"
#include "dv_thrown_by.h"
#include "dv_typespec.h"

using namespace dv_qem;
using dv_test::thrown_by;

namespace {
struct Value {
  int n;
};
}  // namespace
DV_DEFINE_TYPESPEC(Value, "DictionaryKeyedValue", DV_NO_POINTERS, DV_NO_VTABLES);

namespace {

constexpr int value_count = 32;
constexpr unsigned keep_several = 0;  // behaviour without the one-value bit
constexpr unsigned one_per_key = 0x2;
constexpr unsigned point_to_keys = 0x8;

class DictionaryKeyed : public dv_test::coll_db_test {
 protected:
  void SetUp() override {
    db_ = dv_database::create(path("keyed.db").c_str(), 0644, 0, 0);
    values_ = static_cast<Value*>(
        ::operator new(sizeof(Value) * value_count, db_, &dv_ts<Value>::the_instance, value_count));
  }
  void TearDown() override { db_->close(); }

  Value* value(int i) { return &values_[i]; }

  dv_database* db_ = nullptr;
  Value* values_ = nullptr;
};

// ---- the key under a cursor, by representation and key kind ------------------------------

// Keys k = 0, 1, 2 of one key kind, in the form the dictionary operations
// take them (for pointer-valued kinds, the address of the pointer).
struct key_source {
  enum kind_t { int_k, uint_k, ushort_k, float_k, double_k, string_k, pointer_arg_k, pvoid_k } kind;
  int ints[3] = {-7, 0, 123456};
  unsigned uints[3] = {1, 2000000000u, 7};
  unsigned short ushorts[3] = {1, 60000, 9};
  float floats[3] = {-1.5f, 0.0f, 3.25f};
  double doubles[3] = {-2.5, 0.125, 1e12};
  char texts[3][12] = {"alpha", "", "gamma long"};
  char* strings[3] = {texts[0], texts[1], texts[2]};
  void* pointers[3] = {};

  const void* arg(int k) const {
    switch (kind) {
      case int_k: return &ints[k];
      case uint_k: return &uints[k];
      case ushort_k: return &ushorts[k];
      case float_k: return &floats[k];
      case double_k: return &doubles[k];
      case string_k: return &strings[k];
      case pointer_arg_k: return pointers[k];  // "void*" tables take the pointer itself
      case pvoid_k: return &pointers[k];
    }
    return nullptr;
  }
};

struct convention_row {
  const char* name;        // what the row makes
  const char* key_type;    // for dv_dictionary::create; null for a _Chash
  unsigned key_size;
  unsigned behavior;
  key_source::kind_t kind;
  int chash;               // 1 unsigned int, 2 void*, 3 char* (_Chash kinds)
  bool pointer_valued;     // the walk answers the pointer itself
};

const convention_row convention_rows[] = {
    {"int", "int", 4, keep_several, key_source::int_k, 0, false},
    {"const int", "const int", 4, keep_several, key_source::int_k, 0, false},
    {"unsigned int", "unsigned int", 4, one_per_key, key_source::uint_k, 0, false},
    {"unsigned short", "unsigned short", 2, keep_several, key_source::ushort_k, 0, false},
    {"float", "float", 4, keep_several, key_source::float_k, 0, false},
    {"double", "double", 8, keep_several, key_source::double_k, 0, false},
    {"long double", "long double", 8, one_per_key, key_source::double_k, 0, false},
    {"char*", "char*", 4, keep_several, key_source::string_k, 0, true},
    {"const char*", "const char*", 4, keep_several, key_source::string_k, 0, true},
    {"char const*", "char const*", 4, one_per_key, key_source::string_k, 0, true},
    // Pointed-to keys are taken again from an element when a key loses one of
    // several values, so the table keeps one value per key here.
    {"char* pointed to", "char*", 4, point_to_keys | one_per_key, key_source::string_k, 0, true},
    {"dv_pvoid", "dv_pvoid", 4, keep_several, key_source::pvoid_k, 0, true},
    // A dictionary keyed "void*" keeps the pointer values, as "dv_pvoid" does.
    {"void*", "void*", 4, keep_several, key_source::pvoid_k, 0, true},
    {"_Chash<unsigned int>", nullptr, 0, 0, key_source::uint_k, 1, false},
    {"_Chash<void*>", nullptr, 0, 0, key_source::pvoid_k, 2, true},
    {"_Chash<char*>", nullptr, 0, 0, key_source::string_k, 3, true},
};

dv_dictionary* make_dictionary(const convention_row& row, const void* where) {
  switch (row.chash) {
    case 1: return _Chash<unsigned int, void*>::create(where, 0, 0);
    case 2: return _Chash<void*, void*>::create(where, 0, 0);
    case 3: return _Chash<char*, void*>::create(where, 0, 0);
  }
  return dv_dictionary::create(where, _Coll_cluster_default, row.key_type, row.key_size, 1, 0, row.behavior, 0,
                               nullptr);
}

// One row of the convention table (a thrown library error fails the row).
void check_convention(const convention_row& row, Value* values);

TEST_F(DictionaryKeyed, TheKeyUnderACursorGoesBackIntoRemoveAndTheCheck) {
  for (const convention_row& row : convention_rows) {
    SCOPED_TRACE(row.name);
    try {
      check_convention(row, values_);
    } catch (const dv_err& e) {
      ADD_FAILURE() << e.get_report();
    }
  }
}

void check_convention(const convention_row& row, Value* values_) {
  auto value = [&](int i) { return &values_[i]; };
  {
    key_source keys{row.kind};
    for (int k = 0; k < 3; ++k) keys.pointers[k] = value(20 + k);
    dv_dictionary* d = make_dictionary(row, values_);
    ASSERT_NE(d, nullptr);
    // Key 0 holds two values where several are kept.
    d->insert(keys.arg(0), value(0));
    d->insert(keys.arg(0), value(1));
    d->insert(keys.arg(1), value(2));
    d->insert(keys.arg(2), value(3));
    const unsigned held = d->cardinality();
    d->_check_rep_invariants();

    // Each entry's key, as the walk answers it.
    dv_cursor c(*d, 0);
    void* e = nullptr;
    int walked = 0;
    for (int more = c.first(e); more; more = c.next(e), ++walked) {
      const void* key = d->retrieve_key(c);
      const int k = e == value(0) || e == value(1) ? 0 : e == value(2) ? 1 : 2;
      if (row.pointer_valued) {
        // The pointer itself: the string (a copy unless keys are pointed
        // to) or the address.
        if (row.kind == key_source::string_k)
          EXPECT_STREQ(static_cast<const char*>(key), keys.strings[k]);
        else
          EXPECT_EQ(key, keys.pointers[k]);
      } else if (row.kind == key_source::pointer_arg_k) {
        EXPECT_EQ(key, keys.pointers[k]);
      } else {
        EXPECT_EQ(std::memcmp(key, keys.arg(k), row.kind == key_source::ushort_k ? 2u
                                                 : row.kind == key_source::double_k ? 8u
                                                                                     : 4u),
                  0);
      }
    }
    EXPECT_EQ(walked, static_cast<int>(held));

    // Removal by element alone finds the key through the walk.
    EXPECT_EQ(d->remove(value(3)), 1);
    EXPECT_EQ(d->remove(value(3)), 0);
    EXPECT_EQ(d->pick(keys.arg(2)), nullptr);
    EXPECT_EQ(d->remove(value(0)), 1);
    EXPECT_EQ(d->cardinality(), held - 2);
    d->_check_rep_invariants();
    while (d->remove(d->pick()) == 1) d->_check_rep_invariants();
    EXPECT_EQ(d->cardinality(), 0u);
    delete d;
  }
}

// ---- the public keyed operations ---------------------------------------------------------

TEST_F(DictionaryKeyed, InsertPickCountAndRemoveValue) {
  dv_outofline_dictionary d(dv_dictionary::create(values_, _Coll_cluster_default, "int", 4, 1, 0, keep_several, 0,
                                                  nullptr));
  int k = 5, missing = 6;
  EXPECT_EQ(d.pick(&missing), nullptr);
  EXPECT_EQ(d.count_values(&missing), 0u);
  for (int v = 0; v < 4; ++v) d.insert(&k, value(v));
  EXPECT_EQ(d.count_values(&k), 4u);
  EXPECT_TRUE(d.contains(&k, value(2)));
  EXPECT_FALSE(d.contains(&k, value(9)));
  EXPECT_EQ(thrown_by<dv_err_coll>([&] { d.insert(&k, nullptr); }),
            "dv_err_coll_nulls - <err-0024-1910>an attempt was made to insert a null element");
  EXPECT_EQ(d.remove_value(&missing, 1), nullptr);
  EXPECT_EQ(d.remove_value(&k, 0), nullptr);
  EXPECT_EQ(d.count_values(&k), 4u);
  void* one = d.remove_value(&k, 1);
  EXPECT_NE(one, nullptr);
  EXPECT_FALSE(d.contains(&k, one));
  EXPECT_NE(d.remove_value(&k, 2), nullptr);
  EXPECT_EQ(d.count_values(&k), 1u);
  EXPECT_NE(d.remove_value(&k, 5), nullptr);
  EXPECT_EQ(d.count_values(&k), 0u);
  EXPECT_TRUE(d.empty());

  dv_outofline_dictionary single(
      dv_dictionary::create(values_, _Coll_cluster_default, "int", 4, 1, 0, one_per_key, 0, nullptr));
  single.insert(&k, value(1));
  EXPECT_EQ(single.count_values(&k), 1u);
  EXPECT_EQ(single.count_values(&missing), 0u);
}

TEST_F(DictionaryKeyed, TheFacadeForwardsAndAnswersOnly) {
  dv_outofline_dictionary d(
      dv_dictionary::create(values_, _Coll_cluster_default, "unsigned int", 4, 1, 0, keep_several, 0, nullptr));
  EXPECT_EQ(d._only(), nullptr);
  EXPECT_EQ(d.pick(), nullptr);
  unsigned a = 1, b = 2;
  d.insert(&a, value(1));
  EXPECT_EQ(d._only(), value(1));
  d.insert(&b, value(2));
  EXPECT_EQ(thrown_by<dv_err_coll>([&] { d._only(); }),
            "dv_err_coll_not_singleton - <err-0024-0270>dv_collection::only attempted on a collection with more than "
            "one element");
  EXPECT_EQ(thrown_by<dv_err_coll>([&] { d._key_size(); }), "dv_err_coll_internal - coll internal error");
  EXPECT_STREQ(d._key_type(), "unsigned int");
  EXPECT_EQ(d.cardinality(), 2u);
  EXPECT_EQ(d._is_a_hashtable(), 1);
  dv_outofline_dictionary empty_facade;
  EXPECT_EQ(empty_facade.get_outofline(), nullptr);
}

TEST_F(DictionaryKeyed, FacadeCopiesOwnARepresentation) {
  const char* names[] = {"char*", "dv_pvoid", "double"};
  for (const char* type : names) {
    SCOPED_TRACE(type);
    key_source keys{std::strcmp(type, "char*") == 0      ? key_source::string_k
                    : std::strcmp(type, "dv_pvoid") == 0 ? key_source::pvoid_k
                                                         : key_source::double_k};
    for (int k = 0; k < 3; ++k) keys.pointers[k] = value(20 + k);
    auto* d = new dv_outofline_dictionary(
        dv_dictionary::create(values_, _Coll_cluster_default, type, std::strcmp(type, "double") == 0 ? 8 : 4, 1, 0,
                              keep_several, 0, nullptr));
    d->insert(keys.arg(0), value(0));
    d->insert(keys.arg(0), value(1));
    d->insert(keys.arg(1), value(2));
    dv_outofline_dictionary copy(*d);
    dv_outofline_dictionary assigned;
    assigned = *d;
    EXPECT_NE(copy.get_outofline(), d->get_outofline());
    EXPECT_NE(assigned.get_outofline(), d->get_outofline());
    d->remove(keys.arg(0), value(0));
    delete d;
    for (dv_outofline_dictionary* c : {&copy, &assigned}) {
      EXPECT_EQ(c->count_values(keys.arg(0)), 2u);
      EXPECT_EQ(c->pick(keys.arg(1)), value(2));
      c->get_outofline()->_check_rep_invariants();
    }
  }
}

TEST_F(DictionaryKeyed, VoidPointerKeysAreComparedByThePointerTheyHold) {
  struct Row {
    const char* type;
    unsigned behavior;
  } rows[] = {{"void*", keep_several}, {"const void*", one_per_key}, {"void*", 1}, {"void *", 1 | one_per_key | 4}};
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.type) + " behaviour " + std::to_string(row.behavior));
    dv_outofline_dictionary d(
        dv_dictionary::create(values_, _Coll_cluster_default, row.type, 4, 1, 0, row.behavior, 0, nullptr));
    for (int i = 0; i < 20; ++i) {
      void* key = value(20 - i);  // a variable of this loop holds the key
      d.insert(&key, value(i));
    }
    void* again = value(12);  // another variable, the same address
    EXPECT_EQ(d.pick(&again), value(8));
    EXPECT_EQ(d.count_values(&again), 1u);
    EXPECT_TRUE(d.contains(&again, value(8)));
    d.remove(&again, value(8));
    EXPECT_EQ(d.pick(&again), nullptr);
    EXPECT_EQ(d.cardinality(), 19u);
    d.get_outofline()->_check_rep_invariants();
  }
}

TEST_F(DictionaryKeyed, LoadMode) {
  EXPECT_EQ(dv_dictionary::in_load_mode(), 0);
  dv_dictionary::set_load_mode();
  EXPECT_NE(dv_dictionary::in_load_mode(), 0);
  dv_dictionary::clear_load_mode();
  EXPECT_EQ(dv_dictionary::in_load_mode(), 0);
}

TEST_F(DictionaryKeyed, NanKeysAreRefused) {
  struct Row {
    const char* type;
    unsigned size;
  } rows[] = {{"float", 4}, {"double", 8}, {"long double", 8}, {"const double", 8}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.type);
    dv_dictionary* d =
        dv_dictionary::create(values_, _Coll_cluster_default, row.type, row.size, 1, 0, keep_several, 0, nullptr);
    const float fnan = std::numeric_limits<float>::quiet_NaN();
    const double dnan = std::numeric_limits<double>::quiet_NaN();
    const void* key = row.size == 4 ? static_cast<const void*>(&fnan) : &dnan;
    EXPECT_EQ(thrown_by<dv_err_coll>([&] { d->insert(key, value(1)); }),
              std::string("dv_err_coll_illegal_arg - a NaN key of type ") + d->_key_type() +
                  " cannot be stored: it equals no key, itself included");
    EXPECT_EQ(d->cardinality(), 0u);
    const double one = 1;
    const float onef = 1;
    d->insert(row.size == 4 ? static_cast<const void*>(&onef) : &one, value(2));
    EXPECT_EQ(d->cardinality(), 1u);
    delete d;
  }
}

TEST_F(DictionaryKeyed, AnUnknownClusteringIsRefused) {
  EXPECT_EQ(thrown_by<dv_err_coll>([&] {
              _Rhash::create(values_, static_cast<_Coll_clustering>(7), "int", 4, 1, 0, 0, nullptr);
            }),
            "dv_err_coll_illegal_arg - _Rhash::create: unknown clustering 7 (0, 1 or 2 expected)");
}

}  // namespace
