// The catalogue of operation messages: each text with the global error object
// it is raised on. Library code raises one with
//   dv_coll_raise<coll_msg::insert_after_not_supported_by>(rep_name);
// Texts open with their tag, "<err-" or "<maint-" (internal consistency
// checks), the area (0024 collections, 0023 hash tables and B-trees), the
// number and ">"; they are kept verbatim, spelling included.
#pragma once

#include "coll_raise.h"

namespace dv_qem::coll_msg {

// (name, global error object, text)
#define DV_COLL_MESSAGES(X)                                                                                          \
  X(am_count_null_cursor, err_am, "<err-0023-0000>Attempt to count with null cursor")                                \
  X(am_slots_not_prime, err_am, "<err-0023-0005> Number of slots must be prime")                                     \
  X(insert_before_illegal_cursor, err_coll_illegal_cursor,                                                           \
    "<err-0024-0008>insert_before() invoked with an illegal cursor")                                                 \
  X(insert_after_illegal_cursor, err_coll_illegal_cursor,                                                            \
    "<err-0024-0009>insert_after() invoked with an illegal cursor")                                                  \
  X(dictionary_entrypoint_unsupported, err_coll_not_supported,                                                       \
    "<err-0024-0014>Unsupported entrypoint for dictionary class")                                                    \
  X(user_rep_entrypoint_unsupported, err_coll_not_supported,                                                         \
    "<err-0024-0022>Unsupported entrypoint for user defined collection rep")                                         \
  X(rebind_without_rank_function, err_coll_illegal_arg,                                                              \
    "<err-0024-0029>Illegal rebind for a non-rank function cursor")                                                  \
  X(cast_unordered_to_list, err_coll_illegal_cast,                                                                   \
    "<err-0024-0240>attempt to cast an unordered collection to an dv_list")                                          \
  X(cast_duplicates_to_set, err_coll_illegal_cast,                                                                   \
    "<err-0024-0245>attempt to cast a collection with duplicates to an dv_set")                                      \
  X(cast_no_duplicates_to_bag, err_coll_illegal_cast,                                                                \
    "<err-0024-0250>attempt to cast a collection without duplicates to an dv_bag")                                   \
  X(cast_unordered_to_array, err_coll_illegal_cast,                                                                  \
    "<err-0024-0255>attempt to cast a collection without order to an dv_array")                                      \
  X(only_on_several_elements, err_coll_not_singleton,                                                                \
    "<err-0024-0270>dv_collection::only attempted on a collection with more than one element")                       \
  X(needs_maintain_order, err_coll_not_supported,                                                                    \
    "<err-0024-0275>operation not supported without maintain_order behavior")                                        \
  X(insert_last_not_supported_by, err_coll_not_supported, "<err-0024-0280>insert_last() not supported by %s")        \
  X(insert_after_not_supported_by, err_coll_not_supported, "<err-0024-0285>insert_after() not supported by %s")      \
  X(insert_before_not_supported_by, err_coll_not_supported, "<err-0024-0290>insert_before() not supported by %s")    \
  X(remove_first_unordered, err_coll_not_supported,                                                                  \
    "<err-0024-0295>%s::remove_first() attempted on an unordered collection")                                        \
  X(remove_last_unordered, err_coll_not_supported,                                                                   \
    "<err-0024-0300>%s::remove_last() attempted on an unordered collection")                                         \
  X(insert_after_unordered, err_coll_not_supported,                                                                  \
    "<err-0024-0305>%s::insert_after() attempted on an unordered collection")                                        \
  X(insert_before_unordered, err_coll_not_supported,                                                                 \
    "<err-0024-0310>%s::insert_before() attempted on an unordered collection")                                       \
  X(remove_at_unordered, err_coll_not_supported,                                                                     \
    "<err-0024-0315>%s::remove_at() attempted on an unordered collection")                                           \
  X(replace_at_unordered, err_coll_not_supported,                                                                    \
    "<err-0024-0320>%s::replace_at() attempted on an unordered collection")                                          \
  X(retrieve_first_unordered, err_coll_not_supported,                                                                \
    "<err-0024-0325>%s::retrieve_first() attempted on an unordered collectio")                                       \
  X(retrieve_last_unordered, err_coll_not_supported,                                                                 \
    "<err-0024-0330>%s::retrieve_last() attempted on an unordered collection")                                       \
  X(retrieve_position_unordered, err_coll_not_supported,                                                             \
    "<err-0024-0335>%s::retrieve(int position) attempted on an unordered collection")                                \
  X(insert_duplicate, err_coll_duplicates,                                                                           \
    "<err-0024-0365>insertion of %#x would have resulted in duplication of the element")                             \
  X(ordered_equal_unordered_argument, err_coll_not_ordered,                                                          \
    "<err-0024-0390>the argument to ordered_equal() was not an ordered collection")                                  \
  X(update_const_through_cursor, err_coll_illegal_update,                                                            \
    "<err-0024-0825>cannot update const collection through cursor")                                                  \
  X(cursor_on_null_collection, err_null_pointer,                                                                     \
    "<err-0024-0835>dv_collection at address 0 passed to a cursor constructor")                                      \
  X(ordered_cursor_operations, err_coll_not_implemented_yet,                                                         \
    "<err-0024-0845>collection cursor operations with ordered and order by address cursors are not supported")       \
  X(rank_function_missing, err_coll, "<err-0024-0965>A rank function is missing")                                    \
  X(hash_function_missing, err_coll, "<err-0024-0970>A hash function is missing")                                    \
  X(key_functions_missing, err_coll, "<err-0024-0975>Missing rank and hash functions for key type %s")               \
  X(assign_function_missing, err_coll, "<err-0024-3642>Missing assign function for key type %s")                     \
  X(remove_at_deletd_element, err_coll_illegal_cursor,                                                               \
    "<err-0024-1210>remove_at() invoked with the cursor positioned at a deletd element")                             \
  X(retrieve_null_cursor, err_coll_null_cursor, "<err-0024-1215>retrieve() invoked with a null cursor")              \
  X(retrieve_deletd_element, err_coll_illegal_cursor,                                                                \
    "<err-0024-1220>retrieve() invoked with the cursor positioned at a deletd element")                              \
  X(index_only_needs_index, err_coll_index_only,                                                                     \
    "<err-0024-1225>An index-only collection requires an index to support insertion")                                \
  X(no_cursor_maintenance, err_coll_not_supported,                                                                   \
    "<err-0024-1230>This dv_collection does not support cursor maintenance")                                         \
  X(insert_null, err_coll_nulls, "<err-0024-1910>an attempt was made to insert a null element")                      \
  X(growth_below_cardinality, err_coll_illegal_arg,                                                                  \
    "<err-0024-1915>size specified for growth(%d) < collection cardinality(%d)")                                     \
  X(insert_after_null_cursor, err_coll_null_cursor, "<err-0024-1935>insert_after() invoked with a null cursor")      \
  X(insert_before_null_cursor, err_coll_null_cursor, "<err-0024-1940>insert_before() invoked with a null cursor")    \
  X(insert_before_out_of_range, err_coll_out_of_range,                                                               \
    "<err-0024-1945>subscript %d out of range in insert_before (cardinality = %d)")                                  \
  X(insert_after_out_of_range, err_coll_out_of_range,                                                                \
    "<err-0024-1950>subscript %d out of range in insert_after (cardinality = %d)")                                   \
  X(remove_at_null_cursor, err_coll_null_cursor, "<err-0024-1955>remove_at() invoked with a null cursor")            \
  X(remove_at_deleted_element, err_coll_illegal_cursor,                                                              \
    "<err-0024-1960>remove_at() invoked with the cursor positioned at a deleted element")                            \
  X(remove_at_out_of_range, err_coll_out_of_range,                                                                   \
    "<err-0024-1965>subscript %d out of range in remove_at (cardinality = %d)")                                      \
  X(replace_at_null_cursor, err_coll_null_cursor, "<err-0024-1970>replace_at() invoked with a null cursor")          \
  X(replace_at_deleted_element, err_coll_illegal_cursor,                                                             \
    "<err-0024-1975>replace_at() invoked with the cursor positioned at a deleted element")                           \
  X(replace_at_out_of_range, err_coll_out_of_range,                                                                  \
    "<err-0024-1980>subscript %d out of range in replace_at (cardinality = %d)")                                     \
  X(retrieve_out_of_range, err_coll_out_of_range,                                                                    \
    "<err-0024-1985>subscript %d out of range in retrieve (cardinality = %d)")                                       \
  X(retrieve_at_removed_element, err_coll_illegal_cursor,                                                            \
    "<err-0024-1990>retrieve() attempted with cursor positioned at a removed element")                               \
  X(retrieve_on_null_cursor, err_coll_null_cursor, "<err-0024-1995>retrieve() attempted on a null cursor")           \
  X(iterate_off_range_unordered, err_coll_illegal_cursor,                                                            \
    "<err-0024-3634>dv_cursor::iterate_off_range is only valid for an ordered dictionary cursor ")                   \
  X(node_insert_duplicate_key, err_am_dup_key, "<err-0024-3637>duplicate key in node::insert")                       \
  X(invalid_cursor_type, err_cursor, "<err-0024-3640> Invalid cursor type found during cursor iteration")            \
  X(slot_type_without_duplicates, err_am, "<maint-0023-0018>Slot type does not support allow duplicate behavior.")   \
  X(btree_only_not_singleton, err_am_not_singleton, "<maint-0023-3680>not_singleton in _Cbtree::only")               \
  X(btree_find_first_restriction, err_am_restriction, "<maint-0023-3685>invalid_restriction in Cbtree::find_first")  \
  X(btree_find_last_restriction, err_am_restriction, "<maint-0023-3685>invalid_restriction in Cbtree::find_last")    \
  X(rhash_create_key_type, err_am, "<maint-0023-4390>Incorrect key type in _Rhash::create")                          \
  X(unordered_index_restriction, err_am, "<maint-0023-4400>invalid restriction on unordered index")                  \
  X(rhash_only_empty, err_am_empty, "<maint-0023-4405>hash table empty, in _Rhash::only")                            \
  X(rhash_only_not_singleton, err_am_not_singleton, "<maint-0023-4410>not singleton, in _Rhash::only")               \
  X(rhash_first_occupied_inconsistent, err_am,                                                                       \
    "<maint-0023-4420>Inconsistency in _Rhash detected in _Rhash::first_occupied_HashTable")                         \
  X(rhash_last_occupied_inconsistent, err_am,                                                                        \
    "<maint-0023-4425>Inconsistency in _Rhash detected in _Rhash::last_occupied_HashTable")                          \
  X(oflo_list_remove_inconsistent, err_am,                                                                           \
    "<maint-0023-4430>Inconsistency removing object 0x%x from index; detected in _RH_oflo_list::remove();")          \
  X(rhash_retrieve_null_cursor, err_am,                                                                              \
    "<maint-0023-4445>Attempt to retrieve from _Rhash with null cursor in _Rhash::HashTable_retrieve")               \
  X(rhash_retrieve_key_null_cursor, err_am,                                                                          \
    "<maint-0023-4450>Attempt to retrieve key from _Rhash with null cursor in _Rhash::HashTable_retrieve_key")       \
  X(rhash_insert_duplicate_key, err_am_dup_key, "<maint-0023-4470>Duplicate key found in _Rhash::insert")            \
  X(list_header_cardinality, err_coll_internal, "<maint-0024-0002>local cardinality incorrect in header")            \
  X(block_previous_pointer, err_coll_internal, "<maint-0024-0003>Bad previous pointer in block")                     \
  X(empty_block, err_coll_internal, "<maint-0024-0004>Found an empty block")                                         \
  X(block_cardinality, err_coll_internal, "<maint-0024-0006>local cardinality incorrect in block")                   \
  X(stored_cardinality, err_coll_internal, "<maint-0024-0007>stored cardinality is incorrect")                       \
  X(component_cursor_reset, err_cursor, "<maint-0024-0780>cursor_exception in _Component_cursor::reset (2)")         \
  X(list_size, err_coll_internal, "<maint-0024-2000>list size is incorrect")                                         \
  X(list_tail, err_coll_internal, "<maint-0024-2005>tail is incorrect")                                              \
  X(list_cardinality, err_coll_internal, "<maint-0024-2010>cardinality() is incorrect")                              \
  X(btree_internal, err_coll_internal, "dv_btree - %s")                                                             \
  X(internal_error, err_coll_internal, "coll internal error")

DV_COLL_MESSAGES(DV_COLL_DEFINE_MESSAGE)

}  // namespace dv_qem::coll_msg

namespace dv_qem {

// Raises err_coll_internal with exactly "coll internal error", the report of
// a broken list structure or an impossible position; `what` names the broken
// expectation in the debugging trace (standard error, in a build without
// NDEBUG), never in the message.
[[noreturn]] void _Coll_internal_error(const char* what);

}  // namespace dv_qem
