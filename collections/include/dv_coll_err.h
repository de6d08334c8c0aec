// The error classes of the collections library and the global error objects
// through which its code raises them: err_coll_internal.signal(text, ...)
// throws a new dv_err_coll_internal whose message is "dv_err_coll_internal - "
// followed by the formatted text. The object called on adds nothing to the
// thrown one.
#pragma once

#include "dv_err.h"

namespace dv_qem {

// Every class of the library as (name without "dv_err_", direct base), bases
// before the classes derived from them. Class dv_err_<name> has the global
// object err_<name>.
#define DV_COLL_ERRORS(X)                                   \
  X(coll, dv_err)                                           \
  X(index, dv_err)                                          \
  X(null_pointer, dv_err)                                   \
  X(am, dv_err_coll)                                        \
  X(am_bad_cursor, dv_err_am)                               \
  X(am_corrupt, dv_err_am)                                  \
  X(am_dup_key, dv_err_am)                                  \
  X(am_dup_key_item, dv_err_am_dup_key)                     \
  X(am_empty, dv_err_am)                                    \
  X(am_key, dv_err_am)                                      \
  X(am_no_key, dv_err_am)                                   \
  X(am_no_mark, dv_err_am)                                  \
  X(am_no_prev, dv_err_am)                                  \
  X(am_not_singleton, dv_err_am)                            \
  X(am_null_cursor, dv_err_am)                              \
  X(am_restriction, dv_err_am)                              \
  X(am_rhash_range_full, dv_err_coll)                       \
  X(coll_add_index_in_progress, dv_err_coll)                \
  X(coll_behavior_inconsistency, dv_err_coll)               \
  X(coll_cannot_grow_collection, dv_err_coll)               \
  X(coll_cannot_mutate_collection, dv_err_coll)             \
  X(coll_dangling_pointer, dv_err_coll)                     \
  X(coll_duplicates, dv_err_coll)                           \
  X(coll_empty, dv_err_coll)                                \
  X(coll_evolve, dv_err_coll)                               \
  X(coll_evolve_not_implemented_yet, dv_err_coll_evolve)    \
  X(coll_illegal_arg, dv_err_coll)                          \
  X(coll_illegal_cast, dv_err_coll)                         \
  X(coll_illegal_cursor, dv_err_coll)                       \
  X(coll_illegal_query_expression, dv_err_coll)             \
  X(coll_illegal_update, dv_err_coll)                       \
  X(coll_inconsistent_hash_values, dv_err_coll)             \
  X(coll_index_only, dv_err_coll)                           \
  X(coll_internal, dv_err_coll)                             \
  X(coll_internal_list, dv_err_coll_internal)               \
  X(coll_missing_assign, dv_err_coll)                       \
  X(coll_none_qualifying, dv_err_coll_internal)             \
  X(coll_not_implemented_yet, dv_err_coll)                  \
  X(coll_not_ordered, dv_err_coll)                          \
  X(coll_not_singleton, dv_err_coll)                        \
  X(coll_not_supported, dv_err_coll)                        \
  X(coll_null_cursor, dv_err_coll)                          \
  X(coll_nulls, dv_err_coll)                                \
  X(coll_out_of_range, dv_err_coll)                         \
  X(coll_path_interp, dv_err_coll_internal)                 \
  X(coll_prot_curs, dv_err_coll)                            \
  X(coll_query_bind, dv_err_coll)                           \
  X(coll_query_evaluate, dv_err_coll)                       \
  X(coll_scan, dv_err_coll_internal)                        \
  X(coll_trans_cursor, dv_err_coll)                         \
  X(coll_verification, dv_err_coll)                         \
  X(cursor, dv_err_coll)                                    \
  X(cursor_ambiguous, dv_err_coll)                          \
  X(cursor_internal, dv_err_cursor)                         \
  X(cursor_not_implemented_yet, dv_err_cursor)              \
  X(cursor_restricted, dv_err_coll)                         \
  X(illegal_index_path, dv_err_coll)                        \
  X(index_duplicate_key, dv_err_coll)                       \
  X(index_evolve, dv_err_index)                             \
  X(index_evolve_not_implemented_yet, dv_err_index_evolve)  \
  X(index_invalid_ordering, dv_err_coll)                    \
  X(index_miscellaneous, dv_err_coll)                       \
  X(index_wrong_kind, dv_err_coll_not_implemented_yet)      \
  X(null_cursor, dv_err_cursor)                             \
  X(open_iteration, dv_err_coll)

#define DV_COLL_DECLARE_ERR(NAME, BASE) DV_DECLARE_ERR(dv_err_##NAME, BASE)
DV_COLL_ERRORS(DV_COLL_DECLARE_ERR)
#undef DV_COLL_DECLARE_ERR

// The one class without a global object.
DV_DECLARE_ERR(dv_err_address_space_full, dv_err)

// The global objects. Each holds its own name ("err_coll") as its message
// from load to unload; they are never thrown.
#define DV_COLL_DECLARE_GLOBAL(NAME, BASE) extern dv_err_##NAME err_##NAME;
DV_COLL_ERRORS(DV_COLL_DECLARE_GLOBAL)
#undef DV_COLL_DECLARE_GLOBAL

}  // namespace dv_qem
