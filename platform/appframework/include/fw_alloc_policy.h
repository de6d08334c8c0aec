// Where the framework-shaped collections keep their storage. A collection
// template takes an allocation policy: FwHeapAlloc (the ordinary heap) here;
// a database-backed policy elsewhere places the same structures in the
// database of the collection object. A policy offers:
//   template <class T> static T* Allocate(const void* owner, size_t count);
//     raw storage for count elements of T (not constructed);
//   template <class T> static void Free(const void* owner, T* storage, size_t count);
//   template <class T> static T* NewBlock(FwPlex*& chain, size_t count, const void* owner);
//     a block of count elements of T linked in front of chain; returns them;
//   static void FreeChain(FwPlex* chain);
//   [[noreturn]] static void RefuseSize(const CObject* owner, unsigned long long count, size_t size);
//     throws the policy's memory error for count elements of size bytes
//     that cannot be addressed (Allocate and NewBlock call it themselves);
// owner is the collection object the storage belongs to. A refused size
// changes nothing: the collections check before they free or write.
#pragma once

#include <cstddef>
#include <cstdlib>
#include <new>

#include "fw_exceptions.h"

class CObject;

// Whether count elements of size bytes, behind header bytes, fit in one
// block of the address space.
inline bool FwFitsInMemory(unsigned long long count, size_t size, size_t header = 0) {
  return count <= (static_cast<size_t>(-1) - header) / size;
}

// One block of list nodes or map associations: the chain link and the
// block's element array.
struct FwPlex {
  FwPlex* pNext;
  void* pElements;
};
static_assert(sizeof(FwPlex) == 8);

struct FwHeapAlloc {
  template <class T>
  static T* Allocate(const void* owner, size_t count) {
    if (!FwFitsInMemory(count, sizeof(T), 1)) RefuseSize(static_cast<const CObject*>(owner), count, sizeof(T));
    void* storage = std::malloc(count * sizeof(T) + (count == 0 ? 1 : 0));
    if (storage == nullptr) AfxThrowMemoryException();
    return static_cast<T*>(storage);
  }

  template <class T>
  static void Free(const void*, T* storage, size_t) {
    std::free(storage);
  }

  // Header and elements in one heap block; the elements follow the header.
  template <class T>
  static T* NewBlock(FwPlex*& chain, size_t count, const void* owner) {
    static_assert(alignof(T) <= alignof(FwPlex) * 2);
    if (!FwFitsInMemory(count, sizeof(T), sizeof(FwPlex))) {
      RefuseSize(static_cast<const CObject*>(owner), count, sizeof(T));
    }
    auto* block = static_cast<FwPlex*>(std::malloc(sizeof(FwPlex) + count * sizeof(T)));
    if (block == nullptr) AfxThrowMemoryException();
    block->pNext = chain;
    block->pElements = block + 1;
    chain = block;
    return static_cast<T*>(block->pElements);
  }

  [[noreturn]] static void RefuseSize(const CObject*, unsigned long long, size_t) { AfxThrowMemoryException(); }

  static void FreeChain(FwPlex* chain) {
    while (chain != nullptr) {
      FwPlex* next = chain->pNext;
      std::free(chain);
      chain = next;
    }
  }
};
