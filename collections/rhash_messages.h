// Catalogue texts raised by the hash tables and the hash sets and bags that
// the shared catalogue (coll_messages.h) does not carry; raised with
//   dv_coll_raise<rhash_msg::inconsistent_hash>();
#pragma once

#include "coll_raise.h"

namespace dv_qem::rhash_msg {

#define DV_RHASH_MESSAGES(X)                                                                                         \
  X(inconsistent_hash, err_coll_inconsistent_hash_values,                                                            \
    "<err-0024-3639>Inconsistent hash value detected, check hash function")                                          \
  X(slot_remove_missing, err_am_no_key, "Couldn't find specified value in _RH_slot::remove")                        \
  X(pick_empty_slot, err_am, "Empty slot in _RH_dynhash_slot::pick()")                                               \
  X(pick_empty_dup_slot, err_am, "Empty slot in _RH_dynhash_slot_dup::pick()")                                       \
  X(slot_first_null, err_am, "table or slot id is null in _RH_dynhash_slot::slot_first")                             \
  X(slot_last_null, err_am, "range or slot id is null in _RH_dynhash_slot::slot_last")                               \
  X(set_retrieve_position, err_coll_not_supported,                                                                   \
    "sets and bags do not support dv_collection::retrieve(dv_unsigned_int32)")                                       \
  X(set_remove_at_position, err_coll_not_supported, "sets and bags do not support remove_at(dv_unsigned_int32)")    \
  X(set_positional, err_coll_not_supported, "Operation not supported by sets and bags")                             \
  X(verification_failed, err_coll_verification,                                                                      \
    "<err-0024-3641> Collection verification failed within dv_dictionary::_check_rep_invariants()")                  \
  X(keyed_class_missing, err_coll_not_supported,                                                                     \
    "<err-0024-0545>the operation was not supported by the collection subtype (no keyed hash table for key type %s)") \
  X(unknown_clustering, err_coll_illegal_arg, "_Rhash::create: unknown clustering %d (0, 1 or 2 expected)")       \
  X(nan_key, err_coll_illegal_arg, "a NaN key of type %s cannot be stored: it equals no key, itself included")

DV_RHASH_MESSAGES(DV_COLL_DEFINE_MESSAGE)

}  // namespace dv_qem::rhash_msg
