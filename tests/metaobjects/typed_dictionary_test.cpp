// Guards the typed dictionaries: the representation each behaviour chooses
// (B-tree for 0x200, a hash table with flags 11 or 13 otherwise, char* key
// flag, rank and hash functions, stored typespec names); the slot rules of
// the hash table (one element stored once, a second one turning the slot
// into an overflow list and back, removed slots skipped and reused, a second
// insert refused when one value per key is kept); and, for both
// representations, seeded random inserts and removals against a model.
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>

#include "dv_coll_err.h"
#include "dv_coll_key_functions.h"
#include "dv_new.h"
#include "dv_qem/mop"
#include "dv_test_seed.h"
#include "mop_db_test.h"

using namespace dv_qem;

namespace {

struct Entry {
  int id;
};

}  // namespace
DV_DEFINE_TYPESPEC(Entry, "MopDictionaryEntry", DV_NO_POINTERS, DV_NO_VTABLES);
// The test's own dictionaries: virtual table at 0, representation at 4.
using text_dictionary = dv_qem::dv_Dictionary<char*, Entry>;
using number_dictionary = dv_qem::dv_Dictionary<unsigned, Entry>;
DV_DEFINE_TYPESPEC(text_dictionary, "MopTextDictionary", DV_POINTERS(4), DV_VTABLES(0));
DV_DEFINE_TYPESPEC(number_dictionary, "MopNumberDictionary", DV_POINTERS(4), DV_VTABLES(0));

namespace {

class TypedDictionary : public dv_test::mop_db_test {
 protected:
  // A dictionary embedded in a persistent holder, as metaobjects embed theirs.
  template <class D>
  D* make(unsigned behavior, unsigned expected = 10) {
    return new (db_, D::get_dv_typespec()) D(expected, behavior);
  }
  Entry* entry(int id) { return new (db_, &dv_ts<Entry>::the_instance) Entry{id}; }
  static const dv_typespec* typespec_of(void* object) {
    unsigned count = 0, offset = 0;
    return dv_typespec::typespec_at(object, count, offset);
  }
};

TEST_F(TypedDictionary, BehaviourChoosesTheRepresentation) {
  const struct {
    unsigned behavior;
    bool btree;
    unsigned flags;  // of the hash table
  } cases[] = {{0, false, 11}, {0x400, false, 13}, {0x800, false, 13}, {0x200, true, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "behaviour 0x" << std::hex << c.behavior);
    text_dictionary* d = make<text_dictionary>(c.behavior);
    dv_dictionary* rep = d->get_outofline();
    ASSERT_NE(rep, nullptr);
    EXPECT_EQ(dv_database::of(rep), db_);
    EXPECT_STREQ(rep->_key_type(), "char*");
    if (c.btree) {
      EXPECT_NE(dynamic_cast<dv_btree*>(rep), nullptr);
      EXPECT_STREQ(typespec_of(rep)->get_name(), "dv_qem::dv_btree");
      continue;
    }
    auto* hash = dynamic_cast<_Rhash_pt<char*>*>(rep);
    ASSERT_NE(hash, nullptr);
    EXPECT_EQ(hash->get_flags(), c.flags | 0x20u) << "char* keys add the character-pointer flag";
    EXPECT_EQ(hash->sizeof_slot(), 12u);
    EXPECT_STREQ(typespec_of(rep)->get_name(), "dv_qem::_Rhash_pt<char*>");
    _Rank_fcn rank = nullptr;
    _Hash_fcn hash_fn = nullptr;
    hash->find_functions(rank, hash_fn);
    EXPECT_EQ(rank, &_Str_rank);
    EXPECT_EQ(hash_fn, &_Str_hash_khs);
  }
  number_dictionary* n = make<number_dictionary>(0);
  auto* hash = dynamic_cast<_Rhash_pt<unsigned>*>(n->get_outofline());
  ASSERT_NE(hash, nullptr);
  EXPECT_EQ(hash->get_flags(), 11u);
  EXPECT_EQ(hash->sizeof_slot(), 8u);
  EXPECT_STREQ(hash->_key_type(), "unsigned int");
  EXPECT_STREQ(typespec_of(hash)->get_name(), "dv_qem::_Rhash_pt<unsigned int>");
  _Rank_fcn rank = nullptr;
  _Hash_fcn hash_fn = nullptr;
  hash->find_functions(rank, hash_fn);
  EXPECT_EQ(rank, &_Uint_rank);
  EXPECT_EQ(hash_fn, &_Int_hash);
  EXPECT_STREQ(typespec_of(n)->get_name(), "MopNumberDictionary");
}

TEST_F(TypedDictionary, StoredTypespecNamesOfTheLibrarysDictionaries) {
  EXPECT_STREQ((dv_Dictionary<char*, dv_type>::get_dv_typespec()->get_name()),
               "dv_qem::dv_Dictionary<char*,dv_qem::dv_type*>");
  EXPECT_STREQ((dv_Dictionary<char*, dv_template>::get_dv_typespec()->get_name()),
               "dv_qem::dv_Dictionary<char*,dv_qem::dv_template*>");
  EXPECT_STREQ((dv_Dictionary<unsigned, String>::get_dv_typespec()->get_name()),
               "dv_qem::dv_Dictionary<unsigned int,dv_qem::String*>");
}

TEST_F(TypedDictionary, OneKeyHoldingOneThenTwoThenOneElement) {
  text_dictionary* d = make<text_dictionary>(0);
  Entry* a = entry(1);
  Entry* b = entry(2);
  char key[] = "width";
  d->insert(key, a);
  d->insert(key, a);
  EXPECT_EQ(d->count_values(key), 1u) << "the same element is stored once";
  EXPECT_EQ(d->cardinality(), 1u);
  d->insert(key, b);
  EXPECT_EQ(d->count_values(key), 2u);
  EXPECT_TRUE(d->contains(key, a));
  EXPECT_TRUE(d->contains(key, b));
  d->insert(key, b);
  EXPECT_EQ(d->count_values(key), 2u) << "an overflowed slot does not take an element it holds";
  d->remove(key, a);
  EXPECT_EQ(d->count_values(key), 1u);
  EXPECT_EQ(d->pick(key), b) << "the slot is plain again, holding the other element";
  EXPECT_FALSE(d->contains(key, a));
  d->remove(key, b);
  EXPECT_EQ(d->pick(key), nullptr);
  EXPECT_EQ(d->cardinality(), 0u);
  d->get_outofline()->_check_rep_invariants();
}

TEST_F(TypedDictionary, RemovingKeepsTheOtherKeysAndReusesTheSlot) {
  number_dictionary* d = make<number_dictionary>(0);
  Entry* e[4] = {entry(0), entry(1), entry(2), entry(3)};
  for (unsigned k = 0; k < 4; ++k) d->insert(k, e[k]);
  d->remove(2u, e[2]);
  EXPECT_EQ(d->pick(2u), nullptr);
  for (unsigned k : {0u, 1u, 3u}) EXPECT_EQ(d->pick(k), e[k]) << "key " << k;
  unsigned walked = 0;
  dv_cursor c(*d);
  void* v = nullptr;
  for (int more = c.first(v); more; more = c.next(v)) ++walked;
  EXPECT_EQ(walked, 3u) << "a removed slot is skipped";
  d->insert(2u, e[0]);
  EXPECT_EQ(d->pick(2u), e[0]);
  EXPECT_EQ(d->cardinality(), 4u);
  d->get_outofline()->_check_rep_invariants();
}

TEST_F(TypedDictionary, OneValuePerKeyRefusesASecondInsert) {
  text_dictionary* d = make<text_dictionary>(0x400);
  char key[] = "only";
  d->insert(key, entry(1));
  EXPECT_THROW(d->insert(key, entry(2)), dv_err_coll);
  EXPECT_EQ(d->count_values(key), 1u);
  EXPECT_EQ(d->pick(key)->id, 1);
}

TEST_F(TypedDictionary, KeysAreCopiedIntoTheDictionarysDatabase) {
  text_dictionary* d = make<text_dictionary>(0);
  std::string key = "transient text";
  d->insert(key.data(), entry(7));
  key.assign("changed after insert");
  char again[] = "transient text";
  ASSERT_NE(d->pick(again), nullptr);
  EXPECT_EQ(d->pick(again)->id, 7);
}

TEST_F(TypedDictionary, ANullTextKeyIsStoredWithoutACopy) {
  text_dictionary* d = make<text_dictionary>(0);
  Entry* e = entry(5);
  auto before = dv_test::object_census(db_);
  d->insert(nullptr, e);
  EXPECT_EQ(d->pick(nullptr), e);
  char other[] = "other";
  EXPECT_EQ(d->pick(other), nullptr);
  d->remove(nullptr, e);
  EXPECT_EQ(d->cardinality(), 0u);
  EXPECT_EQ(dv_test::object_census(db_)["char"], before["char"]) << "no key text was copied";
}

// Seeded random inserts and removals of distinct elements under a few keys,
// checked against a multimap after every step, for both representations.
TEST_F(TypedDictionary, RandomOperationsMatchAModel) {
  const unsigned seed = dv_test::seed();
  SCOPED_TRACE(testing::Message() << "DV_TEST_SEED=" << seed);
  std::mt19937 random(seed);
  for (unsigned behavior : {0u, 0x200u}) {
    SCOPED_TRACE(testing::Message() << "behaviour 0x" << std::hex << behavior);
    text_dictionary* d = make<text_dictionary>(behavior, 4);
    std::multimap<std::string, Entry*> model;
    int next_id = 0;
    for (int step = 0; step < 400; ++step) {
      std::string key = "k" + std::to_string(random() % 12);
      if (model.empty() || random() % 3 != 0) {
        Entry* e = entry(next_id++);
        d->insert(key.data(), e);
        model.emplace(key, e);
      } else {
        auto victim = model.begin();
        std::advance(victim, random() % model.size());
        std::string victim_key = victim->first;
        d->remove(victim_key.data(), victim->second);
        model.erase(victim);
      }
      ASSERT_EQ(d->cardinality(), model.size()) << "step " << step;
      ASSERT_EQ(d->count_values(key.data()), model.count(key)) << "step " << step;
      Entry* picked = d->pick(key.data());
      if (model.count(key) == 0) {
        ASSERT_EQ(picked, nullptr);
      } else {
        bool known = false;
        for (auto [it, end] = model.equal_range(key); it != end; ++it) known = known || it->second == picked;
        ASSERT_TRUE(known) << "step " << step << ": picked an element not under " << key;
      }
      d->get_outofline()->_check_rep_invariants();
    }
  }
}

}  // namespace
