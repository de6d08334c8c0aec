// The index services of this edition, in which no index exists, and the
// index upkeep that representations run around their element changes.
#include "dv_collection.h"
#include "dv_indexes.h"

namespace dv_qem {

_Index* _Indexes::iteration_index(const _Indexes*) { return nullptr; }

int _Indexes::count(const _Indexes*) { return 0; }

dv_dictionary* _index_dictionary(const _Index*) { return nullptr; }

const _Index_path_link* _index_path_chain(const _Index*) { return nullptr; }

void* _index_value_to_element(void* value, const _Index_path_link* chain) {
  for (const _Index_path_link* link = chain; link != nullptr; link = link->next) value = link->step(value);
  return value;
}

void _index_key_of_element(const _Index*, const void*, void*) {}

int dv_collection::maintain_index_insert(_Indexes*, const void*, int) { return 0; }

int dv_collection::maintain_index_remove(_Indexes*, const void*) { return 0; }

int dv_collection::maintain_index_remove_for_sure(_Indexes*, const void*) { return 0; }

}  // namespace dv_qem
