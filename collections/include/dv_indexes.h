// The index list of a collection (_Indexes) and the index services that
// representations and index-only collections call. No index can be
// attached to a collection in this edition, so an index list holds no
// index: every service answers "none", and a collection's index list stays
// null unless it is set by hand.
#pragma once

#include "dv_soft_pointer.h"

namespace dv_qem {

class dv_dictionary;
class _Index;  // one index of a collection (none is ever made)

// One link of an index's path chain: the step from a value stored in the
// index to the object it leads to.
struct _Index_path_link {
  void* (*step)(void* value);
  const _Index_path_link* next;  // null: the last step
};

class _Indexes {
 public:
  _Indexes() = default;
  _Indexes(const _Indexes&) = delete;
  _Indexes& operator=(const _Indexes&) = delete;
  // Destroys the five references, last to first.
  ~_Indexes() = default;

  // Checks the index list: it holds nothing that could be inconsistent.
  void _check_rep_invariants() const {}

  // The index that element iteration of an index-only collection walks:
  // none (null), for any list.
  static _Index* iteration_index(const _Indexes* list);
  // The number of indexes of the list: 0.
  static int count(const _Indexes* list);

 private:
  dv_soft_pointer32<void> references_[5];  // to indexes and their dictionaries; null
};

static_assert(sizeof(_Indexes) == 20);

// The dictionary that keeps an index's values: none (null).
dv_dictionary* _index_dictionary(const _Index* index);
// The chain of path steps from a value stored in index to its element:
// none (null) here.
const _Index_path_link* _index_path_chain(const _Index* index);
// The element a value stored in an index stands for: the value passed
// through each step of the chain in turn; an empty chain gives the value.
void* _index_value_to_element(void* value, const _Index_path_link* chain);
// Writes the key of element for index into key: an index has no key here,
// so nothing is written.
void _index_key_of_element(const _Index* index, const void* element, void* key);

}  // namespace dv_qem
