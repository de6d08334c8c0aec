// FwMap: the framework's hash map shape {hash table, table size, count,
// free associations, block chain, block size} after the CObject header, over
// an allocation policy (fw_alloc_policy.h) and a key policy:
//   static constexpr bool kStoresHash;   string keys keep their hash
//   static UINT Hash(ARG_KEY key);
//   static bool Equal(const KEY& stored, ARG_KEY key);
// New associations go to the front of their bucket; the table (17 buckets
// unless InitHashTable says otherwise) is made at the first insertion.
#pragma once

#include <cstdint>
#include <cstring>
#include <new>

#include "fw_alloc_policy.h"
#include "fw_mbs.h"
#include "fw_object.h"

// Association layouts: {next, key, value}, or {next, hash, key, value} for
// keys that keep their hash.
template <class KEY, class VALUE, bool StoresHash>
struct FwAssoc {
  FwAssoc* pNext;
  KEY key;
  VALUE value;
};

template <class KEY, class VALUE>
struct FwAssoc<KEY, VALUE, true> {
  FwAssoc* pNext;
  UINT nHashValue;
  KEY key;
  VALUE value;
};

// 16-bit word keys: the key shifted right by 4.
struct FwWordKey {
  static constexpr bool kStoresHash = false;
  static UINT Hash(WORD key) { return static_cast<UINT>(key) >> 4; }
  static bool Equal(WORD stored, WORD key) { return stored == key; }
};

// Pointer keys: the address shifted right by 4.
struct FwPointerKey {
  static constexpr bool kStoresHash = false;
  static UINT Hash(const void* key) { return static_cast<UINT>(reinterpret_cast<uintptr_t>(key)) >> 4; }
  static bool Equal(const void* stored, const void* key) { return stored == key; }
};

// String keys: h = h * 33 + byte over the bytes taken as signed, from 0.
struct FwStringKey {
  static constexpr bool kStoresHash = true;
  static UINT Hash(LPCTSTR key) {
    UINT hash = 0;
    for (; *key != '\0'; ++key) hash = hash * 33 + static_cast<UINT>(static_cast<int>(static_cast<signed char>(*key)));
    return hash;
  }
  template <class STRING>
  static bool Equal(const STRING& stored, LPCTSTR key) {
    return fw_mbs::compare(static_cast<LPCTSTR>(stored), key) == 0;
  }
};

template <class KEY, class ARG_KEY, class VALUE, class ARG_VALUE, class KeyPolicy, class Alloc = FwHeapAlloc>
class FwMap : public CObject {
 public:
  typedef FwAssoc<KEY, VALUE, KeyPolicy::kStoresHash> CAssoc;

  explicit FwMap(int blockSize = 10) : m_nBlockSize(blockSize) {}
  ~FwMap() override { RemoveAll(); }

  int GetCount() const { return m_nCount; }
  BOOL IsEmpty() const { return m_nCount == 0; }

  BOOL Lookup(ARG_KEY key, VALUE& value) const {
    UINT bucket;
    CAssoc* assoc = GetAssocAt(key, &bucket);
    if (assoc == nullptr) return FALSE;
    value = assoc->value;
    return TRUE;
  }

  // The stored key equal to key (its text, for string keys).
  BOOL LookupKey(ARG_KEY key, ARG_KEY& storedKey) const {
    UINT bucket;
    CAssoc* assoc = GetAssocAt(key, &bucket);
    if (assoc == nullptr) return FALSE;
    storedKey = assoc->key;
    return TRUE;
  }

  // The value of key, or a default value (0, null) when absent.
  VALUE GetValueAt(ARG_KEY key) const {
    UINT bucket;
    CAssoc* assoc = GetAssocAt(key, &bucket);
    return assoc == nullptr ? VALUE() : assoc->value;
  }

  // The value of key, added (default value) when absent.
  VALUE& operator[](ARG_KEY key) {
    UINT bucket;
    CAssoc* assoc = GetAssocAt(key, &bucket);
    if (assoc == nullptr) {
      if (m_pHashTable == nullptr) InitHashTable(m_nHashTableSize);
      assoc = NewAssoc();
      if constexpr (KeyPolicy::kStoresHash) assoc->nHashValue = KeyPolicy::Hash(key);
      assoc->key = key;
      assoc->pNext = m_pHashTable[bucket];
      m_pHashTable[bucket] = assoc;
    }
    return assoc->value;
  }

  void SetAt(ARG_KEY key, ARG_VALUE value) { (*this)[key] = value; }

  BOOL RemoveKey(ARG_KEY key) {
    if (m_pHashTable == nullptr) return FALSE;
    CAssoc** link = &m_pHashTable[KeyPolicy::Hash(key) % m_nHashTableSize];
    for (CAssoc* assoc = *link; assoc != nullptr; link = &assoc->pNext, assoc = assoc->pNext) {
      if (KeyPolicy::Equal(assoc->key, key)) {
        *link = assoc->pNext;
        FreeAssoc(assoc);
        return TRUE;
      }
    }
    return FALSE;
  }

  void RemoveAll() {
    if (m_pHashTable != nullptr) {
      for (UINT i = 0; i < m_nHashTableSize; ++i) {
        for (CAssoc* assoc = m_pHashTable[i]; assoc != nullptr; assoc = assoc->pNext) DestroyMembers(assoc);
      }
      Alloc::Free(this, m_pHashTable, m_nHashTableSize);
      m_pHashTable = nullptr;
    }
    m_nCount = 0;
    m_pFreeList = nullptr;
    Alloc::FreeChain(m_pBlocks);
    m_pBlocks = nullptr;
  }

  POSITION GetStartPosition() const { return m_nCount == 0 ? nullptr : BeforeStart(); }

  // The association at position, and position moved to the next one (null
  // after the last). Order: bucket by bucket, each bucket front to back.
  void GetNextAssoc(POSITION& position, KEY& key, VALUE& value) const {
    CAssoc* assoc = reinterpret_cast<CAssoc*>(position);
    if (position == BeforeStart()) {
      assoc = nullptr;
      for (UINT i = 0; i < m_nHashTableSize && assoc == nullptr; ++i) assoc = m_pHashTable[i];
    }
    CAssoc* next = assoc->pNext;
    if (next == nullptr) {
      for (UINT i = Bucket(assoc) + 1; i < m_nHashTableSize && next == nullptr; ++i) next = m_pHashTable[i];
    }
    position = reinterpret_cast<POSITION>(next);
    key = assoc->key;
    value = assoc->value;
  }

  UINT GetHashTableSize() const { return m_nHashTableSize; }

  // Makes a table of size buckets now (allocateNow) or at the first
  // insertion. A map that holds associations keeps them: they move into a
  // new table of the new size at once. A table that cannot be allocated
  // leaves the map as it was.
  void InitHashTable(UINT size, BOOL allocateNow = TRUE) {
    CAssoc** fresh = nullptr;
    if (allocateNow || m_nCount > 0) {
      fresh = Alloc::template Allocate<CAssoc*>(this, size);
      std::memset(static_cast<void*>(fresh), 0, sizeof(CAssoc*) * size);
    }
    CAssoc** old = m_pHashTable;
    UINT oldSize = m_nHashTableSize;
    m_pHashTable = fresh;
    m_nHashTableSize = size;
    if (old == nullptr) return;
    for (UINT i = 0; i < oldSize; ++i) {
      CAssoc* assoc = old[i];
      while (assoc != nullptr) {
        CAssoc* next = assoc->pNext;
        UINT bucket = Bucket(assoc);
        assoc->pNext = m_pHashTable[bucket];
        m_pHashTable[bucket] = assoc;
        assoc = next;
      }
    }
    Alloc::Free(this, old, oldSize);
  }

  UINT HashKey(ARG_KEY key) const { return KeyPolicy::Hash(key); }

 protected:
  static POSITION BeforeStart() { return reinterpret_cast<POSITION>(-1); }

  UINT Bucket(const CAssoc* assoc) const {
    if constexpr (KeyPolicy::kStoresHash) return assoc->nHashValue % m_nHashTableSize;
    else return KeyPolicy::Hash(assoc->key) % m_nHashTableSize;
  }

  CAssoc* GetAssocAt(ARG_KEY key, UINT* bucket) const {
    UINT hash = KeyPolicy::Hash(key);
    *bucket = hash % m_nHashTableSize;
    if (m_pHashTable == nullptr) return nullptr;
    for (CAssoc* assoc = m_pHashTable[*bucket]; assoc != nullptr; assoc = assoc->pNext) {
      if constexpr (KeyPolicy::kStoresHash) {
        if (assoc->nHashValue != hash) continue;
      }
      if (KeyPolicy::Equal(assoc->key, key)) return assoc;
    }
    return nullptr;
  }

  CAssoc* NewAssoc() {
    if (m_pFreeList == nullptr) {
      CAssoc* block = Alloc::template NewBlock<CAssoc>(m_pBlocks, m_nBlockSize, this);
      for (int i = m_nBlockSize - 1; i >= 0; --i) {
        block[i].pNext = m_pFreeList;
        m_pFreeList = &block[i];
      }
    }
    CAssoc* assoc = m_pFreeList;
    m_pFreeList = assoc->pNext;
    ++m_nCount;
    new (static_cast<void*>(&assoc->key)) KEY();
    new (static_cast<void*>(&assoc->value)) VALUE();
    return assoc;
  }

  void FreeAssoc(CAssoc* assoc) {
    DestroyMembers(assoc);
    assoc->pNext = m_pFreeList;
    m_pFreeList = assoc;
    if (--m_nCount == 0) RemoveAll();
  }

  static void DestroyMembers(CAssoc* assoc) {
    assoc->key.~KEY();
    assoc->value.~VALUE();
  }

  CAssoc** m_pHashTable = nullptr;
  UINT m_nHashTableSize = 17;
  int m_nCount = 0;
  CAssoc* m_pFreeList = nullptr;
  FwPlex* m_pBlocks = nullptr;
  int m_nBlockSize;
};
