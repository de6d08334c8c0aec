// Guards the persistent arrays, lists and maps beyond their models: storage
// placed in the collection's own database with its element type descriptor,
// the array growth steps, the map buckets, a list emptied freeing its
// blocks, a new hash-table size keeping the associations, checked indexes,
// Serialize refused, the run-time class records and the interchange with the
// framework classes.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

#include "dv_thrown_by.h"
#include "fw_archive.h"
#include "qem_collections.h"
#include "qem_db_test.h"

using namespace dv_qem;

namespace {

class QemCollections : public dv_test::qem_db_test {
 protected:
  void SetUp() override { db_ = dv_database::create(path("c.db").c_str(), 0644, 1, 0); }
  void TearDown() override {
    if (dv_database::is_open(db_)) {
      db_->self_check();
      db_->close();
    }
  }

  // Word number `word` of a collection's layout (0 is the virtual-table
  // pointer): the framework layouts are fixed, so tests read them directly.
  template <class T>
  static int layout_word(const T* collection, int word) {
    int value;
    std::memcpy(&value, reinterpret_cast<const char*>(collection) + 4 * word, sizeof value);
    return value;
  }

  // The name of the type descriptor of the persistent object holding p.
  static std::string type_at(const void* p) {
    unsigned count = 0, offset = 0;
    const dv_typespec* ts = dv_typespec::typespec_at(const_cast<void*>(p), count, offset);
    return ts == nullptr ? "(none)" : ts->get_name();
  }

  dv_database* db_ = nullptr;
};

TEST_F(QemCollections, StorageLivesInTheCollectionsDatabaseWithItsElementType) {
  auto* bytes = make_in<CQEMByteArray>(db_);
  auto* strings = make_in<CQEMStringArray>(db_);
  auto* list = make_in<CQEMStringList>(db_);
  auto* map = make_in<CQEMMapStringToString>(db_);
  bytes->Add(7);
  strings->Add("text");
  list->AddTail("node");
  map->SetAt("key", "value");
  EXPECT_EQ(type_at(bytes->GetData()), "char");
  EXPECT_EQ(type_at(strings->GetData()), "CQEMString");
  EXPECT_EQ(type_at(&list->GetHead()), "CQEMStringList::CNode");
  EXPECT_EQ(type_at(reinterpret_cast<void*>(layout_word(list, 5))), "CQEMPlex");
  EXPECT_EQ(type_at(reinterpret_cast<void*>(layout_word(map, 1))), "void*");
  // Strings stored in a persistent collection live in its database.
  LPCTSTR stored_key = nullptr;
  ASSERT_TRUE(map->LookupKey("key", stored_key));
  EXPECT_TRUE(durnavel::is_persistent(stored_key));
  EXPECT_EQ(dv_database::of(stored_key), db_);
  EXPECT_EQ(dv_database::of(static_cast<LPCTSTR>(strings->ElementAt(0))), db_);
  EXPECT_EQ(dv_database::of(static_cast<LPCTSTR>(list->GetHead())), db_);
  delete map;
  delete list;
  delete strings;
  delete bytes;
}

TEST_F(QemCollections, AnArrayGrownOneAtATimeStepsByAnEighthBetweenFourAnd1024) {
  auto* array = make_in<CQEMDWordArray>(db_);
  std::vector<int> first_maxima;
  int expected_max = 0;
  for (int size = 0; size < 400; ++size) {
    if (size + 1 > expected_max) {
      int step = size / 8 < 4 ? 4 : (size / 8 > 1024 ? 1024 : size / 8);
      expected_max = size == 0 ? 1 : expected_max + step;
    }
    array->Add(static_cast<DWORD>(size));
    ASSERT_EQ(layout_word(array, 3), expected_max) << "after " << size + 1 << " elements";
    if (first_maxima.empty() || first_maxima.back() != expected_max) first_maxima.push_back(expected_max);
  }
  EXPECT_EQ(std::vector<int>(first_maxima.begin(), first_maxima.begin() + 5), (std::vector<int>{1, 5, 9, 13, 17}));
  array->SetSize(20000);
  array->Add(1);
  EXPECT_EQ(layout_word(array, 3), 20000 + 1024);
  EXPECT_EQ(array->GetAt(20000), 1u);
  array->FreeExtra();
  EXPECT_EQ(layout_word(array, 3), 20001);
  delete array;
}

TEST_F(QemCollections, WordKeysHashToTheKeyOverSixteen) {
  auto* map = make_in<CQEMMapWordToPtr>(db_);
  EXPECT_EQ(map->GetHashTableSize(), 17u);
  map->SetAt(0x10, &db_);
  map->SetAt(0x120, nullptr);
  EXPECT_EQ(map->HashKey(0x10) % 17, 1u);
  EXPECT_EQ(map->HashKey(0x120) % 17, 1u);
  // Both in bucket 1, the newer one first.
  auto** table = reinterpret_cast<CQEMMapWordToPtr::CAssoc**>(layout_word(map, 1));
  ASSERT_NE(table[1], nullptr);
  EXPECT_EQ(table[1]->key, 0x120);
  ASSERT_NE(table[1]->pNext, nullptr);
  EXPECT_EQ(table[1]->pNext->key, 0x10);
  for (int bucket = 0; bucket < 17; ++bucket) {
    if (bucket != 1) {
      EXPECT_EQ(table[bucket], nullptr) << bucket;
    }
  }
  // Pointer keys hash where the database is mapped does not matter.
  auto* by_pointer = make_in<CQEMMapPtrToWord>(db_);
  EXPECT_EQ(by_pointer->HashKey(map), durnavel::compute_ptr_hash(map));
  delete by_pointer;
  delete map;
}

TEST_F(QemCollections, AListOrMapEmptiedFreesEveryBlock) {
  auto* list = make_in<CQEMStringList>(db_, 4);
  for (int i = 0; i < 10; ++i) list->AddTail("element");
  EXPECT_NE(layout_word(list, 5), 0);
  while (!list->IsEmpty()) list->RemoveHead();
  EXPECT_EQ(layout_word(list, 5), 0);
  EXPECT_EQ(layout_word(list, 4), 0);
  EXPECT_EQ(list->GetHeadPosition(), nullptr);

  auto* map = make_in<CQEMMapStringToPtr>(db_);
  map->SetAt("a", nullptr);
  map->SetAt("b", nullptr);
  EXPECT_TRUE(map->RemoveKey("a"));
  EXPECT_TRUE(map->RemoveKey("b"));
  EXPECT_EQ(layout_word(map, 1), 0);  // the table
  EXPECT_EQ(layout_word(map, 5), 0);  // the blocks
  db_->self_check();
  delete map;
  delete list;
}

TEST_F(QemCollections, ANewHashTableSizeKeepsTheAssociations) {
  auto* words = make_in<CQEMMapWordToPtr>(db_);
  auto* strings = make_in<CQEMMapStringToString>(db_);
  for (WORD key = 0; key < 100; ++key) {
    words->SetAt(key, reinterpret_cast<void*>(key + 1));
    CQEMString text;
    text.Format("%u", key);
    strings->SetAt(text, text + "!");
  }
  words->InitHashTable(101);
  strings->InitHashTable(7, FALSE);
  EXPECT_EQ(words->GetHashTableSize(), 101u);
  EXPECT_EQ(strings->GetHashTableSize(), 7u);
  ASSERT_EQ(words->GetCount(), 100);
  ASSERT_EQ(strings->GetCount(), 100);
  for (WORD key = 0; key < 100; ++key) {
    void* value = nullptr;
    ASSERT_TRUE(words->Lookup(key, value)) << key;
    EXPECT_EQ(value, reinterpret_cast<void*>(key + 1));
    CQEMString text;
    text.Format("%u", key);
    CString found;
    ASSERT_TRUE(strings->Lookup(text, found)) << key;
    EXPECT_EQ(found, text + "!");
  }
  int walked = 0;
  for (POSITION p = strings->GetStartPosition(); p != nullptr; ++walked) {
    CString key, value;
    strings->GetNextAssoc(p, key, value);
    EXPECT_EQ(value, key + "!");
  }
  EXPECT_EQ(walked, 100);
  EXPECT_NE(dv_test::thrown_by([&] { words->InitHashTable(0); }).find("hash-table size 0 is out of range"),
            std::string::npos);
  delete strings;
  delete words;
}

// A size whose storage cannot be addressed is refused with the memory error
// before any element is freed or written: the array and the map keep what
// they held.
TEST_F(QemCollections, SizesThatCannotBeAllocatedAreRefusedBeforeAnythingChanges) {
  auto* array = make_in<CQEMDWordArray>(db_);
  for (DWORD i = 0; i < 10; ++i) array->Add(i * 3);
  struct Case {
    const char* what;
    void (*call)(CQEMDWordArray&);
  } cases[] = {
      {"SetAtGrow(INT_MAX)", [](CQEMDWordArray& a) { a.SetAtGrow(INT_MAX, 7); }},
      {"InsertAt(4, x, INT_MAX)", [](CQEMDWordArray& a) { a.InsertAt(4, 7, INT_MAX); }},
      {"InsertAt(10, x, INT_MAX)", [](CQEMDWordArray& a) { a.InsertAt(10, 7, INT_MAX); }},
      {"SetSize(0x40000001)", [](CQEMDWordArray& a) { a.SetSize(0x40000001); }},
      {"SetSize(INT_MAX)", [](CQEMDWordArray& a) { a.SetSize(INT_MAX); }},
  };
  for (const Case& c : cases) {
    std::string text = dv_test::thrown_by([&] { c.call(*array); });
    EXPECT_EQ(text.rfind("dv_err_out_of_virtual_memory - CQEMDWordArray: ", 0), 0u) << c.what << ": " << text;
    ASSERT_EQ(array->GetSize(), 10) << c.what;
    for (int i = 0; i < 10; ++i) ASSERT_EQ(array->GetAt(i), DWORD(i * 3)) << c.what;
  }
  // A byte count within the address space but past what a database can hold
  // is the store's to refuse, with the array unchanged as well.
  auto* bytes = make_in<CQEMByteArray>(db_);
  bytes->Add(7);
  std::string refused = dv_test::thrown_by([&] { bytes->SetSize(INT_MAX); });
  EXPECT_EQ(refused.rfind("dv_err", 0), 0u) << refused;
  ASSERT_EQ(bytes->GetSize(), 1);
  EXPECT_EQ(bytes->GetAt(0), 7);
  delete bytes;
  auto* map = make_in<CQEMMapWordToPtr>(db_);
  for (WORD key = 0; key < 20; ++key) map->SetAt(key, reinterpret_cast<void*>(key + 1));
  std::string text = dv_test::thrown_by([&] { map->InitHashTable(0x40000001); });
  EXPECT_EQ(text.rfind("dv_err_out_of_virtual_memory - CQEMMapWordToPtr: ", 0), 0u) << text;
  EXPECT_EQ(map->GetHashTableSize(), 17u);
  ASSERT_EQ(map->GetCount(), 20);
  for (WORD key = 0; key < 20; ++key) {
    void* value = nullptr;
    ASSERT_TRUE(map->Lookup(key, value)) << key;
    EXPECT_EQ(value, reinterpret_cast<void*>(key + 1));
  }
  db_->self_check();
  delete map;
  delete array;
}

TEST_F(QemCollections, ArrayIndexesAreChecked) {
  auto* array = make_in<CQEMStringArray>(db_);
  array->Add("one");
  array->Add("two");
  struct Case {
    const char* what;
    void (*call)(CQEMStringArray&);
    const char* text;
  } cases[] = {
      {"GetAt(-1)", [](CQEMStringArray& a) { a.GetAt(-1); }, "index -1"},
      {"GetAt(2)", [](CQEMStringArray& a) { a.GetAt(2); }, "index 2"},
      {"SetAt(5)", [](CQEMStringArray& a) { a.SetAt(5, "x"); }, "index 5"},
      {"ElementAt(2)", [](CQEMStringArray& a) { a.ElementAt(2); }, "index 2"},
      {"operator[](9)", [](CQEMStringArray& a) { a[9] = "x"; }, "index 9"},
      {"RemoveAt(1, 2)", [](CQEMStringArray& a) { a.RemoveAt(1, 2); }, "index 1"},
      {"RemoveAt(0, -1)", [](CQEMStringArray& a) { a.RemoveAt(0, -1); }, "count -1"},
      {"InsertAt(-1)", [](CQEMStringArray& a) { a.InsertAt(-1, "x"); }, "index -1"},
      {"SetAtGrow(-3)", [](CQEMStringArray& a) { a.SetAtGrow(-3, "x"); }, "index -3"},
      {"SetSize(-2)", [](CQEMStringArray& a) { a.SetSize(-2); }, "size -2"},
  };
  for (const Case& c : cases) {
    std::string text = dv_test::thrown_by([&] { c.call(*array); });
    EXPECT_EQ(text, std::string("dv_err_misc - CQEMStringArray: ") + c.text + " is out of range for 2 elements.")
        << c.what;
  }
  EXPECT_EQ(array->GetSize(), 2);
  EXPECT_EQ(array->GetAt(1), "two");
  delete array;
}

TEST_F(QemCollections, SerializeIsRefusedAndRunTimeClassesNameTheClass) {
  CQEMByteArray bytes;
  CQEMObList objects;
  CQEMMapStringToString strings;
  CArchive archive(nullptr, CArchive::store);
  struct Case {
    CObject* collection;
    const char* name;
    int size;
  } cases[] = {
      {&bytes, "CQEMByteArray", 20},
      {&objects, "CQEMObList", 28},
      {&strings, "CQEMMapStringToString", 28},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(dv_test::thrown_by([&] { c.collection->Serialize(archive); }),
              std::string("dv_err_not_supported - Serialization for class ") + c.name + " not supported.");
    const CRuntimeClass* type = c.collection->GetRuntimeClass();
    EXPECT_STREQ(type->m_lpszClassName, c.name);
    EXPECT_EQ(type->m_nObjectSize, c.size);
    EXPECT_EQ(type->m_wSchema, 0xFFFFu);
    EXPECT_EQ(type->m_pfnCreateObject, nullptr);
    EXPECT_EQ(type->m_pBaseClass, RUNTIME_CLASS(CObject));
  }
}

TEST_F(QemCollections, FrameworkCollectionsAreTakenAndReadThrough) {
  CByteArray framework_bytes;
  framework_bytes.Add(1);
  framework_bytes.Add(2);
  auto* bytes = make_in<CQEMByteArray>(db_);
  bytes->Add(0);
  EXPECT_EQ(bytes->Append(framework_bytes), 1);
  bytes->InsertAt(0, &framework_bytes);
  const CByteArray& read = *bytes;
  ASSERT_EQ(read.GetSize(), 5);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(read.GetData()), 5), std::string("\1\2\0\1\2", 5));

  CStringArray framework_strings;
  framework_strings.Add("alpha");
  framework_strings.Add("beta");
  auto* strings = make_in<CQEMStringArray>(db_);
  strings->Copy(framework_strings);
  auto* more = make_in<CQEMStringArray>(db_);
  more->Append(*strings);
  more->Append(*more);
  const CStringArray& read_strings = *more;
  ASSERT_EQ(read_strings.GetSize(), 4);
  EXPECT_EQ(read_strings.GetAt(3), "beta");
  EXPECT_EQ(dv_database::of(static_cast<LPCTSTR>(more->ElementAt(3))), db_);

  CStringList framework_list;
  framework_list.AddTail("x");
  framework_list.AddTail("y");
  auto* list = make_in<CQEMStringList>(db_);
  list->AddTail("m");
  list->AddTail(&framework_list);
  list->AddHead(&framework_list);
  std::string joined;
  for (POSITION p = list->GetHeadPosition(); p != nullptr;) joined += list->GetNext(p);
  EXPECT_EQ(joined, "xymxy");
  delete list;
  delete more;
  delete strings;
  delete bytes;
}

}  // namespace
