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
// owner is the collection object the storage belongs to.
#pragma once

#include <cstddef>
#include <cstdlib>
#include <new>

#include "fw_exceptions.h"

// One block of list nodes or map associations: the chain link and the
// block's element array.
struct FwPlex {
  FwPlex* pNext;
  void* pElements;
};
static_assert(sizeof(FwPlex) == 8);

struct FwHeapAlloc {
  template <class T>
  static T* Allocate(const void*, size_t count) {
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
  static T* NewBlock(FwPlex*& chain, size_t count, const void*) {
    static_assert(alignof(T) <= alignof(FwPlex) * 2);
    auto* block = static_cast<FwPlex*>(std::malloc(sizeof(FwPlex) + count * sizeof(T)));
    if (block == nullptr) AfxThrowMemoryException();
    block->pNext = chain;
    block->pElements = block + 1;
    chain = block;
    return static_cast<T*>(block->pElements);
  }

  static void FreeChain(FwPlex* chain) {
    while (chain != nullptr) {
      FwPlex* next = chain->pNext;
      std::free(chain);
      chain = next;
    }
  }
};
