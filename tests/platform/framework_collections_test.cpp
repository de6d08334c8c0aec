// Guards the framework collection shapes: their 32-bit layouts (field
// offsets after the virtual-table pointer), array growth steps, word-key
// buckets, list nodes handed out from blocks and all blocks freed with the
// last node, string maps with their stored hash, iteration, and a seeded
// model test of the string map and the list against standard containers.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <list>
#include <map>
#include <random>
#include <string>

#include "dv_test_seed.h"
#include "fw_collections.h"

namespace {

// Reads the protected members through a derived class to check offsets.
struct ArrayProbe : CStringArray {
  static void check(const CStringArray& a) {
    auto base = reinterpret_cast<uintptr_t>(&a);
    const auto& p = static_cast<const ArrayProbe&>(a);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(&p.m_pData) - base, 4u);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(&p.m_nSize) - base, 8u);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(&p.m_nMaxSize) - base, 12u);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(&p.m_nGrowBy) - base, 16u);
  }
  static int max_size(const CStringArray& a) { return static_cast<const ArrayProbe&>(a).m_nMaxSize; }
};

struct WordArrayProbe : CWordArray {
  static int max_size(const CWordArray& a) { return static_cast<const WordArrayProbe&>(a).m_nMaxSize; }
};

struct ListProbe : CStringList {
  static void check(const CStringList& l) {
    auto base = reinterpret_cast<uintptr_t>(&l);
    const auto& p = static_cast<const ListProbe&>(l);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(&p.m_pNodeHead) - base, 4u);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(&p.m_pNodeTail) - base, 8u);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(&p.m_nCount) - base, 12u);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(&p.m_pNodeFree) - base, 16u);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(&p.m_pBlocks) - base, 20u);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(&p.m_nBlockSize) - base, 24u);
  }
  static const FwPlex* blocks(const CStringList& l) { return static_cast<const ListProbe&>(l).m_pBlocks; }
};

struct MapProbe : CMapWordToPtr {
  static void check(const CMapWordToPtr& m) {
    auto base = reinterpret_cast<uintptr_t>(&m);
    const auto& p = static_cast<const MapProbe&>(m);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(&p.m_pHashTable) - base, 4u);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(&p.m_nHashTableSize) - base, 8u);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(&p.m_nCount) - base, 12u);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(&p.m_pFreeList) - base, 16u);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(&p.m_pBlocks) - base, 20u);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(&p.m_nBlockSize) - base, 24u);
  }
  static CAssoc* bucket(const CMapWordToPtr& m, int i) { return static_cast<const MapProbe&>(m).m_pHashTable[i]; }
};

TEST(FrameworkCollections, LayoutsMatchTheFramework) {
  CStringArray array;
  ArrayProbe::check(array);
  CStringList list;
  ListProbe::check(list);
  CMapWordToPtr map;
  MapProbe::check(map);
  EXPECT_EQ(offsetof(CMapStringToString::CAssoc, nHashValue), 4u);
  EXPECT_EQ(offsetof(CMapStringToString::CAssoc, key), 8u);
  EXPECT_EQ(offsetof(CMapStringToString::CAssoc, value), 12u);
  EXPECT_EQ(offsetof(CMapWordToPtr::CAssoc, value), 8u);
  EXPECT_STREQ(array.GetRuntimeClass()->m_lpszClassName, "CStringArray");
  EXPECT_TRUE(map.IsKindOf(RUNTIME_CLASS(CObject)));
}

TEST(FrameworkCollections, ArrayGrowsByFourThenBySizeOverEight) {
  CWordArray a;
  std::vector<int> maxima;
  for (int i = 0; i < 2000; ++i) {
    a.Add(static_cast<WORD>(i));
    int max = WordArrayProbe::max_size(a);
    if (maxima.empty() || maxima.back() != max) maxima.push_back(max);
  }
  ASSERT_GE(maxima.size(), 12u);
  EXPECT_EQ(std::vector<int>(maxima.begin(), maxima.begin() + 10),
            (std::vector<int>{1, 5, 9, 13, 17, 21, 25, 29, 33, 37}));
  // From size 40 the step is size / 8.
  EXPECT_EQ(maxima[10], 41);
  EXPECT_EQ(maxima[11], 46);
  for (int i = 0; i < 2000; ++i) ASSERT_EQ(a[i], i);
}

TEST(FrameworkCollections, ArrayStepNeverExceeds1024) {
  CStringArray a;
  a.SetSize(20000);
  a.Add("x");
  EXPECT_EQ(ArrayProbe::max_size(a), 20000 + 1024);
  EXPECT_STREQ(a[20000], "x");
  EXPECT_TRUE(a[19999].IsEmpty());
}

TEST(FrameworkCollections, ArrayInsertRemoveAndAppend) {
  CStringArray a;
  a.Add("a");
  a.Add("d");
  a.InsertAt(1, "b");
  a.InsertAt(2, "c");
  a.InsertAt(6, "g");  // past the end: the gap is filled with empty strings
  ASSERT_EQ(a.GetSize(), 7);
  EXPECT_STREQ(a[3], "d");
  EXPECT_TRUE(a[4].IsEmpty());
  a.RemoveAt(4, 2);
  CStringArray b;
  b.Copy(a);
  b.Append(a);
  ASSERT_EQ(b.GetSize(), 10);
  EXPECT_STREQ(b[9], "g");
  b.InsertAt(0, &a);
  EXPECT_EQ(b.GetSize(), 15);
  b.FreeExtra();
  EXPECT_EQ(ArrayProbe::max_size(b), 15);
}

// A size whose storage cannot be addressed throws the memory exception
// before any element is freed or written.
TEST(FrameworkCollections, SizesThatCannotBeAllocatedAreRefusedBeforeAnythingChanges) {
  CDWordArray a;
  for (DWORD i = 0; i < 10; ++i) a.Add(i * 3);
  CMapWordToPtr map;
  for (WORD key = 0; key < 20; ++key) map.SetAt(key, reinterpret_cast<void*>(key + 1));
  struct Case {
    const char* what;
    void (*call)(CDWordArray&, CMapWordToPtr&);
  } cases[] = {
      {"SetSize(0x40000001)", [](CDWordArray& a, CMapWordToPtr&) { a.SetSize(0x40000001); }},
      {"SetAtGrow(INT_MAX)", [](CDWordArray& a, CMapWordToPtr&) { a.SetAtGrow(INT_MAX, 7); }},
      {"InsertAt(4, x, INT_MAX)", [](CDWordArray& a, CMapWordToPtr&) { a.InsertAt(4, 7, INT_MAX); }},
      {"InitHashTable(0x40000001)", [](CDWordArray&, CMapWordToPtr& m) { m.InitHashTable(0x40000001); }},
  };
  for (const Case& c : cases) {
    bool refused = false;
    try {
      c.call(a, map);
    } catch (CMemoryException* e) {
      e->Delete();
      refused = true;
    }
    EXPECT_TRUE(refused) << c.what;
    ASSERT_EQ(a.GetSize(), 10) << c.what;
    for (int i = 0; i < 10; ++i) ASSERT_EQ(a[i], DWORD(i * 3)) << c.what;
    ASSERT_EQ(map.GetCount(), 20) << c.what;
    EXPECT_EQ(map.GetHashTableSize(), 17u) << c.what;
    for (WORD key = 0; key < 20; ++key) {
      void* value = nullptr;
      ASSERT_TRUE(map.Lookup(key, value)) << c.what << " " << key;
    }
  }
}

TEST(FrameworkCollections, WordKeysHashToKeyOverSixteen) {
  CMapWordToPtr m;
  int one = 1, two = 2;
  m.SetAt(0x10, &one);
  m.SetAt(0x120, &two);
  // 0x10 >> 4 = 1; 0x120 >> 4 = 18, 18 mod 17 = 1: both in bucket 1, newest first.
  ASSERT_NE(MapProbe::bucket(m, 1), nullptr);
  EXPECT_EQ(MapProbe::bucket(m, 1)->key, 0x120);
  EXPECT_EQ(MapProbe::bucket(m, 1)->pNext->key, 0x10);
  void* found = nullptr;
  EXPECT_TRUE(m.Lookup(0x10, found));
  EXPECT_EQ(found, &one);
  EXPECT_EQ(m.GetHashTableSize(), 17u);
}

TEST(FrameworkCollections, StringKeysHashWithSignedBytes) {
  EXPECT_EQ(FwStringKey::Hash("ab"), 97u * 33 + 98);
  EXPECT_EQ(FwStringKey::Hash("\xE9"), static_cast<UINT>(-23));
}

TEST(FrameworkCollections, RemovingTheLastNodeFreesEveryBlock) {
  CStringList l(3);
  for (int i = 0; i < 7; ++i) l.AddTail(std::to_string(i).c_str());
  EXPECT_NE(ListProbe::blocks(l), nullptr);
  POSITION p = l.GetHeadPosition();
  // Nodes of one block come in address order.
  const void* first = p;
  l.GetNext(p);
  EXPECT_GT(static_cast<const void*>(p), first);
  while (!l.IsEmpty()) l.RemoveHead();
  EXPECT_EQ(ListProbe::blocks(l), nullptr);
}

TEST(FrameworkCollections, ListFindInsertAndIndex) {
  CStringList l;
  l.AddTail("b");
  l.AddHead("a");
  POSITION pb = l.Find("b");
  ASSERT_NE(pb, nullptr);
  l.InsertAfter(pb, "d");
  l.InsertBefore(l.Find("d"), "c");
  EXPECT_EQ(l.Find("a", l.GetHeadPosition()), nullptr);
  EXPECT_STREQ(l.GetAt(l.FindIndex(2)), "c");
  EXPECT_EQ(l.FindIndex(4), nullptr);
  CStringList other;
  other.AddTail(&l);
  other.AddHead(&l);
  std::string joined;
  for (POSITION p = other.GetHeadPosition(); p != nullptr;) joined += other.GetNext(p);
  EXPECT_EQ(joined, "abcdabcd");
}

// Random operations on a string map and a string list against std::map and
// std::list; after every step the contents are compared in full.
TEST(FrameworkCollections, ModelOfStringMapAndList) {
  unsigned seed = dv_test::seed();
  SCOPED_TRACE("seed " + std::to_string(seed));
  std::mt19937 random(seed);
  CMapStringToString map;
  std::map<std::string, std::string> map_model;
  CStringList list(4);
  std::list<std::string> list_model;
  for (int step = 0; step < 3000; ++step) {
    std::string key = "k" + std::to_string(random() % 60);
    std::string value = "v" + std::to_string(random());
    switch (random() % 6) {
      case 0:
      case 1:
        map.SetAt(key.c_str(), value.c_str());
        map_model[key] = value;
        break;
      case 2:
        EXPECT_EQ(map.RemoveKey(key.c_str()) != 0, map_model.erase(key) != 0);
        break;
      case 3:
        list.AddTail(value.c_str());
        list_model.push_back(value);
        break;
      case 4:
        if (!list_model.empty()) {
          EXPECT_EQ(std::string(list.RemoveHead()), list_model.front());
          list_model.pop_front();
        }
        break;
      case 5:
        if (random() % 50 == 0) {
          map.RemoveAll();
          map_model.clear();
        }
        break;
    }
    ASSERT_EQ(map.GetCount(), static_cast<int>(map_model.size())) << "step " << step;
    std::map<std::string, std::string> seen;
    for (POSITION p = map.GetStartPosition(); p != nullptr;) {
      CString k, v;
      map.GetNextAssoc(p, k, v);
      seen[std::string(k)] = std::string(v);
    }
    ASSERT_EQ(seen, map_model) << "step " << step;
    ASSERT_EQ(list.GetCount(), static_cast<int>(list_model.size()));
    auto it = list_model.begin();
    for (POSITION p = list.GetHeadPosition(); p != nullptr; ++it) ASSERT_EQ(std::string(list.GetNext(p)), *it);
  }
}

}  // namespace
