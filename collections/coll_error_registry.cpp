// The default texts of the global error objects and their registration.
#include "coll_error_registry.h"

namespace dv_qem {

#define DV_COLL_DEFAULT(NAME, TEXT) {&err_##NAME, "err_" #NAME, TEXT}

const _Coll_error_default _Coll_error_defaults[] = {
    DV_COLL_DEFAULT(coll, "<err-0024-0465>a collection related exception"),
    DV_COLL_DEFAULT(coll_index_only, "<err-0024-0470>an exception related to the index-only representation"),
    DV_COLL_DEFAULT(coll_add_index_in_progress, ""),
    DV_COLL_DEFAULT(coll_prot_curs, "<err-0024-0475>an exception related to protected cursors"),
    DV_COLL_DEFAULT(coll_trans_cursor,
                    "<err-0024-0225>A transient, ordered cursor on a persistent collection was not deleted "
                    "before transaction commit.  This will result in transient pointers in the database."),
    DV_COLL_DEFAULT(coll_dangling_pointer,
                    "<err-0024-0490>Dangling pointer from a collection to a deleted object containing an "
                    "dv_backptr"),
    DV_COLL_DEFAULT(coll_empty, "<err-0024-0495>collection was empty"),
    DV_COLL_DEFAULT(coll_out_of_range, "<err-0024-0500>subscript out of range"),
    DV_COLL_DEFAULT(coll_evolve, "<err-0024-0480>Error in evolution of a collection"),
    DV_COLL_DEFAULT(coll_evolve_not_implemented_yet, "<err-0024-0485>Unimplemented part of collection evolution"),
    DV_COLL_DEFAULT(coll_not_singleton, "<err-0024-0505>expected exactly one element in the collection"),
    DV_COLL_DEFAULT(coll_illegal_query_expression, "<err-0024-0510>a syntactic or semantic error was found"),
    DV_COLL_DEFAULT(coll_query_bind, "<err-0024-0515>collection query binding error"),
    DV_COLL_DEFAULT(coll_query_evaluate, "<err-0024-0520>collection query evaluation error"),
    DV_COLL_DEFAULT(coll_illegal_update, "<err-0024-0535>const collection cannot be updated"),
    DV_COLL_DEFAULT(coll_null_cursor, "<err-0024-0525>the collection cursor was null"),
    DV_COLL_DEFAULT(coll_illegal_cursor, "<err-0024-0530>the cursor was positioned at a removed element"),
    DV_COLL_DEFAULT(coll_illegal_arg, "<err-0024-0540>an argument failed a semantic check"),
    DV_COLL_DEFAULT(coll_behavior_inconsistency,
                    "<err-0024-0585>an inconsistency was detected in the behavior associated with a collection "
                    "object"),
    DV_COLL_DEFAULT(coll_not_supported, "<err-0024-0545>the operation was not supported by the collection subtype"),
    DV_COLL_DEFAULT(coll_not_ordered, "<err-0024-0550>protocol only supported for a collection that is ordered"),
    DV_COLL_DEFAULT(coll_duplicates, "<err-0024-0555>duplicate element in collection"),
    DV_COLL_DEFAULT(coll_nulls,
                    "<err-0024-0560>an attempt was made to insert a null element into a collection that "
                    "disallowed null elements"),
    DV_COLL_DEFAULT(coll_cannot_grow_collection,
                    "<err-0024-0565>an attempt was made to grow a collection that did not allow growth"),
    DV_COLL_DEFAULT(coll_cannot_mutate_collection, "<err-0024-0570>an attempt at mutating a collection failed"),
    DV_COLL_DEFAULT(coll_internal, "<err-0024-0580>an internal error was encountered in the collection library"),
    DV_COLL_DEFAULT(coll_illegal_cast,
                    "<err-0024-0575>an attempt was made to cast a collection to a subtype, but the collection "
                    "did not support the requisite behavior implied by the subtype"),
    DV_COLL_DEFAULT(index, "<err-0024-0665>Error in index operation"),
    DV_COLL_DEFAULT(index_duplicate_key, "<err-0024-0625>violation of uniqueness constraint on an index path"),
    DV_COLL_DEFAULT(coll_not_implemented_yet, "<err-0024-0595>feature not implemented yet"),
    DV_COLL_DEFAULT(index_wrong_kind, "<err-0024-0640>can't use an unordered index for an ordered iteration"),
    DV_COLL_DEFAULT(index_invalid_ordering, "<err-0024-0630>can't create an ordered index"),
    DV_COLL_DEFAULT(index_evolve, "<err-0024-0670>Error in index evolution"),
    DV_COLL_DEFAULT(index_duplicate_key, "<err-0024-0625>violation of uniqueness constraint on an index path"),
    DV_COLL_DEFAULT(index_evolve_not_implemented_yet, "<err-0024-0675>Unimplemented index evolution feature"),
    DV_COLL_DEFAULT(open_iteration, "<err-0024-0600>open iteration on mapping being deleted"),
    DV_COLL_DEFAULT(cursor, "<err-0024-0605>error in cursor maintenance"),
    DV_COLL_DEFAULT(cursor_restricted,
                    "<err-0024-3638>An index is required when creating a persistent restricted cursor."),
    DV_COLL_DEFAULT(cursor_ambiguous, "<err-0024-0610>error in order specification"),
    DV_COLL_DEFAULT(cursor_not_implemented_yet, "<err-0024-0615>unimplemented cursor operation"),
    DV_COLL_DEFAULT(cursor_internal, "<err-0024-0620>error in ordered iteration"),
    DV_COLL_DEFAULT(null_cursor, "<err-0024-0635>attempt to operate on null cursor"),
    DV_COLL_DEFAULT(coll_path_interp, "<err-0024-0590>error in path interpretation"),
    DV_COLL_DEFAULT(coll_internal_list, "<err-0024-0645>error in list used by dv_collection"),
    DV_COLL_DEFAULT(coll_none_qualifying, "<err-0024-0650>Lookup in index failed during scan"),
    DV_COLL_DEFAULT(coll_scan, "<err-0024-0655>error in scan"),
    DV_COLL_DEFAULT(illegal_index_path, "<err-0024-0660>illegal index path expression"),
    DV_COLL_DEFAULT(coll_verification,
                    "<err-0024-3641> Collection verification failed within dv_dictionary::_check_rep_invariants()"),
    DV_COLL_DEFAULT(coll_inconsistent_hash_values,
                    "<err-0024-3639>Inconsistent hash value detected, check hash function"),
    DV_COLL_DEFAULT(coll_missing_assign, "<err-0024-3642>Missing assign function for key type %s"),
};
const size_t _Coll_error_default_count = sizeof _Coll_error_defaults / sizeof _Coll_error_defaults[0];

const _Coll_error_default _Am_error_defaults[] = {
    DV_COLL_DEFAULT(am, ""),
    DV_COLL_DEFAULT(am_bad_cursor, ""),
    DV_COLL_DEFAULT(am_corrupt, ""),
    DV_COLL_DEFAULT(am_dup_key, ""),
    DV_COLL_DEFAULT(am_dup_key_item, ""),
    DV_COLL_DEFAULT(am_empty, ""),
    DV_COLL_DEFAULT(am_key, ""),
    DV_COLL_DEFAULT(am_no_key, ""),
    DV_COLL_DEFAULT(am_no_mark, ""),
    DV_COLL_DEFAULT(am_no_prev, ""),
    DV_COLL_DEFAULT(am_not_singleton, ""),
    DV_COLL_DEFAULT(am_null_cursor, ""),
    DV_COLL_DEFAULT(am_restriction, ""),
    DV_COLL_DEFAULT(am_rhash_range_full, ""),
};
const size_t _Am_error_default_count = sizeof _Am_error_defaults / sizeof _Am_error_defaults[0];

namespace {

void register_all(const _Coll_error_default* entries, size_t count) {
  for (size_t i = 0; i < count; ++i) entries[i].global->_initialize(entries[i].name, entries[i].text);
}

}  // namespace

void _VRN_register_coll_errors() { register_all(_Coll_error_defaults, _Coll_error_default_count); }
void _VRN_register_am_errors() { register_all(_Am_error_defaults, _Am_error_default_count); }

}  // namespace dv_qem
