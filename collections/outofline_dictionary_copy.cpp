// Copying a dictionary representation: a new one of the same shape, filled
// by a walk over the source.
#include "outofline_dictionary_copy.h"

#include "dv_btree.h"
#include "dv_coll_err.h"
#include "dv_coll_rep_registry.h"
#include "dv_dictionary.h"
#include "dv_rhash.h"
#include "key_type_map.h"

namespace dv_qem {

namespace {

// The behaviour word dv_dictionary::create takes (1 ordered, 2 one value per
// key, 4 a repeated key is an error, 8 point to the key) for source's shape.
unsigned behavior_of(const dv_dictionary& source) {
  if (const auto* hash = dynamic_cast<const _Rhash*>(&source)) {
    unsigned behavior = hash->allow_dup() ? 0u : 2u;
    if ((hash->get_flags() & _Rhash::signal_dup_bit) != 0) behavior |= 4;
    if (hash->_point_to_key()) behavior |= 8;
    return behavior;
  }
  return (source._is_a_hashtable() ? 0u : 1u) | (source.__duplicates() ? 0u : 2u);
}

}  // namespace

dv_dictionary* _Coll_copy_dictionary(const dv_dictionary& source, const void* where) {
  // A tree copies itself with its shape (order, duplicates rule, pointed-to
  // keys, key kind), through the insertion form it supports.
  if (const auto* tree = dynamic_cast<const dv_btree*>(&source))
    return _Coll_construct<dv_btree>(_Coll_placement::near(where), dv_btree::get_dv_typespec(), *tree);
  const unsigned expected = source._cardinality();
  // A hash table is made as the source was, its key kind taken as it is.
  dv_dictionary* copy =
      dynamic_cast<const _Rhash*>(&source) != nullptr
          ? _Rhash::create(where, _Coll_cluster_default, source._key_type(), source._key_size(), 1, expected,
                           behavior_of(source), nullptr)
          : dv_dictionary::create(where, _Coll_cluster_default, source._key_type(), source._key_size(), 1, expected,
                                  behavior_of(source), 0, nullptr);
  if (copy == nullptr)
    err_coll_internal.signal("no copy of a dictionary of key type %s could be allocated", source._key_type());
  const bool by_address = _key_type_is_pointer_valued(source._key_type());
  dv_dictionary_cursor* c = nullptr;
  try {
    c = &source.__iteration_start(0);
    void* v = nullptr;
    for (int more = source.__first(*c, v); more; more = source.__next(*c, v)) {
      void* key = source.__retrieve_key(*c);
      int found = 0;
      copy->__insert(v, by_address ? static_cast<const void*>(&key) : key, nullptr, nullptr, found);
    }
  } catch (...) {
    if (c != nullptr) source.__iteration_end(*c);
    delete copy;
    throw;
  }
  source.__iteration_end(*c);
  return copy;
}

}  // namespace dv_qem
