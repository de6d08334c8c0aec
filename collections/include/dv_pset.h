// _Pset: the result set of a query as an index-based cursor keeps it (its
// ipset). Eight words; queries are not supported, so the library makes none
// itself and only reads one that it is handed.
#pragma once

#include <cstdint>

#include "dv_collection.h"
#include "dv_types.h"

namespace dv_qem {

class _Pset {
 public:
  // The word that counts the entries visited so far.
  dv4u visited() const { return words_[visited_word]; }
  void clear_offset() { words_[offset_word] = 0; }
  // The result collection's cardinality when the set holds a collection;
  // else 1 for a single result and 0 for none.
  unsigned cardinality() const {
    void* result = reinterpret_cast<void*>(static_cast<std::uintptr_t>(words_[result_word]));
    if (words_[holds_collection_word] != 0) return static_cast<const dv_collection*>(result)->cardinality();
    return result != nullptr ? 1 : 0;
  }

 private:
  enum : int {
    offset_word = 0,             // position within the result
    holds_collection_word = 2,   // nonzero: the result word is a dv_collection
    result_word = 3,             // the result collection, or the one result
    visited_word = 5,            // entries visited
  };
  dv4u words_[8];
};

static_assert(sizeof(_Pset) == 32);

}  // namespace dv_qem
