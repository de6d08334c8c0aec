// Guards the slots of the keyed hash tables: which class _Rhash::create makes
// for each key-type name and that each works; the overflow path of one key
// (1 -> 2 -> 3 -> 2 -> 1 elements, bitmap bit and list made and freed, the
// slot's first element first in the list); overflow cursors rebound from one
// key's list to another's; char* keys copied and _dv_char_star_nocopy keys
// not; null char* keys; removals of elements the slot does not hold; a value
// inserted twice; the key taken again from a remaining element; the overflow
// list's inconsistency message; the slot-cursor messages; and that clearing
// and destroying a table leave nothing behind in the database.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>

#include "coll_db_test.h"
#include "dv_coll_err.h"
#include "dv_new.h"
#include "dv_object_cursor.h"
#include "dv_rh.h"
#include "dv_thrown_by.h"
#include "dv_typespec.h"
#include "rhash_oflo_list.h"

using namespace dv_qem;
using dv_test::thrown_by;

namespace {
struct Item {
  const char* name;  // the key of tables that take it from the element
  int value;
};
}  // namespace
DV_DEFINE_TYPESPEC(Item, "KeyedHashSlotsItem", DV_POINTERS(0), DV_NO_VTABLES);

namespace {

constexpr unsigned keep_duplicates = 0;  // behaviour bit 0x2 clear
constexpr unsigned one_per_key = 0x2;
constexpr unsigned point_to_keys = 0x8;

class KeyedHashSlots : public dv_test::coll_db_test {
 protected:
  void SetUp() override {
    db_ = dv_database::create(path("slots.db").c_str(), 0644, 0, 0);
    items_ = static_cast<Item*>(::operator new(sizeof(Item) * 16, db_, &dv_ts<Item>::the_instance, 16));
  }
  void TearDown() override { db_->close(); }

  _Rhash* make(const char* type, unsigned size, unsigned behavior) {
    return _Rhash::create(items_, _Coll_cluster_default, type, size, 1, 0, behavior, nullptr);
  }
  Item* item(int i) { return &items_[i]; }

  // The slot holding key, its directory entry and index.
  void* slot_of(_Rhash* h, const void* key, unsigned& t, unsigned& i) {
    unsigned hash = 0;
    int found = 0;
    void* slot = h->find_slot(key, _RH_lookup, t, hash, i, found);
    EXPECT_EQ(found, 1);
    return slot;
  }

  // Objects of the database by typespec name.
  std::map<std::string, int> census() const { return dv_test::object_census(db_); }

  dv_database* db_ = nullptr;
  Item* items_ = nullptr;
};

// ---- create's classes ------------------------------------------------------------------

struct class_row {
  const char* type;
  unsigned size;
  unsigned behavior;
  const char* typespec;  // of the table object
  unsigned slot_size;
};

const class_row class_rows[] = {
    {"signed char", 1, 0, "dv_qem::_RH<char>", 8},
    {"unsigned char", 1, 0, "dv_qem::_RH<char>", 8},
    {"char", 1, 0, "dv_qem::_RH<char>", 8},
    {"short", 2, 0, "dv_qem::_RH<short>", 8},
    {"unsigned short", 2, 0, "dv_qem::_RH<unsigned short>", 8},
    {"int", 4, 0, "dv_qem::_RH<int>", 8},
    {"unsigned int", 4, 0, "dv_qem::_RH<unsigned int>", 8},
    {"long", 4, 0, "dv_qem::_RH<unsigned long>", 8},
    {"unsigned long", 4, 0, "dv_qem::_RH<unsigned long>", 8},
    {"float", 4, 0, "dv_qem::_RH<float>", 8},
    {"double", 8, 0, "dv_qem::_RH<_dv_pt_key>", 12},
    {"long double", 8, 0, "dv_qem::_RH<_dv_pt_key>", 12},
    {"void*", 4, 0, "dv_qem::_RH<_dv_pvoid_index_key>", 8},
    {"char*", 4, 0, "dv_qem::_RH<char*>", 12},
    {"const char*", 4, 0, "dv_qem::_RH<char*>", 12},
    {"char const*", 4, 0, "dv_qem::_RH<char*>", 12},
    {"char*", 4, point_to_keys, "dv_qem::_RH<_dv_char_star_nocopy>", 12},
    {"char[]", 8, 0, "dv_qem::_RH<_dv_pt_key>", 12},
    {"char[]", 8, point_to_keys, "dv_qem::_RH<_dv_pt_key_point_only>", 12},
    {"dv_pvoid", 4, 0, "dv_qem::_RH<void*>", 12},  // the pointer value, relocated with the slot
};

// Two distinct keys of a row's type, as its tables take them.
struct two_keys {
  signed char c[2] = {-5, 7};
  short s[2] = {-300, 300};
  int i[2] = {-70000, 70000};
  float f[2] = {-1.5f, 2.5f};
  double d[2] = {-1.25, 1e10};
  char text[2][8] = {"alpha", "beta"};
  const char* p[2] = {text[0], text[1]};
  void* pv[2];

  const void* key(const class_row& row, int n, Item* items) {
    pv[0] = &items[10];
    pv[1] = &items[11];
    std::string type = row.type;
    if (type == "void*") return &items[10 + n];
    if (type == "dv_pvoid") return &pv[n];
    if (type == "char[]") return text[n];
    if (type.find('*') != std::string::npos) return &p[n];
    switch (row.size) {
      case 1: return &c[n];
      case 2: return &s[n];
      case 8: return &d[n];
      default: return type == "float" ? static_cast<const void*>(&f[n]) : &i[n];
    }
  }
};

TEST_F(KeyedHashSlots, CreateMakesAWorkingClassForEveryKeyTypeName) {
  for (const class_row& row : class_rows) {
    SCOPED_TRACE(::testing::Message() << row.type << " behaviour " << row.behavior);
    _Rhash* h = make(row.type, row.size, row.behavior);
    unsigned count = 0, offset = 0;
    const dv_typespec* ts = dv_typespec::typespec_at(h, count, offset);
    ASSERT_NE(ts, nullptr);
    EXPECT_STREQ(ts->get_name(), row.typespec);
    EXPECT_STREQ(h->_rep_type(), "_RH_slot<KT>");
    EXPECT_EQ(h->sizeof_slot(), row.slot_size);
    EXPECT_EQ(h->stores_overflow(), 1);
    two_keys keys;
    int found = 0;
    h->__insert(item(0), keys.key(row, 0, items_), nullptr, nullptr, found);
    h->__insert(item(1), keys.key(row, 1, items_), nullptr, nullptr, found);
    h->__insert(item(2), keys.key(row, 1, items_), nullptr, nullptr, found);
    h->check_hash_invariants();
    EXPECT_EQ(h->cardinality(), 3u);
    EXPECT_EQ(h->__count(keys.key(row, 0, items_), nullptr), 1);
    EXPECT_EQ(h->__count(keys.key(row, 1, items_), nullptr), 2);
    EXPECT_EQ(h->__contains(item(2), keys.key(row, 1, items_)), 1);
    EXPECT_EQ(h->__contains(item(2), keys.key(row, 0, items_)), 0);
    delete h;
  }
}

TEST_F(KeyedHashSlots, LongDoubleKeysAreCopiedAsEightByteDoubles) {
  for (unsigned size : {8u, 12u}) {  // 12: the size of the compiler's own long double
    SCOPED_TRACE(size);
    _Rhash* h = make("long double", size, one_per_key);
    double key = 2.5;
    int found = 0;
    h->__insert(item(0), &key, nullptr, nullptr, found);
    unsigned t = 0, i = 0;
    void* slot = slot_of(h, &key, t, i);
    void* copy = h->slot_key(slot, 0);
    EXPECT_NE(copy, &key);
    EXPECT_EQ(*static_cast<double*>(copy), 2.5);
    unsigned count = 0, offset = 0;
    const dv_typespec* ts = dv_typespec::typespec_at(copy, count, offset);
    ASSERT_NE(ts, nullptr);
    EXPECT_EQ(ts->get_size() * count, 8u);
    delete h;
  }
}

TEST_F(KeyedHashSlots, EveryMemberAnswersTheSameRepTypeAndItsSlotSize) {
  struct member {
    _Rhash* (*make)(const void*, const char*, unsigned, unsigned, unsigned);
    const char* key_type;
    unsigned slot_size;
  };
  const member members[] = {
      {&_RH<char>::make, "char", 8},
      {&_RH<short>::make, "short", 8},
      {&_RH<unsigned short>::make, "unsigned short", 8},
      {&_RH<int>::make, "int", 8},
      {&_RH<unsigned int>::make, "unsigned int", 8},
      {&_RH<unsigned long>::make, "unsigned long", 8},
      {&_RH<float>::make, "float", 8},
      {&_RH<char*>::make, "char*", 12},
      {&_RH<void*>::make, "void*", 12},
      {&_RH<_dv_char_star_nocopy>::make, "dv_char_star_nocopy", 12},
      {&_RH<_dv_pt_key>::make, "double", 12},
      {&_RH<_dv_pt_key_point_only>::make, "double", 12},
      {&_RH<_dv_pvoid_index_key>::make, "void*", 8},
  };
  for (const member& m : members) {
    SCOPED_TRACE(m.key_type);
    _Rhash* h = m.make(items_, m.key_type, 4, 0, _Rhash::keyed_bit | _Rhash::allow_dup_bit);
    EXPECT_STREQ(h->_rep_type(), "_RH_slot<KT>");
    EXPECT_EQ(h->sizeof_slot(), m.slot_size);
    delete h;
  }
}

TEST_F(KeyedHashSlots, VoidStarMemberComparesThePointersTheKeysPointAt) {
  _Rhash* h = _RH<void*>::make(items_, "void*", 4, 0, _Rhash::keyed_bit);
  void* k1 = item(7);
  void* k2 = item(8);
  int found = 0;
  h->__insert(item(0), &k1, nullptr, nullptr, found);
  h->__insert(item(1), &k2, nullptr, nullptr, found);
  void* probe = item(7);
  unsigned f = 0;
  EXPECT_EQ(h->__pick(0, &probe, f), item(0));
  probe = item(8);
  EXPECT_EQ(h->__pick(0, &probe, f), item(1));
  delete h;
}

// ---- the overflow path ------------------------------------------------------------------

TEST_F(KeyedHashSlots, OneKeyGoesFromSlotToListAndBack) {
  _Rhash* h = make("int", 4, keep_duplicates);
  int key = 42;
  int found = 0;
  unsigned t = 0, i = 0;
  auto overflow_lists = [&] { return census()["dv_qem::_RH_oflo_list"]; };
  auto list_of = [&](void* slot) { return static_cast<_RH_oflo_list*>(static_cast<_RH_slot<int>*>(slot)->element()); };

  h->__insert(item(0), &key, nullptr, nullptr, found);
  void* slot = slot_of(h, &key, t, i);
  EXPECT_EQ(h->has_overflow(t, i), 0);
  EXPECT_EQ(h->slot_pick(slot, 0), item(0));

  h->__insert(item(1), &key, nullptr, nullptr, found);
  EXPECT_EQ(found, 1);
  slot = slot_of(h, &key, t, i);
  ASSERT_EQ(h->has_overflow(t, i), 1);
  EXPECT_EQ(overflow_lists(), 1);
  dv_chained_list_4_8* list = list_of(slot)->elements();
  ASSERT_EQ(list->cardinality(), 2u);
  EXPECT_EQ(list->retrieve(0u), item(0));  // the element that sat in the slot comes first
  EXPECT_EQ(list->retrieve(1u), item(1));

  h->__insert(item(2), &key, nullptr, nullptr, found);
  EXPECT_EQ(list->cardinality(), 3u);
  EXPECT_EQ(h->__count(&key, nullptr), 3);
  EXPECT_EQ(h->cardinality(), 3u);

  h->__remove(item(1), &key, nullptr);
  EXPECT_EQ(h->has_overflow(t, i), 1);
  EXPECT_EQ(list->cardinality(), 2u);

  h->__remove(item(0), &key, nullptr);
  slot = slot_of(h, &key, t, i);
  EXPECT_EQ(h->has_overflow(t, i), 0);
  EXPECT_EQ(h->slot_pick(slot, 0), item(2));
  EXPECT_EQ(overflow_lists(), 0);
  EXPECT_EQ(census()["dv_qem::dv_chained_list_4_8"], 0);
  EXPECT_EQ(h->cardinality(), 1u);
  h->check_hash_invariants();
  delete h;
}

TEST_F(KeyedHashSlots, ATransientTableKeepsItsListsAndKeysInOrdinaryMemory) {
  int anchor = 0;
  _Rhash* h = _Rhash::create(&anchor, _Coll_cluster_default, "char*", 4, 1, 0, keep_duplicates, nullptr);
  EXPECT_EQ(dv_database::of(h), dv_database::get_transient_database());
  char text[8] = "k";
  const char* p = text;
  int found = 0;
  for (int e = 0; e < 3; ++e) h->__insert(item(e), &p, nullptr, nullptr, found);
  EXPECT_EQ(h->__count(&p, nullptr), 3);
  h->__remove(item(1), &p, nullptr);
  h->__remove(item(0), &p, nullptr);
  EXPECT_EQ(h->__count(&p, nullptr), 1);
  h->check_hash_invariants();
  EXPECT_EQ(census()["dv_qem::_RH_oflo_list"], 0);
  delete h;
}

TEST_F(KeyedHashSlots, AValueAlreadyUnderItsKeyIsStoredOnce) {
  _Rhash* h = make("int", 4, keep_duplicates);
  int key = 5;
  int found = 0;
  h->__insert(item(0), &key, nullptr, nullptr, found);
  h->__insert(item(0), &key, nullptr, nullptr, found);  // plain slot: no list made
  EXPECT_EQ(census()["dv_qem::_RH_oflo_list"], 0);
  EXPECT_EQ(h->cardinality(), 1u);
  h->__insert(item(1), &key, nullptr, nullptr, found);
  h->__insert(item(1), &key, nullptr, nullptr, found);  // already in the list
  h->__insert(item(0), &key, nullptr, nullptr, found);
  EXPECT_EQ(h->cardinality(), 2u);
  EXPECT_EQ(h->__count(&key, nullptr), 2);
  unsigned t = 0, i = 0;
  void* slot = slot_of(h, &key, t, i);
  EXPECT_EQ(h->slot_insert(slot, t, i, item(1), &key, 0), 0);
  h->check_hash_invariants();
  delete h;
}

TEST_F(KeyedHashSlots, WithoutTheKeyedFlagASecondElementIsRefused) {
  _Rhash* h = _RH<int>::make(items_, "int", 4, 0, _Rhash::allow_dup_bit);  // no overflow bitmap
  int key = 3;
  int found = 0;
  h->__insert(item(0), &key, nullptr, nullptr, found);
  h->__insert(item(1), &key, nullptr, nullptr, found);
  EXPECT_EQ(found, 1);
  EXPECT_EQ(h->cardinality(), 1u);
  EXPECT_EQ(h->__contains(item(0), &key), 1);
  h->check_hash_invariants();
  delete h;
}

TEST_F(KeyedHashSlots, RemovingAnElementTheSlotDoesNotHoldChangesNothing) {
  _Rhash* h = make("int", 4, keep_duplicates);
  int plain = 1, listed = 2;
  int found = 0;
  h->__insert(item(0), &plain, nullptr, nullptr, found);
  h->__insert(item(1), &listed, nullptr, nullptr, found);
  h->__insert(item(2), &listed, nullptr, nullptr, found);
  std::string plain_report = thrown_by<dv_err_am>([&] { h->__remove(item(5), &plain, nullptr); });
  char expected[64];
  std::snprintf(expected, sizeof expected, "Inconsistency removing object 0x%x from index",
                static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(item(5))));
  EXPECT_NE(plain_report.find(expected), std::string::npos) << plain_report;
  std::string list_report = thrown_by<dv_err_am>([&] { h->__remove(item(5), &listed, nullptr); });
  EXPECT_NE(list_report.find(expected), std::string::npos) << list_report;
  EXPECT_EQ(h->cardinality(), 3u);
  EXPECT_EQ(h->__contains(item(0), &plain), 1);
  EXPECT_EQ(h->__count(&listed, nullptr), 2);
  h->check_hash_invariants();
  delete h;
}

TEST_F(KeyedHashSlots, OverflowListRemovalOfAnAbsentElementNamesItsAddress) {
  _RH_oflo_list* list = _RH_oflo_list::create(db_, item(0), item(1));
  std::string report = thrown_by<dv_err_am>([&] { list->remove(item(3)); });
  char expected[200];
  std::snprintf(expected, sizeof expected,
                "dv_err_am - <maint-0023-4430>Inconsistency removing object 0x%x from index; detected in "
                "_RH_oflo_list::remove();",
                static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(item(3))));
  EXPECT_EQ(report, expected);
  EXPECT_EQ(list->elements()->cardinality(), 2u);
  list->remove(item(0));
  EXPECT_EQ(list->elements()->cardinality(), 1u);
  _RH_oflo_list::destroy(list);
  EXPECT_EQ(census()["dv_qem::_RH_oflo_list"], 0);
}

TEST_F(KeyedHashSlots, ACursorRebindsItsOverflowCursorToAnotherKeysList) {
  _Rhash* h = make("int", 4, keep_duplicates);
  int k1 = 100, k2 = 200;
  int found = 0;
  for (int e = 0; e < 3; ++e) h->__insert(item(e), &k1, nullptr, nullptr, found);
  for (int e = 3; e < 5; ++e) h->__insert(item(e), &k2, nullptr, nullptr, found);
  unsigned t1 = 0, i1 = 0, t2 = 0, i2 = 0;
  void* s1 = slot_of(h, &k1, t1, i1);
  void* s2 = slot_of(h, &k2, t2, i2);
  auto& c = static_cast<_Rhash_cursor&>(h->__iteration_start(0));
  void* e = nullptr;
  c.set_table(t1);
  c.set_slot(i1);
  ASSERT_EQ(h->slot_first(s1, &c, e, 1), 1);
  EXPECT_EQ(e, item(0));
  dv_cursor* overflow_cursor = c.get_oflo_current();
  ASSERT_NE(overflow_cursor, nullptr);
  EXPECT_EQ(h->slot_next(s1, &c, e, 1), 1);
  EXPECT_EQ(h->slot_value(s1, &c, 1), item(1));
  EXPECT_EQ(h->slot_null(s1, &c, 1), 0);
  c.set_table(t2);
  c.set_slot(i2);
  ASSERT_EQ(h->slot_last(s2, &c, e, 1), 1);
  EXPECT_EQ(e, item(4));
  EXPECT_EQ(c.get_oflo_current(), overflow_cursor);  // the same cursor, rebound
  EXPECT_EQ(overflow_cursor->owner(),
            static_cast<_RH_oflo_list*>(static_cast<_RH_slot<int>*>(s2)->element())->elements());
  EXPECT_EQ(h->slot_previous(s2, &c, e, 1), 1);
  EXPECT_EQ(e, item(3));
  EXPECT_EQ(h->slot_previous(s2, &c, e, 1), 0);
  EXPECT_EQ(h->slot_null(s2, &c, 1), 1);
  // A whole walk delivers every element once.
  int delivered = 0;
  for (int more = h->__first(c, e); more; more = h->__next(c, e)) ++delivered;
  EXPECT_EQ(delivered, 5);
  h->__iteration_end(c);
  delete h;
}

TEST_F(KeyedHashSlots, SlotCursorsNeedATableAndASlot) {
  _Rhash* h = make("int", 4, keep_duplicates);
  int key = 1;
  int found = 0;
  h->__insert(item(0), &key, nullptr, nullptr, found);
  unsigned t = 0, i = 0;
  void* slot = slot_of(h, &key, t, i);
  auto& c = static_cast<_Rhash_cursor&>(h->__iteration_start(0));
  c.set_null();
  void* e = nullptr;
  EXPECT_EQ(thrown_by<dv_err_am>([&] { h->slot_first(slot, &c, e, 0); }),
            "dv_err_am - table or slot id is null in _RH_slot<KT>::slot_first");
  EXPECT_EQ(thrown_by<dv_err_am>([&] { h->slot_last(slot, &c, e, 0); }),
            "dv_err_am - range or slot id is null in _RH_slot<KT>::slot_last");
  c.set_table(t);
  c.set_slot(i);
  EXPECT_EQ(h->slot_first(slot, &c, e, 0), 1);
  EXPECT_EQ(e, item(0));
  EXPECT_EQ(h->slot_next(slot, &c, e, 0), 0);  // a plain slot holds one element
  h->__iteration_end(c);
  delete h;
}

// ---- keys ----------------------------------------------------------------------------------

TEST_F(KeyedHashSlots, CharStarKeysAreCopiedAndNocopyKeysAreNot) {
  _Rhash* copied = make("char*", 4, one_per_key);
  _Rhash* pointed = make("char*", 4, one_per_key | point_to_keys);
  char buffer[16] = "alpha";
  const char* key = buffer;
  int found = 0;
  copied->__insert(item(0), &key, nullptr, nullptr, found);
  pointed->__insert(item(0), &key, nullptr, nullptr, found);
  std::strcpy(buffer, "omega");
  const char* alpha = "alpha";
  unsigned f = 0;
  EXPECT_EQ(copied->__pick(0, &alpha, f), item(0));
  EXPECT_EQ(f, 1u);
  pointed->__pick(0, &alpha, f);
  EXPECT_EQ(f, 0u);  // the table points at the changed buffer
  unsigned t = 0, i = 0, h = 0;
  int hit = 0;
  void* slot = copied->find_slot(&alpha, _RH_lookup, t, h, i, hit);
  ASSERT_EQ(hit, 1);
  EXPECT_NE(*static_cast<char**>(copied->slot_key(slot, 0)), buffer);
  EXPECT_EQ(dv_database::of(*static_cast<char**>(copied->slot_key(slot, 0))), db_);
  delete copied;
  delete pointed;
}

TEST_F(KeyedHashSlots, ANullCharStarKeyIsAKeyLikeAnyOther) {
  _Rhash* h = make("char*", 4, keep_duplicates);
  const char* null_key = nullptr;
  const char* text = "";
  int found = 0;
  h->__insert(item(0), &null_key, nullptr, nullptr, found);
  h->__insert(item(1), &null_key, nullptr, nullptr, found);
  h->__insert(item(2), &text, nullptr, nullptr, found);
  EXPECT_EQ(h->__count(&null_key, nullptr), 2);
  EXPECT_EQ(h->__count(&text, nullptr), 1);
  unsigned t = 0, i = 0;
  void* slot = slot_of(h, &null_key, t, i);
  EXPECT_EQ(*static_cast<char**>(h->slot_key(slot, 0)), nullptr);
  h->__remove(item(0), &null_key, nullptr);
  h->__remove(item(1), &null_key, nullptr);
  EXPECT_EQ(h->__count(&null_key, nullptr), 0);
  h->check_hash_invariants();
  delete h;
}

TEST_F(KeyedHashSlots, AKeyTakenFromTheElementsIsTakenAgainFromARemainingOne) {
  _Rhash* h = make("char*", 4, keep_duplicates | point_to_keys);
  char name0[] = "shared", name1[] = "shared";
  item(0)->name = name0;
  item(1)->name = name1;
  int found = 0;
  h->__insert(item(0), &item(0)->name, nullptr, nullptr, found);
  h->__insert(item(1), &item(1)->name, nullptr, nullptr, found);
  h->__remove(item(0), &item(1)->name, nullptr);
  unsigned t = 0, i = 0;
  void* slot = slot_of(h, &item(1)->name, t, i);
  EXPECT_EQ(*static_cast<char**>(h->slot_key(slot, 0)), name1);  // no longer the removed element's text
  EXPECT_EQ(h->slot_pick(slot, 0), item(1));
  delete h;
}

TEST_F(KeyedHashSlots, ACopyHoldsTheSameEntriesInStorageOfItsOwn) {
  auto* h = static_cast<_RH<char*>*>(make("char*", 4, keep_duplicates));
  char text[16];
  const char* p = text;
  int found = 0;
  for (int n = 0; n < 40; ++n) {
    std::snprintf(text, sizeof text, "k%d", n % 15);
    h->__insert(item(n % 16), &p, nullptr, nullptr, found);
  }
  auto* copy = ::new (::operator new(sizeof(_RH<char*>), db_, _RH<char*>::get_dv_typespec())) _RH<char*>(*h);
  copy->check_hash_invariants();
  EXPECT_EQ(copy->cardinality(), h->cardinality());
  EXPECT_NE(copy->index(), h->index());
  h->_clear();
  for (int n = 0; n < 15; ++n) {
    std::snprintf(text, sizeof text, "k%d", n);
    EXPECT_EQ(copy->__count(&p, nullptr), n < 10 ? 3 : 2) << text;
  }
  // Assignment replaces the target's entries by the source's, once each.
  auto* target = static_cast<_RH<char*>*>(make("char*", 4, keep_duplicates));
  const char* other = "other";
  target->__insert(item(3), &other, nullptr, nullptr, found);
  *target = *copy;
  target->check_hash_invariants();
  EXPECT_EQ(target->cardinality(), copy->cardinality());
  EXPECT_EQ(target->__count(&other, nullptr), 0);
  std::snprintf(text, sizeof text, "k0");
  EXPECT_EQ(target->__count(&p, nullptr), 3);
  delete h;
  copy->check_hash_invariants();
  delete copy;
  delete target;
}

// ---- nothing left behind ---------------------------------------------------------------------

TEST_F(KeyedHashSlots, ClearingAndDestroyingLeaveNothingBehind) {
  struct row {
    const char* type;
    unsigned size;
  };
  for (const row& r : {row{"char*", 4}, row{"double", 8}}) {
    SCOPED_TRACE(r.type);
    std::map<std::string, int> before = census();
    _Rhash* h = make(r.type, r.size, keep_duplicates);
    std::map<std::string, int> empty = census();
    char text[16];
    const char* p = text;
    double d = 0;
    int found = 0;
    for (int n = 0; n < 200; ++n) {
      std::snprintf(text, sizeof text, "k%d", n % 60);
      d = n % 60;
      const void* key = r.size == 8 ? static_cast<const void*>(&d) : &p;
      h->__insert(item(n % 16), key, nullptr, nullptr, found);
    }
    std::map<std::string, int> full = census();
    EXPECT_GT(full["dv_qem::_RH_oflo_list"], 0);
    // Each overflow list keeps its elements in one chained list of its own.
    EXPECT_EQ(full["dv_qem::dv_chained_list_4_8"], full["dv_qem::_RH_oflo_list"]);
    h->_clear();
    EXPECT_EQ(h->cardinality(), 0u);
    std::map<std::string, int> cleared = census();
    EXPECT_EQ(cleared["dv_qem::_RH_oflo_list"], 0);
    EXPECT_EQ(cleared["dv_qem::dv_chained_list_4_8"], 0);
    for (const char* key_copies : {dv_typespec::get_char()->get_name(), dv_typespec::get_double()->get_name()})
      EXPECT_EQ(cleared[key_copies], empty[key_copies]) << key_copies;
    h->check_hash_invariants();
    for (int n = 0; n < 100; ++n) {
      std::snprintf(text, sizeof text, "k%d", n % 30);
      d = n % 30;
      const void* key = r.size == 8 ? static_cast<const void*>(&d) : &p;
      h->__insert(item(n % 16), key, nullptr, nullptr, found);
    }
    delete h;
    EXPECT_EQ(census(), before);
  }
}

}  // namespace
