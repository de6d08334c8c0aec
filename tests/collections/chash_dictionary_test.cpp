// Guards the hash dictionaries _Chash<K,void*> of the three key kinds: one
// value per key with flags 0x400/0x800 and several without (count_values,
// removal back to a plain slot); char* keys copied, a null key kept apart
// from ""; the stored hash of unsigned slots; removed slots reading as
// removed; the slot faults (removing a (key, other value) pair, inserting a
// held value into an overflowed slot, nothing left in the database after
// _clear and destroy); copies with storage of their own; a dv_cursor copied
// inside a key's values (a _Chash set, a keyed table's overflow list)
// resuming at the same value; and pointer keys found again after the
// database is reopened at another address in another process, in
// _Chash<void*,void*> and in a "dv_pvoid" table.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <map>
#include <set>
#include <string>

#include "coll_db_test.h"
#include "durnavel.h"
#include "dv_chash.h"
#include "dv_coll_err.h"
#include "dv_cursor.h"
#include "dv_database_root.h"
#include "dv_new.h"
#include "dv_object_cursor.h"
#include "dv_test_process.h"
#include "dv_thrown_by.h"
#include "dv_typespec.h"

using namespace dv_qem;
using dv_test::thrown_by;

namespace {
struct Thing {
  int value;
};
struct ChashAnchor {
  _Chash<void*, void*>* by_pointer;
  _Chash<char*, void*>* by_name;
  Thing* things;
  dv_dictionary* keyed_by_pointer;  // a "dv_pvoid" table from dv_dictionary::create
};
}  // namespace
DV_DEFINE_TYPESPEC(Thing, "ChashTestThing", DV_NO_POINTERS, DV_NO_VTABLES);
DV_DEFINE_TYPESPEC(ChashAnchor, "ChashTestAnchor", DV_POINTERS(0, 4, 8, 12), DV_NO_VTABLES);

namespace {

constexpr unsigned one_per_key = 0xC00;
constexpr int thing_count = 64;

class ChashDictionary : public dv_test::coll_db_test {
 protected:
  void SetUp() override {
    db_ = dv_database::create(path("chash.db").c_str(), 0644, 0, 0);
    things_ = static_cast<Thing*>(
        ::operator new(sizeof(Thing) * thing_count, db_, &dv_ts<Thing>::the_instance, thing_count));
  }
  void TearDown() override { db_->close(); }

  Thing* thing(int i) { return &things_[i]; }

  // Objects of the database by typespec name.
  std::map<std::string, int> census() const { return dv_test::object_census(db_); }

  dv_database* db_ = nullptr;
  Thing* things_ = nullptr;
};

TEST_F(ChashDictionary, KeyKindsNameTheirTypesAndFunctions) {
  auto* u = _Chash<unsigned int, void*>::create(things_, 0, 0);
  auto* p = _Chash<void*, void*>::create(things_, 0, 0);
  auto* s = _Chash<char*, void*>::create(things_, 0, 0);
  EXPECT_STREQ(u->_key_type(), "unsigned int");
  EXPECT_STREQ(p->_key_type(), "dv_pvoid");
  EXPECT_STREQ(s->_key_type(), "char*");
  _Rank_fcn rank = nullptr;
  _Hash_fcn hash = nullptr;
  u->find_functions(rank, hash);
  EXPECT_EQ(rank, &_Uint_rank);
  EXPECT_EQ(hash, &_Int_hash);
  s->find_functions(rank, hash);
  EXPECT_EQ(rank, &_Str_rank);
  EXPECT_EQ(hash, &_Str_hash_khs);
  p->find_functions(rank, hash);
  EXPECT_EQ(rank, &_Pvoid_rank);
  // The representation's shape: 8-byte slots for unsigned keys, 12 for the
  // others; the string flag on char* tables only.
  auto* ur = static_cast<_Rhash*>(u->get_outofline());
  auto* sr = static_cast<_Rhash*>(s->get_outofline());
  EXPECT_EQ(ur->sizeof_slot(), 8u);
  EXPECT_EQ(sr->sizeof_slot(), 12u);
  EXPECT_TRUE(sr->_is_char_star_key());
  EXPECT_FALSE(ur->_is_char_star_key());
  EXPECT_TRUE(ur->allow_dup());
  EXPECT_THROW(u->_key_size(), dv_err_coll_internal);
  _Chash<unsigned int, void*>::destroy(u);
  _Chash<void*, void*>::destroy(p);
  _Chash<char*, void*>::destroy(s);
}

TEST_F(ChashDictionary, AnEmptyDictionaryAnswersLookups) {
  _Chash<unsigned int, void*> u(0, 0);
  _Chash<char*, void*> s(0, 0);
  char* name = const_cast<char*>("nobody");
  EXPECT_EQ(u.count_values(5u), 0u);
  EXPECT_EQ(u.pick(5u), nullptr);
  EXPECT_FALSE(u.contains(5u, thing(1)));
  EXPECT_EQ(s.count_values(name), 0u);
  EXPECT_EQ(s.pick(name), nullptr);
  EXPECT_FALSE(s.contains(name, thing(1)));
  EXPECT_EQ(s.remove_value(name), nullptr);
}

TEST_F(ChashDictionary, OnePerKeyOrSeveral) {
  _Chash<char*, void*> single(0, one_per_key);
  _Chash<char*, void*> several(0, 0);
  char* key = const_cast<char*>("shared");
  for (auto* d : {&single, &several}) {
    d->insert(key, thing(1));
    d->insert(key, thing(2));
  }
  EXPECT_EQ(single.count_values(key), 1u);
  EXPECT_EQ(single.pick(key), thing(1)) << "a second value under a held key is not stored";
  EXPECT_EQ(several.count_values(key), 2u);
  EXPECT_EQ(several.__count(&key, nullptr), 2);
  char* absent = const_cast<char*>("absent");
  EXPECT_EQ(several.__count(&absent, nullptr), 0);
  EXPECT_EQ(single.__count(&key, nullptr), 1);
  EXPECT_EQ(several.cardinality(), 2u);
  several.remove(key, thing(1));
  EXPECT_EQ(several.count_values(key), 1u);
  EXPECT_EQ(several.pick(key), thing(2));
  several._check_rep_invariants();
}

TEST_F(ChashDictionary, StringKeysAreCopiedAndNullStaysApartFromEmpty) {
  _Chash<char*, void*> d(0, 0);
  char text[] = "mutable";
  d.insert(text, thing(1));
  std::strcpy(text, "changed");
  char* original = const_cast<char*>("mutable");
  EXPECT_EQ(d.pick(original), thing(1));
  EXPECT_EQ(d.pick(text), nullptr);
  char* null_key = nullptr;
  char* empty = const_cast<char*>("");
  d.insert(null_key, thing(2));
  d.insert(empty, thing(3));
  EXPECT_EQ(d.pick(null_key), thing(2));
  EXPECT_EQ(d.pick(empty), thing(3));
  EXPECT_EQ(d.count_values(null_key), 1u);
  d._check_rep_invariants();
}

TEST_F(ChashDictionary, SlotsOfUnsignedKeysStoreNoHashAndRemovedSlotsReadAsRemoved) {
  _Chash<unsigned int, void*> d(0, 0);
  for (unsigned k = 0; k < 20; ++k) d.insert(k * 1000u, thing(static_cast<int>(k)));
  auto* rep = static_cast<_Rhash*>(d.get_outofline());
  unsigned key = 5000;
  unsigned t = 0, h = 0, i = 0;
  int found = 0;
  void* slot = rep->find_slot(&key, _RH_lookup, t, h, i, found);
  ASSERT_EQ(found, 1);
  EXPECT_EQ(rep->slot_hash(slot, 0), 0u);
  d.remove(key, thing(5));
  EXPECT_EQ(rep->slot_status(slot, &key, _RH_lookup, nullptr, 0), _RH_removed);
  EXPECT_FALSE(rep->slot_occupied(slot));
  EXPECT_EQ(d.pick(key), nullptr);
  EXPECT_EQ(d.cardinality(), 19u);
  rep->check_hash_invariants();
}

TEST_F(ChashDictionary, RemovingAPairTheDictionaryDoesNotHoldChangesNothing) {
  struct Row {
    const char* what;
    int values_before;  // values under the key (1: a plain slot, 3: a set)
  } rows[] = {{"plain slot", 1}, {"overflowed slot", 3}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    _Chash<unsigned int, void*> d(0, 0);
    for (int v = 0; v < row.values_before; ++v) d.insert(7u, thing(v));
    d.insert(8u, thing(10));
    const unsigned before = d.cardinality();
    EXPECT_NE(thrown_by<dv_err_am>([&] { d.remove(7u, thing(20)); }), "");
    EXPECT_EQ(d.cardinality(), before);
    EXPECT_EQ(d.count_values(7u), static_cast<unsigned>(row.values_before));
    for (int v = 0; v < row.values_before; ++v) EXPECT_TRUE(d.contains(7u, thing(v)));
    d._check_rep_invariants();
    static_cast<_Rhash*>(d.get_outofline())->check_hash_invariants();
  }
}

TEST_F(ChashDictionary, AValueHeldByAnOverflowedSlotIsNotStoredAgain) {
  _Chash<unsigned int, void*> d(0, 0);
  d.insert(3u, thing(1));
  d.insert(3u, thing(1));  // held by a plain slot
  EXPECT_EQ(d.cardinality(), 1u);
  d.insert(3u, thing(2));
  d.insert(3u, thing(2));  // held by the set
  d.insert(3u, thing(1));
  EXPECT_EQ(d.cardinality(), 2u);
  EXPECT_EQ(d.count_values(3u), 2u);
  static_cast<_Rhash*>(d.get_outofline())->check_hash_invariants();
}

TEST_F(ChashDictionary, ClearAndDestroyLeaveNothingBehind) {
  const std::map<std::string, int> empty_db = census();
  for (int pass = 0; pass < 2; ++pass) {
    SCOPED_TRACE(pass == 0 ? "clear" : "destroy");
    auto* d = _Chash<char*, void*>::create(things_, 0, 0);
    const std::map<std::string, int> made = census();  // the facade, its table and their parts
    for (int k = 0; k < 200; ++k) {
      std::string key = "key number " + std::to_string(k);
      char* text = key.data();
      d->insert(text, thing(k % thing_count));
      if (k % 3 == 0) d->insert(text, thing((k + 1) % thing_count));  // a set under every third key
    }
    EXPECT_GT(census()["dv_qem::dv_set"], 0);
    EXPECT_GT(census()["char"], 0);
    if (pass == 0) {
      d->_clear();
      EXPECT_EQ(d->cardinality(), 0u);
      // The tables stay; no key copy or set does.
      std::map<std::string, int> now = census();
      EXPECT_EQ(now["dv_qem::dv_set"], 0);
      EXPECT_EQ(now["char"], made.at("char"));
    }
    _Chash<char*, void*>::destroy(d);
    EXPECT_EQ(census(), empty_db);
  }
}

TEST_F(ChashDictionary, CopiesOwnTheirEntries) {
  _Chash<char*, void*> original(0, 0);
  char* a = const_cast<char*>("alpha");
  char* b = const_cast<char*>("beta");
  original.insert(a, thing(1));
  original.insert(a, thing(2));
  original.insert(b, thing(3));
  auto* copy = new _Chash<char*, void*>(original);
  _Chash<char*, void*> assigned(0, one_per_key);
  assigned = original;
  original.remove(a, thing(1));
  original.remove(b, thing(3));
  for (auto* d : {copy, &assigned}) {
    EXPECT_EQ(d->cardinality(), 3u);
    EXPECT_EQ(d->count_values(a), 2u);
    EXPECT_TRUE(d->contains(b, thing(3)));
    EXPECT_NE(d->get_outofline(), original.get_outofline());
    d->_check_rep_invariants();
  }
  delete copy;
  EXPECT_EQ(assigned.count_values(a), 2u);
  EXPECT_EQ(original.cardinality(), 1u);
}

TEST_F(ChashDictionary, ACopiedCursorResumesInsideAKeysValues) {
  // A key's values in a _Chash set, and in a keyed table's overflow list.
  auto* chash = _Chash<unsigned int, void*>::create(things_, 0, 0);
  dv_dictionary* keyed = dv_dictionary::create(things_, _Coll_cluster_default, "unsigned int", 4, 1, 0, 0, 0, nullptr);
  for (dv_dictionary* d : {static_cast<dv_dictionary*>(chash), keyed}) {
    SCOPED_TRACE(d == keyed ? "keyed table" : "_Chash");
    unsigned shared = 42, other = 43;
    for (int v = 0; v < 5; ++v) d->insert(&shared, thing(v));
    d->insert(&other, thing(9));
    dv_cursor c(*d, 0);
    void* e = nullptr;
    // Stand on the second value walked under key 42.
    int seen_of_42 = 0;
    for (int more = c.first(e); more; more = c.next(e))
      if (e != thing(9) && ++seen_of_42 == 2) break;
    ASSERT_EQ(seen_of_42, 2);
    dv_cursor copy(c);
    EXPECT_EQ(copy.retrieve(), c.retrieve());
    EXPECT_EQ(*static_cast<const unsigned*>(d->retrieve_key(copy)), 42u);
    for (;;) {
      void* x = nullptr;
      void* y = nullptr;
      const int more_c = c.next(x);
      const int more_copy = copy.next(y);
      ASSERT_EQ(more_copy, more_c);
      ASSERT_EQ(y, x);
      if (!more_c) break;
    }
  }
  _Chash<unsigned int, void*>::destroy(chash);
  delete keyed;
}

// ---- pointer keys across processes -----------------------------------------------------

class ChashProcessChild : public dv_test::coll_child_test {};

TEST(ChashProcess, PointerKeysAreFoundAtAnotherAddress) {
  dv_test::scratch_dir dir;
  const std::string file = dir / "chash_process.db";
  ASSERT_EQ(dv_test::run_child("ChashProcessChild.Create",
                               {{"DV_TEST_FILE", file}, {"DV_QEM_AS_START", "0x20000000"}}),
            0);
  EXPECT_EQ(dv_test::run_child("ChashProcessChild.Use", {{"DV_TEST_FILE", file}, {"DV_QEM_AS_START", "0x24100000"}}),
            0);
}

TEST_F(ChashProcessChild, Create) {
  dv_database* db = dv_database::create(std::getenv("DV_TEST_FILE"), 0644, 0, 0);
  auto* anchor = ::new (::operator new(sizeof(ChashAnchor), db, &dv_ts<ChashAnchor>::the_instance)) ChashAnchor{};
  anchor->things = static_cast<Thing*>(
      ::operator new(sizeof(Thing) * thing_count, db, &dv_ts<Thing>::the_instance, thing_count));
  anchor->by_pointer = _Chash<void*, void*>::create(anchor, 0, 0);
  anchor->by_name = _Chash<char*, void*>::create(anchor, 0, one_per_key);
  anchor->keyed_by_pointer = dv_dictionary::create(anchor, _Coll_cluster_default, "dv_pvoid", 4, 1, 0, 0, 0, nullptr);
  for (int i = 0; i < thing_count; ++i) {
    anchor->things[i].value = i;
    void* key = &anchor->things[i];
    anchor->by_pointer->insert(key, &anchor->things[(i + 1) % thing_count]);
    if (i % 4 == 0) anchor->by_pointer->insert(key, &anchor->things[(i + 2) % thing_count]);
    anchor->keyed_by_pointer->insert(&key, &anchor->things[(i + 3) % thing_count]);
    std::string name = "thing " + std::to_string(i);
    anchor->by_name->insert(name.data(), &anchor->things[i]);
  }
  db->create_root("anchor")->set_value(anchor, &dv_ts<ChashAnchor>::the_instance);
  db->save();
  db->close();
}

TEST_F(ChashProcessChild, Use) {
  dv_database* db = dv_database::open(std::getenv("DV_TEST_FILE"), 0, 0, 0);
  ASSERT_EQ(db->as_start(), reinterpret_cast<void*>(0x24100000));
  auto* anchor = static_cast<ChashAnchor*>(db->find_root("anchor")->get_value(&dv_ts<ChashAnchor>::the_instance));
  for (int i = 0; i < thing_count; ++i) {
    void* key = &anchor->things[i];
    EXPECT_EQ(anchor->by_pointer->count_values(key), i % 4 == 0 ? 2u : 1u) << "thing " << i;
    EXPECT_TRUE(anchor->by_pointer->contains(key, &anchor->things[(i + 1) % thing_count])) << "thing " << i;
    EXPECT_EQ(anchor->keyed_by_pointer->pick(&key), &anchor->things[(i + 3) % thing_count]) << "thing " << i;
    std::string name = "thing " + std::to_string(i);
    EXPECT_EQ(anchor->by_name->pick(name.data()), &anchor->things[i]) << name;
  }
  anchor->by_pointer->_check_rep_invariants();
  anchor->keyed_by_pointer->_check_rep_invariants();
  static_cast<_Rhash*>(anchor->keyed_by_pointer)->check_hash_invariants();
  static_cast<_Rhash*>(anchor->by_pointer->get_outofline())->check_hash_invariants();
  // The walk answers each key as the pointer itself, now at this address.
  dv_cursor c(*anchor->by_pointer, 0);
  std::set<const void*> keys;
  void* e = nullptr;
  for (int more = c.first(e); more; more = c.next(e)) keys.insert(anchor->by_pointer->retrieve_key(c));
  EXPECT_EQ(keys.size(), static_cast<std::size_t>(thing_count));
  EXPECT_TRUE(keys.count(&anchor->things[0]));
  db->close();
}

}  // namespace
